#include "stlreader.h"
#include "stlwriter.h"
#include "weld.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

float AwkwardFloat(std::mt19937& random) {
    static const float specials[] = {0.0f, -0.0f, 1e-30f, 3e38f, -3e38f, 1.4e-45f, 0.1f, 1.0f / 3};
    if (random() % 3 == 0)
        return specials[random() % std::size(specials)];
    for (;;) {
        float value = std::bit_cast<float>(uint32_t(random()));
        if (std::isfinite(value))
            return value;
    }
}

// Faces of 0 to 6 corners over points of which some share a position, so that the file repeats corners.
pw2_MeshData RandomMesh(std::mt19937& random) {
    pw2_MeshData mesh;
    uint32_t n = 1 + random() % 30;
    for (uint32_t i = 0; i < n; ++i)
        if (i > 0 && random() % 4 == 0)
            mesh.positions.push_back(mesh.positions[random() % i]);
        else
            mesh.positions.emplace_back(AwkwardFloat(random), AwkwardFloat(random), AwkwardFloat(random));
    for (uint32_t f = random() % 12; f > 0; --f) {
        std::vector<uint32_t> face(random() % 7);
        for (uint32_t& corner : face)
            corner = random() % n;
        mesh.AddFace(face.data(), uint32_t(face.size()));
    }
    return mesh;
}

using Triangle = std::array<double, 9>;
using PositionBits = std::array<uint64_t, 3>;

// The fans of the faces with three corners or more, rounded to floats as STL stores them.
std::vector<Triangle> Triangles(const pw2_MeshData& mesh, bool round) {
    std::vector<Triangle> triangles;
    for (uint32_t f = 0; f < mesh.FaceCount(); ++f)
        for (uint32_t c = mesh.facestarts[f] + 2; c < mesh.facestarts[f + 1]; ++c) {
            Triangle t;
            uint32_t corners[3] = {mesh.corners[mesh.facestarts[f]], mesh.corners[c - 1], mesh.corners[c]};
            for (int k = 0; k < 3; ++k) {
                const qzVector3& p = mesh.positions[corners[k]];
                t[3 * k] = round ? float(p.x) : p.x;
                t[3 * k + 1] = round ? float(p.y) : p.y;
                t[3 * k + 2] = round ? float(p.z) : p.z;
            }
            triangles.push_back(t);
        }
    return triangles;
}

// -0.0 + 0.0 is 0.0: the key of a position as the weld sees it.
std::array<double, 3> Key(const qzVector3& p) {
    return {p.x + 0.0, p.y + 0.0, p.z + 0.0};
}

pw2_MeshData Read(std::string_view data) {
    pw2_Progress progress;
    return pw2_ReadStl(data, progress);
}

std::string Binary(std::string header, const std::vector<std::array<float, 9>>& triangles) {
    header.resize(80, ' ');
    std::string file = header;
    uint32_t count = uint32_t(triangles.size());
    file.append(reinterpret_cast<const char*>(&count), 4);
    for (const std::array<float, 9>& t : triangles) {
        file.append(12, '\0');
        file.append(reinterpret_cast<const char*>(t.data()), 36);
        file.append(2, '\0');
    }
    return file;
}

} // namespace

TEST(StlFiles, RandomMeshesReadBackAsTheSameFloatTrianglesWithSharedCorners) {
    std::mt19937 random(11);
    for (int i = 0; i < 300; ++i) {
        pw2_MeshData mesh = RandomMesh(random);
        std::vector<Triangle> expected = Triangles(mesh, true);
        std::set<std::array<double, 3>> distinct;
        for (const Triangle& t : expected)
            for (int k = 0; k < 3; ++k)
                distinct.insert({t[3 * k] + 0.0, t[3 * k + 1] + 0.0, t[3 * k + 2] + 0.0});
        for (bool binary : {true, false}) {
            SCOPED_TRACE("mesh " + std::to_string(i) + (binary ? ", binary" : ", ASCII"));
            std::string file;
            pw2_WriteStl(mesh, binary, file);
            pw2_MeshData back = Read(file);
            EXPECT_EQ(Triangles(back, false), expected);
            std::set<std::array<double, 3>> points;
            for (const qzVector3& p : back.positions)
                points.insert(Key(p));
            EXPECT_EQ(points, distinct);
            EXPECT_EQ(back.positions.size(), distinct.size());
        }
    }
}

TEST(StlFiles, BinaryTrianglesCarryTheirUnitNormalAndAHeaderThatIsNotASolid) {
    pw2_MeshData mesh;
    mesh.positions = {{0, 0, 0}, {3, 0, 0}, {0, 4, 0}, {0, 0, 5}, {6, 0, 0}};
    const uint32_t quad[] = {0, 1, 2, 3}, slanted[] = {1, 2, 3}, flat[] = {0, 1, 4}, edge[] = {0, 1};
    mesh.AddFace(quad, 4);
    mesh.AddFace(slanted, 3);
    mesh.AddFace(flat, 3);
    mesh.AddFace(edge, 2);
    std::string file;
    pw2_WriteStl(mesh, true, file);
    ASSERT_EQ(file.size(), 84u + 4 * 50);
    EXPECT_NE(file.substr(0, 5), "solid");
    double s = std::sqrt(769.0);
    const double expected[4][3] = {{0, 0, 1}, {1, 0, 0}, {20 / s, 15 / s, 12 / s}, {0, 0, 0}};
    for (int t = 0; t < 4; ++t) {
        float normal[3];
        std::memcpy(normal, file.data() + 84 + 50 * t, 12);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(normal[k], expected[t][k], 1e-7) << "triangle " << t;
    }
}

TEST(StlFiles, HandWrittenFilesReadAsTheirTriangles) {
    struct Case {
        const char* name;
        std::string file;
        std::vector<qzVector3> positions;
        std::vector<uint32_t> corners;
    };
    const Case cases[] = {
        {"several ASCII solids, upper case and odd whitespace",
         "solid first part\n  facet normal 0 0 1\n    outer loop\n      vertex 0 0 0\n      vertex 1 0 0\n"
         "      vertex 0 1 0\n    endloop\n  endfacet\nendsolid first part\n"
         "SOLID\r\n\tFACET NORMAL 0 0 1 OUTER LOOP VERTEX 1 0 0 VERTEX 1 1 0 VERTEX 0 1 0 ENDLOOP "
         "ENDFACET\r\n"
         "ENDSOLID\r\n\r\n"
         "solid\nfacet normal nan 0 0\nouter loop\nvertex 0 0 0\nvertex -0 1 0\nvertex 1e0 +0 0\nendloop\n"
         "endfacet\nendsolid",
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
         {0, 1, 2, 1, 3, 2, 0, 2, 1}},
        {"an ASCII solid without its endsolid",
         "solid x\nfacet normal 0 0 0 outer loop vertex 0 0 0 vertex 0 0 0 "
         "vertex 0.5 0 0 endloop endfacet\n",
         {{0, 0, 0}, {0.5, 0, 0}},
         {0, 0, 1}},
        {"a binary file whose header begins with solid",
         Binary("solid but binary", {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 0, 1, 0, 0, 1, 1, 0}}),
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
         {0, 1, 2, 2, 1, 3}},
        {"ASCII solids without names, all on one line",
         "solid facet normal 0 0 1 outer loop vertex 0 0 0 vertex 1 0 0 vertex 0 1 0 endloop endfacet "
         "endsolid "
         "solid facet normal 0 0 1 outer loop vertex 0 0 0 vertex 0 1 0 vertex 0 0 1 endloop endfacet "
         "endsolid",
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
         {0, 1, 2, 0, 2, 3}},
        {"an empty binary file", Binary("", {}), {}, {}},
        {"an empty ASCII solid", "solid empty\nendsolid empty\n", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pw2_MeshData mesh = Read(c.file);
        std::vector<std::array<double, 3>> positions, expected;
        for (const qzVector3& p : mesh.positions)
            positions.push_back({p.x, p.y, p.z});
        for (const qzVector3& p : c.positions)
            expected.push_back({p.x, p.y, p.z});
        EXPECT_EQ(positions, expected);
        EXPECT_EQ(mesh.corners, c.corners);
        EXPECT_EQ(mesh.FaceCount(), c.corners.size() / 3);
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f)
            EXPECT_EQ(mesh.facestarts[f], 3 * f);
    }
}

TEST(StlFiles, FaultsAreNamedWithTheirLine) {
    const std::string facet =
        "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n"
        "endfacet\n";
    std::string nan = Binary("", {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 0, 1, 0, 0, 0, 1, 0}});
    const float notanumber = std::nanf("");
    std::memcpy(nan.data() + 84 + 50 + 12 + 20, &notanumber, 4);
    struct Case {
        std::string file;
        std::string reason;
        uint64_t line;
    };
    const Case cases[] = {
        {"", "this is not an STL file: it is too short for a binary one and does not begin with \"solid\"",
         0},
        {std::string(100, 'x'),
         "this is not an STL file: its size does not fit the triangle count of a binary one and it does not "
         "begin "
         "with \"solid\"",
         0},
        {"solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0\n",
         "the file ends inside a facet, where a number should follow", 5},
        {"solid x\n" + facet + "facet normal 0 0 1\nouter lop\n", "\"loop\" should follow, not \"lop\"", 10},
        {"solid x\nfacet normal 0 0 1 outer loop vertex 0 0 0\n",
         "the file ends inside a facet, where \"vertex\" "
         "should follow",
         2},
        {"solid x\n" + facet + "facet normal 0 0 1 outer loop\nvertex 0 nan 0\n",
         "facet 1 has a coordinate that is not a finite number", 10},
        {"solid x\nfacet normal 0 0 one\n", "\"one\" is not a number", 2},
        {"solid x\nvertex 0 0 0\n", "\"facet\" or \"endsolid\" should follow, not \"vertex\"", 2},
        {"solid a\nendsolid a\nfoo\n", "\"solid\" should follow, not \"foo\"", 3},
        {nan, "triangle 1 has a coordinate that is not a finite number", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.substr(0, 120));
        try {
            Read(c.file);
            ADD_FAILURE() << "no error";
        } catch (const pw2_ModelFileError& error) {
            EXPECT_EQ(error.reason, c.reason);
            EXPECT_EQ(error.line, c.line);
        }
    }
}

TEST(StlFiles, APointBeyondTheFloatsIsRefusedAndNothingWritten) {
    pw2_MeshData mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1e39, 0}};
    const uint32_t face[] = {0, 1, 2};
    mesh.AddFace(face, 3);
    for (bool binary : {true, false}) {
        std::string file = "before";
        try {
            pw2_WriteStl(mesh, binary, file);
            ADD_FAILURE() << "no error";
        } catch (const pw2_ModelFileError& error) {
            EXPECT_EQ(error.reason, "point 2 lies beyond the range of the numbers an STL file holds");
        }
        EXPECT_EQ(file, "before");
    }
}

TEST(StlFiles, ACancelledReadStopsAndProgressReachesTheEnd) {
    std::vector<std::array<float, 9>> triangles(50000);
    for (size_t t = 0; t < triangles.size(); ++t)
        triangles[t] = {float(t), 0, 0, float(t), 1, 0, float(t + 1), 0, 0};
    std::string file = Binary("", triangles);
    pw2_Progress progress;
    EXPECT_EQ(pw2_ReadStl(file, progress).positions.size(), 100001u);
    EXPECT_EQ(progress.GetFraction(), 1.0);
    progress.Cancel();
    EXPECT_THROW(pw2_ReadStl(file, progress), pw2_Cancelled);
}

TEST(Weld, AgreesWithAnOrderedMapOfPositions) {
    std::mt19937 random(3);
    const double values[] = {0.0, -0.0, 1.0, -1e-300, 1e22};
    for (int i = 0; i < 500; ++i) {
        pw2_MeshData mesh;
        // now and then many points, whose sparse table finds a position only where its hash leads
        uint32_t n = i % 50 == 0 ? 20000 : random() % 40;
        for (uint32_t k = 0; k < n; ++k)
            mesh.positions.emplace_back(values[random() % 5], values[random() % 5], values[random() % 2]);
        for (uint32_t f = n == 0 ? 0 : random() % 10; f > 0; --f) {
            std::vector<uint32_t> face(random() % 6);
            for (uint32_t& corner : face)
                corner = random() % n;
            mesh.AddFace(face.data(), uint32_t(face.size()));
        }
        for (uint32_t l = n == 0 ? 0 : random() % 4; l > 0; --l) {
            mesh.lines.push_back(random() % n);
            mesh.lines.push_back(random() % n);
        }
        // two colours only, so that the points of one position often agree
        int colors = int(random() % 3);
        if (colors >= 1)
            for (uint32_t k = 0; k < n; ++k)
                mesh.pointcolors.push_back(random() % 2 ? qzColor(255, 0, 0) : qzColor(0, 0, 255));
        if (colors == 2)
            mesh.facecolors.assign(mesh.FaceCount(), qzColor(0, 255, 0));

        std::map<std::array<double, 3>, uint32_t> first;
        std::vector<uint32_t> newindex;
        pw2_MeshData expected = mesh;
        expected.positions.clear();
        expected.pointcolors.clear();
        bool lost = false;
        for (uint32_t k = 0; k < n; ++k) {
            auto [it, added] = first.emplace(Key(mesh.positions[k]), uint32_t(first.size()));
            newindex.push_back(it->second);
            if (added) {
                expected.positions.push_back(mesh.positions[k]);
                if (colors >= 1)
                    expected.pointcolors.push_back(mesh.pointcolors[k]);
            } else if (colors >= 1 && !(expected.pointcolors[it->second] == mesh.pointcolors[k]))
                lost = true;
        }
        if (lost && colors == 1)
            for (uint32_t corner : mesh.corners)
                expected.cornercolors.push_back(mesh.pointcolors[corner]);
        for (uint32_t& corner : expected.corners)
            corner = newindex[corner];
        for (uint32_t& point : expected.lines)
            point = newindex[point];

        pw2_WeldByPosition(mesh);
        SCOPED_TRACE(i);
        ASSERT_EQ(mesh.positions.size(), expected.positions.size());
        // bit for bit: the first point of a position keeps its zero's sign
        for (size_t k = 0; k < mesh.positions.size(); ++k)
            EXPECT_EQ(std::bit_cast<PositionBits>(mesh.positions[k]),
                      std::bit_cast<PositionBits>(expected.positions[k]));
        EXPECT_EQ(mesh.corners, expected.corners);
        EXPECT_EQ(mesh.facestarts, expected.facestarts);
        EXPECT_EQ(mesh.lines, expected.lines);
        auto argb = [](const std::vector<qzColor>& colors) {
            std::vector<uint32_t> words;
            for (const qzColor& c : colors)
                words.push_back(c.GetARGB());
            return words;
        };
        EXPECT_EQ(argb(mesh.pointcolors), argb(expected.pointcolors));
        EXPECT_EQ(argb(mesh.facecolors), argb(expected.facecolors));
        EXPECT_EQ(argb(mesh.cornercolors), argb(expected.cornercolors));
    }
}
