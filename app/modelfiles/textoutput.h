// Text written straight into an output string, for the text writers of every format. The most the text can
// take is set aside at once, untouched until the text grows into it in small steps, so that the output never
// moves and is written only once; the output is cut to the text's length at the end.
#pragma once

#include "qzcolor.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

class pw2_TextOutput {
public:
    pw2_TextOutput(std::string& out, size_t most) : out(out), used(out.size()) { out.reserve(used + most); }
    ~pw2_TextOutput() { out.resize(used); }
    pw2_TextOutput(const pw2_TextOutput&) = delete;
    pw2_TextOutput& operator=(const pw2_TextOutput&) = delete;

    // Room for at least count more characters, which the Puts after it may fill.
    void Make(size_t count) {
        if (used + count > out.size())
            out.resize(used + std::max<size_t>(count, 1 << 16));
    }
    void Put(std::string_view text) {
        std::memcpy(out.data() + used, text.data(), text.size());
        used += text.size();
    }
    void Put(char c) { out[used++] = c; }
    // A number in the shortest form that reads back to the same value; a byte as its number.
    template <typename T>
    requires std::is_arithmetic_v<T>
    void Put(T value) {
        used = size_t(std::to_chars(out.data() + used, out.data() + out.size(), value).ptr - out.data());
    }
    // The colour's bytes, each after a space, the alpha only when asked: at most 16 characters.
    void PutColor(const qzColor& c, bool alpha) {
        for (uint8_t component : {c.r, c.g, c.b}) {
            Put(' ');
            Put(component);
        }
        if (alpha) {
            Put(' ');
            Put(c.a);
        }
    }

    // The longest a number takes: "-2.2250738585072014e-308".
    static constexpr size_t NUMBER = 32;

private:
    std::string& out;
    size_t used;
};
