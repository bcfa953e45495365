// The Wavefront OBJ writer: v lines in the shortest form that reads back to the same doubles, with r g b
// when the mesh has point colours, f lines with indices from 1, an l line for each polyline segment. Face and
// corner colours have no place in OBJ and are left out.
#include "objwriter.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

namespace {

// Text written straight into the output. The most the text can take is set aside at once, untouched until
// the text grows into it in small steps, so that the output never moves and is written only once; the output
// is cut to the text's length at the end.
class TextOut {
public:
    TextOut(std::string& out, size_t most) : out(out), used(out.size()) { out.reserve(used + most); }
    ~TextOut() { out.resize(used); }

    // Room for at least count more characters.
    void Make(size_t count) {
        if (used + count > out.size())
            out.resize(used + std::max<size_t>(count, 1 << 16));
    }
    void Put(std::string_view text) {
        std::memcpy(out.data() + used, text.data(), text.size());
        used += text.size();
    }
    void Put(char c) { out[used++] = c; }
    void Put(double value) {
        used = size_t(std::to_chars(out.data() + used, out.data() + out.size(), value).ptr - out.data());
    }
    void Put(uint64_t value) {
        used = size_t(std::to_chars(out.data() + used, out.data() + out.size(), value).ptr - out.data());
    }
    // The longest a number takes: "-2.2250738585072014e-308".
    static constexpr size_t NUMBER = 32;

private:
    std::string& out;
    size_t used;
};

// Colour bytes as fractions with three decimals: 255 times the largest error, 0.1275, stays below the half
// that rounding back needs.
struct Fractions {
    Fractions() {
        for (int c = 0; c < 256; ++c) {
            int thousandths = (c * 1000 + 127) / 255;
            std::string& text = texts[c];
            text = std::to_string(thousandths / 1000);
            if (thousandths % 1000 != 0) {
                text += '.' + std::to_string(1000 + thousandths % 1000).substr(1);
                text.erase(text.find_last_not_of('0') + 1);
            }
        }
    }
    std::string texts[256];
};

} // namespace

void pw2_WriteObj(const pw2_MeshData& mesh, std::string& out) {
    static const Fractions fractions;
    const bool colored = !mesh.pointcolors.empty();
    // the longest lines: a point of three 24-character numbers and a colour, a corner of 10 digits, a segment
    const size_t most = mesh.positions.size() * (colored ? 95 : 77) + mesh.corners.size() * 11 +
                        size_t(mesh.FaceCount()) * 2 + mesh.lines.size() / 2 * 24;
    TextOut text(out, most);
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const qzVector3& p = mesh.positions[i];
        text.Make(4 * TextOut::NUMBER);
        text.Put("v ");
        text.Put(p.x);
        text.Put(' ');
        text.Put(p.y);
        text.Put(' ');
        text.Put(p.z);
        if (colored) {
            const qzColor& c = mesh.pointcolors[i];
            for (uint8_t component : {c.r, c.g, c.b}) {
                const std::string& fraction = fractions.texts[component];
                text.Put(' ');
                text.Put(fraction);
            }
        }
        text.Put('\n');
    }
    for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
        text.Make(2);
        text.Put('f');
        for (uint32_t c = mesh.facestarts[f]; c < mesh.facestarts[f + 1]; ++c) {
            text.Make(TextOut::NUMBER + 2);
            text.Put(' ');
            text.Put(uint64_t(mesh.corners[c]) + 1);
        }
        text.Put('\n');
    }
    for (size_t i = 0; i + 1 < mesh.lines.size(); i += 2) {
        text.Make(2 * TextOut::NUMBER + 4);
        text.Put("l ");
        text.Put(uint64_t(mesh.lines[i]) + 1);
        text.Put(' ');
        text.Put(uint64_t(mesh.lines[i + 1]) + 1);
        text.Put('\n');
    }
}
