// STL writer: every face of three or more corners as the fan of triangles from its first corner, with the
// unit normal of each, binary into space sized up front or ASCII with floats in their shortest round-trip
// form.
#include "stlwriter.h"

#include "byteorder.h"
#include "textoutput.h"

#include <cmath>
#include <cstring>
#include <string_view>

namespace {

// A binary header must not begin with "solid", or readers that trust it take the file for ASCII.
constexpr std::string_view BINARYHEADER = "binary STL written by Facetwright";

struct FloatPoint {
    float v[3];
};

struct Triangle {
    FloatPoint normal;
    FloatPoint corners[3];
};

// The corner as STL stores it; a coordinate beyond a float's range would make a file that no reader takes.
FloatPoint ToFloat(const pw2_MeshData& mesh, uint32_t point) {
    const qzVector3& p = mesh.positions[point];
    FloatPoint f{{float(p.x), float(p.y), float(p.z)}};
    if (!std::isfinite(f.v[0]) || !std::isfinite(f.v[1]) || !std::isfinite(f.v[2]))
        throw pw2_ModelFileError("point " + std::to_string(point) +
                                 " lies beyond the range of the numbers an STL file holds");
    return f;
}

// The unit normal of the triangle as stored, 0 0 0 when it has no area (or none that a double can measure).
FloatPoint UnitNormal(const FloatPoint corners[3]) {
    qzVector3 a(corners[0].v[0], corners[0].v[1], corners[0].v[2]);
    qzVector3 b(corners[1].v[0], corners[1].v[1], corners[1].v[2]);
    qzVector3 c(corners[2].v[0], corners[2].v[1], corners[2].v[2]);
    qzVector3 n = (b - a).Cross(c - a);
    double length = n.Norm();
    if (!(length > 0) || !std::isfinite(length))
        return FloatPoint{{0, 0, 0}};
    n *= 1 / length;
    return FloatPoint{{float(n.x), float(n.y), float(n.z)}};
}

uint64_t CountTriangles(const pw2_MeshData& mesh) {
    uint64_t count = 0;
    for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
        uint32_t corners = mesh.facestarts[f + 1] - mesh.facestarts[f];
        if (corners >= 3)
            count += corners - 2;
    }
    return count;
}

// Calls write with every triangle of the fans, in face order.
template <typename Write> void ForEachTriangle(const pw2_MeshData& mesh, Write&& write) {
    Triangle triangle;
    for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
        uint32_t first = mesh.facestarts[f], last = mesh.facestarts[f + 1];
        if (last - first < 3)
            continue;
        triangle.corners[0] = ToFloat(mesh, mesh.corners[first]);
        triangle.corners[2] = ToFloat(mesh, mesh.corners[first + 1]);
        for (uint32_t c = first + 2; c < last; ++c) {
            triangle.corners[1] = triangle.corners[2];
            triangle.corners[2] = ToFloat(mesh, mesh.corners[c]);
            triangle.normal = UnitNormal(triangle.corners);
            write(triangle);
        }
    }
}

void PutPoint(char*& p, const FloatPoint& point) {
    for (float v : point.v)
        p = pw2_StoreNumber<false>(p, v);
}

void AppendBinary(const pw2_MeshData& mesh, uint32_t count, std::string& out) {
    size_t start = out.size();
    out.resize(start + 84 + size_t(count) * 50);
    char* p = out.data() + start;
    std::memset(p, ' ', 80);
    std::memcpy(p, BINARYHEADER.data(), BINARYHEADER.size());
    p = pw2_StoreNumber<false>(p + 80, count);
    ForEachTriangle(mesh, [&](const Triangle& triangle) {
        PutPoint(p, triangle.normal);
        for (const FloatPoint& corner : triangle.corners)
            PutPoint(p, corner);
        // the attribute word, which carries nothing
        p[0] = p[1] = 0;
        p += 2;
    });
}

void PutPointText(pw2_TextOutput& text, const FloatPoint& point) {
    for (float v : point.v) {
        text.Put(' ');
        text.Put(v);
    }
    text.Put('\n');
}

void AppendAscii(const pw2_MeshData& mesh, uint32_t count, std::string& out) {
    // the most a facet takes: its keywords and twelve floats of at most 15 characters each
    constexpr size_t TRIANGLE = 270;
    pw2_TextOutput text(out, 40 + size_t(count) * TRIANGLE);
    text.Make(TRIANGLE);
    text.Put("solid facetwright\n");
    ForEachTriangle(mesh, [&](const Triangle& triangle) {
        text.Make(TRIANGLE);
        text.Put("facet normal");
        PutPointText(text, triangle.normal);
        text.Put("  outer loop\n");
        for (const FloatPoint& corner : triangle.corners) {
            text.Put("    vertex");
            PutPointText(text, corner);
        }
        text.Put("  endloop\nendfacet\n");
    });
    text.Make(TRIANGLE);
    text.Put("endsolid facetwright\n");
}

} // namespace

void pw2_WriteStl(const pw2_MeshData& mesh, bool binary, std::string& out) {
    uint64_t count = CountTriangles(mesh);
    if (count > UINT32_MAX)
        throw pw2_ModelFileError(
            "the model has more than 4294967295 triangles, more than an STL file can hold");
    size_t start = out.size();
    try {
        if (binary)
            AppendBinary(mesh, uint32_t(count), out);
        else
            AppendAscii(mesh, uint32_t(count), out);
    } catch (const pw2_ModelFileError&) {
        out.resize(start);
        throw;
    }
}
