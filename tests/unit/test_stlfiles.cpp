// The STL reader and writer and the weld: random meshes come back as the same float triangles over shared
// corners in both encodings, binary triangles carry their unit normals, hand-written files read as their
// triangles, each fault is named with its line, and the weld agrees with an ordered map of positions.
#include "meshdata_testing.h"
#include "stlreader.h"
#include "stlwriter.h"
#include "weld.h"

#include <cstring>
#include <map>
#include <set>

namespace {

using namespace meshdata_testing;

using Triangle = std::array<double, 9>;

pw2_MeshData Read(std::string_view data) {
    pw2_Progress progress;
    return pw2_ReadStl(data, progress);
}

// The fans of the faces with three corners or more, rounded to floats as STL stores them when asked.
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

std::string Binary(std::string header, const std::vector<std::array<float, 9>>& triangles) {
    header.resize(80, ' ');
    uint32_t count = uint32_t(triangles.size());
    header.append(reinterpret_cast<const char*>(&count), 4);
    for (const std::array<float, 9>& t : triangles) {
        header.append(12, '\0');
        header.append(reinterpret_cast<const char*>(t.data()), 36);
        header.append(2, '\0');
    }
    return header;
}

TEST(StlFiles, RandomMeshesReadBackAsTheSameFloatTrianglesOverDistinctPoints) {
    std::mt19937 random(11);
    for (int i = 0; i < 300; ++i) {
        pw2_MeshData mesh = RandomMesh(random, true);
        std::vector<Triangle> expected = Triangles(mesh, true);
        std::set<std::array<double, 3>> distinct;
        for (const Triangle& t : expected)
            for (int k = 0; k < 9; k += 3)
                distinct.insert(Key(qzVector3(t[k], t[k + 1], t[k + 2])));
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
    pw2_MeshData mesh = MeshOf({{0, 0, 0}, {3, 0, 0}, {0, 4, 0}, {0, 0, 5}, {6, 0, 0}},
                               {{0, 1, 2, 3}, {1, 2, 3}, {0, 1, 4}, {0, 1}});
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
    const std::vector<qzVector3> square = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    const std::pair<std::string, pw2_MeshData> files[] = {
        // several ASCII solids, upper case and odd whitespace
        {"solid first part\n  facet normal 0 0 1\n    outer loop\n      vertex 0 0 0\n      vertex 1 0 0\n"
         "      vertex 0 1 0\n    endloop\n  endfacet\nendsolid first part\n"
         "SOLID\r\n\tFACET NORMAL 0 0 1 OUTER LOOP VERTEX 1 0 0 VERTEX 1 1 0 VERTEX 0 1 0 ENDLOOP "
         "ENDFACET\r\n"
         "ENDSOLID\r\n\r\nsolid\nfacet normal nan 0 0\nouter loop\nvertex 0 0 0\nvertex -0 1 0\nvertex 1e0 "
         "+0 0\n"
         "endloop\nendfacet\nendsolid",
         MeshOf(square, {{0, 1, 2}, {1, 3, 2}, {0, 2, 1}})},
        // without its endsolid
        {"solid x\nfacet normal 0 0 0 outer loop vertex 0 0 0 vertex 0 0 0 vertex 0.5 0 0 endloop endfacet\n",
         MeshOf({{0, 0, 0}, {0.5, 0, 0}}, {{0, 0, 1}})},
        {Binary("solid but binary", {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 0, 1, 0, 0, 1, 1, 0}}),
         MeshOf(square, {{0, 1, 2}, {2, 1, 3}})},
        // solids without names, all on one line
        {"solid facet normal 0 0 1 outer loop vertex 0 0 0 vertex 1 0 0 vertex 0 1 0 endloop endfacet "
         "endsolid "
         "solid facet normal 0 0 1 outer loop vertex 0 0 0 vertex 0 1 0 vertex 0 0 1 endloop endfacet "
         "endsolid",
         MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}, {0, 2, 3}})},
        {Binary("", {}), MeshOf({}, {})},
        {"solid empty\nendsolid empty\n", MeshOf({}, {})},
    };
    for (const auto& [file, mesh] : files) {
        SCOPED_TRACE(file.substr(0, 100));
        ExpectSameMesh(mesh, Read(file));
    }
}

TEST(StlFiles, FaultsAreNamedWithTheirLine) {
    const std::string facet =
        "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n";
    std::string nan = Binary("", {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 0, 1, 0, 0, 0, std::nanf(""), 0}});
    ExpectFaults(
        {
            {"", 0,
             "this is not an STL file: it is too short for a binary one and does not begin with \"solid\""},
            {std::string(100, 'x'), 0,
             "this is not an STL file: its size does not fit the triangle count of a binary one and it does "
             "not "
             "begin with \"solid\""},
            {"solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0\n", 5,
             "the file ends inside a facet, where a number should follow"},
            {"solid x\n" + facet + "facet normal 0 0 1\nouter lop\n", 10,
             "\"loop\" should follow, not \"lop\""},
            {"solid x\nfacet normal 0 0 1 outer loop vertex 0 0 0\n", 2,
             "the file ends inside a facet, where \"vertex\" should follow"},
            {"solid x\n" + facet + "facet normal 0 0 1 outer loop\nvertex 0 nan 0\n", 10,
             "facet 1 has a coordinate that is not a finite number"},
            {"solid x\nfacet normal 0 0 one\n", 2, "\"one\" is not a number"},
            // a long word is shown cut short, its control characters as '?'
            {"solid x\nfacet normal 0 0 \x7f" + std::string(100000, 'z') + "\n", 2,
             "\"?" + std::string(23, 'z') + "...\" is not a number"},
            {"solid x\nvertex 0 0 0\n", 2, "\"facet\" or \"endsolid\" should follow, not \"vertex\""},
            {"solid a\nendsolid a\nfoo\n", 3, "\"solid\" should follow, not \"foo\""},
            {nan, 0, "triangle 1 has a coordinate that is not a finite number"},
        },
        Read);
}

TEST(StlFiles, APointBeyondTheFloatsIsRefusedAndNothingWritten) {
    pw2_MeshData mesh = MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1e39, 0}}, {{0, 1, 2}});
    for (bool binary : {true, false}) {
        std::string file = "before";
        EXPECT_EQ(Outcome([&](std::string_view) { pw2_WriteStl(mesh, binary, file); }, ""),
                  "line 0: point 2 lies beyond the range of the numbers an STL file holds");
        EXPECT_EQ(file, "before");
    }
}

TEST(StlFiles, ACancelStopsTheRead) {
    std::string file;
    pw2_WriteStl(LargeMesh(), true, file);
    ExpectCancelStops(file, pw2_ReadStl);
}

TEST(Weld, AgreesWithAnOrderedMapOfPositions) {
    std::mt19937 random(3);
    const double values[] = {0.0, -0.0, 1.0, -1e-300, 1e22};
    for (int i = 0; i < 500; ++i) {
        pw2_MeshData mesh = RandomMesh(random);
        // positions and colours of few values, so that points often share them; now and then many points,
        // whose sparse table finds a position only where its hash leads
        mesh.positions.resize(i % 50 == 0 ? 20000 : mesh.positions.size());
        for (qzVector3& p : mesh.positions)
            p = qzVector3(values[random() % 5], values[random() % 5], values[random() % 2]);
        if (!mesh.pointcolors.empty()) {
            mesh.pointcolors.resize(mesh.positions.size());
            for (qzColor& c : mesh.pointcolors)
                c = random() % 2 ? qzColor(255, 0, 0) : qzColor(0, 0, 255);
        }

        std::map<std::array<double, 3>, uint32_t> first;
        std::vector<uint32_t> newindex;
        pw2_MeshData expected = mesh;
        expected.positions.clear();
        expected.pointcolors.clear();
        bool lost = false;
        for (size_t k = 0; k < mesh.positions.size(); ++k) {
            auto [it, added] = first.emplace(Key(mesh.positions[k]), uint32_t(first.size()));
            newindex.push_back(it->second);
            bool colored = !mesh.pointcolors.empty();
            if (added) {
                expected.positions.push_back(mesh.positions[k]);
                if (colored)
                    expected.pointcolors.push_back(mesh.pointcolors[k]);
            } else if (colored && !(expected.pointcolors[it->second] == mesh.pointcolors[k]))
                lost = true;
        }
        // a lost point colour lives on in the corners, unless they or the faces have colours of their own
        if (lost && mesh.cornercolors.empty() && mesh.facecolors.empty())
            for (uint32_t corner : mesh.corners)
                expected.cornercolors.push_back(mesh.pointcolors[corner]);
        for (uint32_t& corner : expected.corners)
            corner = newindex[corner];
        for (uint32_t& point : expected.lines)
            point = newindex[point];

        pw2_WeldByPosition(mesh);
        SCOPED_TRACE(i);
        // bit for bit: the first point of a position keeps its zero's sign
        ExpectSameMesh(expected, mesh);
    }
}

} // namespace
