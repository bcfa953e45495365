// The OFF writer: OFF, or COFF with r g b a bytes after each point when the mesh has point colours; the
// counts; points in the shortest form that reads back to the same doubles; faces with their colour bytes
// when the mesh has face colours. Polylines and corner colours have no place in OFF and are left out.
#include "offwriter.h"

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
    void PutColor(const qzColor& c) {
        for (uint8_t component : {c.r, c.g, c.b, c.a}) {
            Put(' ');
            Put(uint64_t(component));
        }
    }
    // The longest a number takes: "-2.2250738585072014e-308".
    static constexpr size_t NUMBER = 32;

private:
    std::string& out;
    size_t used;
};

} // namespace

void pw2_WriteOff(const pw2_MeshData& mesh, std::string& out) {
    const bool pointcolors = !mesh.pointcolors.empty();
    const bool facecolors = !mesh.facecolors.empty();
    // the longest lines: a point of three 24-character numbers and a colour, a face of its corners of 10
    // digits each and a colour
    const size_t most = 32 + mesh.positions.size() * (pointcolors ? 91 : 75) + mesh.corners.size() * 11 +
                        size_t(mesh.FaceCount()) * (facecolors ? 27 : 11);
    TextOut text(out, most);
    text.Make(3 * TextOut::NUMBER + 8);
    text.Put(pointcolors ? "COFF\n" : "OFF\n");
    text.Put(uint64_t(mesh.positions.size()));
    text.Put(' ');
    text.Put(uint64_t(mesh.FaceCount()));
    // the edge count, which readers do not use
    text.Put(" 0\n");
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const qzVector3& p = mesh.positions[i];
        text.Make(4 * TextOut::NUMBER);
        text.Put(p.x);
        text.Put(' ');
        text.Put(p.y);
        text.Put(' ');
        text.Put(p.z);
        if (pointcolors)
            text.PutColor(mesh.pointcolors[i]);
        text.Put('\n');
    }
    for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
        text.Make(TextOut::NUMBER);
        text.Put(uint64_t(mesh.facestarts[f + 1] - mesh.facestarts[f]));
        for (uint32_t c = mesh.facestarts[f]; c < mesh.facestarts[f + 1]; ++c) {
            text.Make(TextOut::NUMBER);
            text.Put(' ');
            text.Put(uint64_t(mesh.corners[c]));
        }
        text.Make(TextOut::NUMBER);
        if (facecolors)
            text.PutColor(mesh.facecolors[f]);
        text.Put('\n');
    }
}
