// The OFF writer: OFF, or COFF with r g b a bytes after each point when the mesh has point colours; the
// counts; points in the shortest form that reads back to the same doubles; faces with their colour bytes
// when the mesh has face colours. Polylines and corner colours have no place in OFF and are left out.
#include "offwriter.h"

#include "textoutput.h"

void pw2_WriteOff(const pw2_MeshData& mesh, std::string& out) {
    const bool pointcolors = !mesh.pointcolors.empty();
    const bool facecolors = !mesh.facecolors.empty();
    // the longest lines: a point of three 24-character numbers and a colour, a face of its corners of 10
    // digits each and a colour
    const size_t most = 32 + mesh.positions.size() * (pointcolors ? 91 : 75) + mesh.corners.size() * 11 +
                        size_t(mesh.FaceCount()) * (facecolors ? 27 : 11);
    pw2_TextOutput text(out, most);
    text.Make(3 * pw2_TextOutput::NUMBER + 8);
    text.Put(pointcolors ? "COFF\n" : "OFF\n");
    text.Put(mesh.positions.size());
    text.Put(' ');
    text.Put(mesh.FaceCount());
    // the edge count, which readers do not use
    text.Put(" 0\n");
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        const qzVector3& p = mesh.positions[i];
        text.Make(4 * pw2_TextOutput::NUMBER);
        text.Put(p.x);
        text.Put(' ');
        text.Put(p.y);
        text.Put(' ');
        text.Put(p.z);
        if (pointcolors)
            text.PutColor(mesh.pointcolors[i], true);
        text.Put('\n');
    }
    for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
        text.Make(pw2_TextOutput::NUMBER);
        text.Put(mesh.facestarts[f + 1] - mesh.facestarts[f]);
        for (uint32_t c = mesh.facestarts[f]; c < mesh.facestarts[f + 1]; ++c) {
            text.Make(pw2_TextOutput::NUMBER);
            text.Put(' ');
            text.Put(mesh.corners[c]);
        }
        text.Make(pw2_TextOutput::NUMBER);
        if (facecolors)
            text.PutColor(mesh.facecolors[f], true);
        text.Put('\n');
    }
}
