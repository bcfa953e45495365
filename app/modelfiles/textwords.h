// The words of a text that any control character or space separates (the ASCII bodies of PLY and STL), with
// the line each is on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class pw2_TextWords {
public:
    pw2_TextWords(std::string_view text, size_t start, uint64_t line)
        : begin(text.data()), p(text.data() + start), end(text.data() + text.size()), line(line) {}

    // The next word; empty at the end of the text, where the line stays that of the last word.
    std::string_view Next() {
        const char* q = p;
        uint64_t l = line;
        while (q < end && IsSeparator(*q)) {
            if (*q == '\n')
                ++l;
            ++q;
        }
        if (q == end)
            return std::string_view();
        p = q;
        line = l;
        const char* start = p;
        while (p < end && !IsSeparator(*p))
            ++p;
        return std::string_view(start, size_t(p - start));
    }
    // Up to the end of the current line.
    void SkipLine() {
        while (p < end && *p != '\n')
            ++p;
    }
    size_t Offset() const { return size_t(p - begin); }
    size_t BytesLeft() const { return size_t(end - p); }
    uint64_t Line() const { return line; }

private:
    static bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }

    const char* begin;
    const char* p;
    const char* end;
    uint64_t line;
};

// A word of a file as an error message shows it: at most 24 characters, the unprintable ones as '?', and
// "..." where the word goes on, so that a long run of garbage never becomes a long message.
inline std::string pw2_Excerpt(std::string_view word) {
    constexpr size_t SHOWN = 24;
    std::string text;
    for (char c : word.substr(0, SHOWN))
        text += c >= ' ' && c < 127 ? c : '?';
    return word.size() > SHOWN ? text + "..." : text;
}
