#include "qzstringsearcher.h"

qzStringSearcher::qzStringSearcher(qzStringRef pattern, uint32_t goodsuffixsize, uint32_t limit)
    : goodsuffixsize(goodsuffixsize < MAXGOODSUFFIX ? goodsuffixsize : MAXGOODSUFFIX) {
    this->pattern.Append(pattern.data, pattern.length);
    const uint32_t m = pattern.length;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(this->pattern.GetData());
    for (uint32_t& entry : badcharacter)
        entry = m;
    for (uint32_t i = 0; i + 1 < m; ++i)
        badcharacter[p[i]] = m - 1 - i;
    for (uint32_t& entry : following)
        entry = m + 1;
    for (uint32_t i = 0; i < m; ++i)
        following[p[i]] = m - i;

    // For k matched bytes, the smallest shift under which every matched byte still meets an equal pattern
    // byte (or none at all). Only the last `window` bytes are compared; treating the rest as agreeing can
    // only make a shift smaller, never skip a match.
    const uint32_t window = limit == 0 || limit > m ? m : limit;
    const uint32_t from = m - window;
    for (uint32_t k = 0; k < this->goodsuffixsize; ++k) {
        uint32_t shift = 1;
        for (; shift < m; ++shift) {
            bool agrees = true;
            for (uint32_t j = m - (k < m ? k : m); j < m && agrees; ++j)
                if (j >= from && j >= shift && j - shift >= from)
                    agrees = p[j - shift] == p[j];
            if (agrees)
                break;
        }
        goodsuffix[k] = shift;
    }
}

uint32_t qzStringSearcher::Find(qzStringRef text, uint32_t start) const {
    return start > text.length ? qzStringRef::NOTFOUND : Find(text, start, text.length - start);
}

uint32_t qzStringSearcher::Find(qzStringRef text, uint32_t start, uint32_t count) const {
    const uint32_t m = pattern.GetLength();
    if (m < 3)
        return text.Find(pattern.Ref(), start, count);
    if (start > text.length)
        return qzStringRef::NOTFOUND;
    uint64_t end = static_cast<uint64_t>(start) + count;
    if (end > text.length)
        end = text.length;
    if (end - start < m)
        return qzStringRef::NOTFOUND;

    const unsigned char* t = reinterpret_cast<const unsigned char*>(text.data);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(pattern.GetData());
    const unsigned char lastbyte = p[m - 1];
    const int64_t lastshift = badcharacter[lastbyte];
    // w points at the last byte of the window.
    const unsigned char* w = t + start + m - 1;
    const unsigned char* const wlast = t + end - 1;
    while (w <= wlast) {
        if (*w != lastbyte) {
            // The byte after the window must meet its like in the pattern: a shift of up to m + 1.
            if (w == wlast)
                break;
            uint32_t a = badcharacter[*w], b = following[w[1]];
            w += a > b ? a : b;
            continue;
        }
        uint32_t k = 1;
        while (k < m && w[-static_cast<int64_t>(k)] == p[m - 1 - k])
            ++k;
        if (k == m)
            return static_cast<uint32_t>(w - t - (m - 1));
        int64_t bad = static_cast<int64_t>(badcharacter[w[-static_cast<int64_t>(k)]]) - k;
        int64_t good = 1;
        if (goodsuffixsize != 0)
            good = goodsuffix[k < goodsuffixsize ? k : goodsuffixsize - 1];
        // The window's last byte alone also gives a safe shift, often the longest.
        int64_t shift = bad > good ? bad : good;
        w += shift > lastshift ? shift : lastshift;
    }
    return qzStringRef::NOTFOUND;
}
