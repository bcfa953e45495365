// PLY writer: the header, then the body in one pass, binary into space sized up front or ASCII with
// numbers in their shortest round-trip form.
#include "plywriter.h"

#include "byteorder.h"
#include "textoutput.h"

#include <algorithm>

namespace {

bool HasTranslucent(const std::vector<qzColor>& colors) {
    return std::any_of(colors.begin(), colors.end(), [](const qzColor& c) { return c.a != 255; });
}

// What the header declares, and so what the body holds.
struct Layout {
    explicit Layout(const pw2_MeshData& mesh) {
        points = mesh.positions.size();
        faces = mesh.FaceCount();
        edges = mesh.lines.size() / 2;
        pointcolors = !mesh.pointcolors.empty() && mesh.pointcolors.size() == points;
        facecolors = !mesh.facecolors.empty() && mesh.facecolors.size() == faces;
        pointalpha = pointcolors && HasTranslucent(mesh.pointcolors);
        facealpha = facecolors && HasTranslucent(mesh.facecolors);
        for (size_t f = 0; f < faces; ++f)
            widecount = widecount || mesh.facestarts[f + 1] - mesh.facestarts[f] > 255;
    }

    size_t points, faces, edges;
    bool pointcolors, facecolors, pointalpha, facealpha;
    // a face of more than 255 corners needs a wider list length than a byte
    bool widecount = false;
};

void AppendColorProperties(std::string& out, bool alpha) {
    out += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    if (alpha)
        out += "property uchar alpha\n";
}

void AppendHeader(std::string& out, const Layout& layout, pw2_PlyEncoding encoding) {
    out += "ply\nformat ";
    out += encoding == pw2_PlyEncoding::Ascii                ? "ascii"
           : encoding == pw2_PlyEncoding::BinaryLittleEndian ? "binary_little_endian"
                                                             : "binary_big_endian";
    out += " 1.0\ncomment Facetwright v6\nelement vertex " + std::to_string(layout.points) +
           "\nproperty double x\nproperty double y\nproperty double z\n";
    if (layout.pointcolors)
        AppendColorProperties(out, layout.pointalpha);
    out += "element face " + std::to_string(layout.faces) + "\nproperty list " +
           (layout.widecount ? "uint" : "uchar") + " uint vertex_indices\n";
    if (layout.facecolors)
        AppendColorProperties(out, layout.facealpha);
    if (layout.edges != 0)
        out += "element edge " + std::to_string(layout.edges) +
               "\nproperty uint vertex1\nproperty uint vertex2\n";
    out += "end_header\n";
}

// Values stored one after the other in the file's byte order, into space the caller sized.
template <bool BIGENDIAN> class BinaryOut {
public:
    explicit BinaryOut(char* p) : p(p) {}

    template <typename T> void Put(T value) { p = pw2_StoreNumber<BIGENDIAN>(p, value); }
    // The alpha byte only when asked: a colour may be the last bytes of the output.
    void Put(const qzColor& color, bool alpha) {
        for (uint8_t component : {color.r, color.g, color.b})
            *p++ = char(component);
        if (alpha)
            *p++ = char(color.a);
    }

private:
    char* p;
};

template <bool BIGENDIAN>
void AppendBinaryBody(std::string& out, const pw2_MeshData& mesh, const Layout& layout) {
    size_t pointbytes = 24 + (layout.pointcolors ? (layout.pointalpha ? 4 : 3) : 0);
    size_t facebytes = (layout.widecount ? 4 : 1) + (layout.facecolors ? (layout.facealpha ? 4 : 3) : 0);
    size_t corners = layout.faces == 0 ? 0 : mesh.facestarts[layout.faces];
    size_t bytes = layout.points * pointbytes + layout.faces * facebytes + corners * 4 + layout.edges * 8;
    size_t start = out.size();
    out.resize(start + bytes);
    BinaryOut<BIGENDIAN> body(out.data() + start);
    for (size_t i = 0; i < layout.points; ++i) {
        const qzVector3& p = mesh.positions[i];
        body.Put(p.x);
        body.Put(p.y);
        body.Put(p.z);
        if (layout.pointcolors)
            body.Put(mesh.pointcolors[i], layout.pointalpha);
    }
    for (size_t f = 0; f < layout.faces; ++f) {
        uint32_t first = mesh.facestarts[f], last = mesh.facestarts[f + 1];
        if (layout.widecount)
            body.Put(last - first);
        else
            body.Put(uint8_t(last - first));
        for (uint32_t c = first; c < last; ++c)
            body.Put(mesh.corners[c]);
        if (layout.facecolors)
            body.Put(mesh.facecolors[f], layout.facealpha);
    }
    for (size_t e = 0; e < layout.edges; ++e) {
        body.Put(mesh.lines[2 * e]);
        body.Put(mesh.lines[2 * e + 1]);
    }
}

// Numbers in their shortest round-trip form, separated by spaces, an element a line.
void AppendAsciiBody(std::string& out, const pw2_MeshData& mesh, const Layout& layout) {
    constexpr size_t NUMBER = pw2_TextOutput::NUMBER;
    // the longest lines: a point of three 24-character numbers and a colour, a face of its count and corners
    // of 10 digits each and a colour, an edge
    const size_t corners = layout.faces == 0 ? 0 : mesh.facestarts[layout.faces];
    const size_t most = layout.points * (layout.pointcolors ? 91 : 75) +
                        layout.faces * (layout.facecolors ? 27 : 11) + corners * 11 + layout.edges * 22;
    pw2_TextOutput text(out, most);
    for (size_t i = 0; i < layout.points; ++i) {
        const qzVector3& p = mesh.positions[i];
        text.Make(4 * NUMBER);
        text.Put(p.x);
        text.Put(' ');
        text.Put(p.y);
        text.Put(' ');
        text.Put(p.z);
        if (layout.pointcolors)
            text.PutColor(mesh.pointcolors[i], layout.pointalpha);
        text.Put('\n');
    }
    for (size_t f = 0; f < layout.faces; ++f) {
        uint32_t first = mesh.facestarts[f], last = mesh.facestarts[f + 1];
        text.Make(NUMBER);
        text.Put(last - first);
        for (uint32_t c = first; c < last; ++c) {
            text.Make(NUMBER);
            text.Put(' ');
            text.Put(mesh.corners[c]);
        }
        text.Make(NUMBER);
        if (layout.facecolors)
            text.PutColor(mesh.facecolors[f], layout.facealpha);
        text.Put('\n');
    }
    for (size_t e = 0; e < layout.edges; ++e) {
        text.Make(2 * NUMBER);
        text.Put(mesh.lines[2 * e]);
        text.Put(' ');
        text.Put(mesh.lines[2 * e + 1]);
        text.Put('\n');
    }
}

} // namespace

void pw2_WritePly(const pw2_MeshData& mesh, pw2_PlyEncoding encoding, std::string& out) {
    Layout layout(mesh);
    AppendHeader(out, layout, encoding);
    if (encoding == pw2_PlyEncoding::BinaryLittleEndian)
        AppendBinaryBody<false>(out, mesh, layout);
    else if (encoding == pw2_PlyEncoding::BinaryBigEndian)
        AppendBinaryBody<true>(out, mesh, layout);
    else
        AppendAsciiBody(out, mesh, layout);
}
