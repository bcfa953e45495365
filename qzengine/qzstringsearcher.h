// A prepared search for one pattern that is looked for many times (Boyer-Moore); it finds exactly what
// qzStringRef::Find finds.
#pragma once

#include "qzstring.h"

#include <cstdint>

class qzStringSearcher {
public:
    // goodsuffixsize: entries of the good-suffix table (at most 40, 0 for none); limit: how many of the
    // pattern's last bytes the table is computed over (0 for all).
    qzStringSearcher(qzStringRef pattern, uint32_t goodsuffixsize = 40, uint32_t limit = 0);

    uint32_t Find(qzStringRef text, uint32_t start) const;
    uint32_t Find(qzStringRef text, uint32_t start, uint32_t count) const;

    static constexpr uint32_t MAXGOODSUFFIX = 40;

private:
    qzString pattern;
    uint32_t badcharacter[256];
    uint32_t following[256]; // shift by the byte just after the window
    uint32_t goodsuffix[MAXGOODSUFFIX];
    uint32_t goodsuffixsize;
};
