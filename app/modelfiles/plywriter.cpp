// PLY writer: the header, then the body in one pass, binary into space sized up front or ASCII with
// numbers in their shortest round-trip form.
#include "plywriter.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>

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

template <typename U> U SwapBytes(U value) {
    if constexpr (sizeof(U) == 1)
        return value;
    else if constexpr (sizeof(U) == 4)
        return __builtin_bswap32(value);
    else
        return __builtin_bswap64(value);
}

// Values stored one after the other in the file's byte order, into space the caller sized.
template <bool BIGENDIAN> class BinaryOut {
public:
    explicit BinaryOut(char* p) : p(p) {}

    void Put(double value) { PutBits(std::bit_cast<uint64_t>(value)); }
    void Put(uint32_t value) { PutBits(value); }
    void Put(uint8_t value) { *p++ = char(value); }
    void Put(const qzColor& color, bool alpha) {
        p[0] = char(color.r);
        p[1] = char(color.g);
        p[2] = char(color.b);
        p[3] = char(color.a);
        p += alpha ? 4 : 3;
    }

private:
    template <typename U> void PutBits(U bits) {
        if constexpr (BIGENDIAN != (std::endian::native == std::endian::big))
            bits = SwapBytes(bits);
        std::memcpy(p, &bits, sizeof bits);
        p += sizeof bits;
    }

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

// Numbers into a line buffer, each followed by a space; the line's last space becomes its newline.
class AsciiLine {
public:
    explicit AsciiLine(std::string& out) : out(out) {}

    template <typename T> void Put(T value) {
        // a double's shortest form is at most 24 characters
        if (end - p < 32)
            Flush();
        p = std::to_chars(p, end, value).ptr;
        *p++ = ' ';
    }
    void Put(const qzColor& color, bool alpha) {
        Put(unsigned(color.r));
        Put(unsigned(color.g));
        Put(unsigned(color.b));
        if (alpha)
            Put(unsigned(color.a));
    }
    void End() {
        p[-1] = '\n';
        Flush();
    }

private:
    void Flush() {
        out.append(buffer, size_t(p - buffer));
        p = buffer;
    }

    std::string& out;
    char buffer[512];
    char* p = buffer;
    char* const end = buffer + sizeof buffer;
};

void AppendAsciiBody(std::string& out, const pw2_MeshData& mesh, const Layout& layout) {
    AsciiLine line(out);
    for (size_t i = 0; i < layout.points; ++i) {
        const qzVector3& p = mesh.positions[i];
        line.Put(p.x);
        line.Put(p.y);
        line.Put(p.z);
        if (layout.pointcolors)
            line.Put(mesh.pointcolors[i], layout.pointalpha);
        line.End();
    }
    for (size_t f = 0; f < layout.faces; ++f) {
        uint32_t first = mesh.facestarts[f], last = mesh.facestarts[f + 1];
        line.Put(last - first);
        for (uint32_t c = first; c < last; ++c)
            line.Put(mesh.corners[c]);
        if (layout.facecolors)
            line.Put(mesh.facecolors[f], layout.facealpha);
        line.End();
    }
    for (size_t e = 0; e < layout.edges; ++e) {
        line.Put(mesh.lines[2 * e]);
        line.Put(mesh.lines[2 * e + 1]);
        line.End();
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
