// The Wavefront OBJ writer: v lines in the shortest form that reads back to the same doubles, with r g b
// when the mesh has point colours, f lines with indices from 1, an l line for each polyline segment. Face and
// corner colours have no place in OBJ and are left out.
#include "objwriter.h"

#include "textoutput.h"

namespace {

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
    pw2_TextOutput text(out, most);
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const qzVector3& p = mesh.positions[i];
        text.Make(4 * pw2_TextOutput::NUMBER);
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
            text.Make(pw2_TextOutput::NUMBER + 2);
            text.Put(' ');
            text.Put(uint64_t(mesh.corners[c]) + 1);
        }
        text.Put('\n');
    }
    for (size_t i = 0; i + 1 < mesh.lines.size(); i += 2) {
        text.Make(2 * pw2_TextOutput::NUMBER + 4);
        text.Put("l ");
        text.Put(uint64_t(mesh.lines[i]) + 1);
        text.Put(' ');
        text.Put(uint64_t(mesh.lines[i + 1]) + 1);
        text.Put('\n');
    }
}
