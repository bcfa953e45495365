#include "geometry_invariants.h"
#include "meshbuilder.h"
#include "meshextractor.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

const qzColor WHITE(255, 255, 255, 255);

// The corners of every face, as point indices in list order.
std::vector<std::vector<uint32_t>> FacesOf(const pw2_ModelGeometry& g) {
    std::vector<const pw2_ModelPoint*> points;
    for (const pw2_ModelPoint* p = g.firstpoint; p != nullptr; p = p->next)
        points.push_back(p);
    std::vector<std::vector<uint32_t>> faces;
    for (const pw2_ModelFace* f = g.firstface; f != nullptr; f = f->next) {
        faces.emplace_back();
        for (uint32_t i = 0; i < f->vertexcount; ++i)
            faces.back().push_back(
                uint32_t(std::find(points.begin(), points.end(), f->vertices[i].point) - points.begin()));
    }
    return faces;
}

pw2_MeshData Points(uint32_t count) {
    pw2_MeshData mesh;
    for (uint32_t i = 0; i < count; ++i)
        mesh.positions.emplace_back(i, i * i, -double(i));
    return mesh;
}

// A random mesh whose faces can all be faces: 3 to 8 distinct points each, some points used by no face,
// lines between random points, colours in one of the three forms.
pw2_MeshData RandomMesh(std::mt19937& random, int colorform) {
    pw2_MeshData mesh = Points(2 + random() % 40);
    uint32_t n = uint32_t(mesh.positions.size());
    std::vector<uint32_t> order(n);
    for (uint32_t i = 0; i < n; ++i)
        order[i] = i;
    for (uint32_t f = random() % 12; f > 0 && n >= 3; --f) {
        std::shuffle(order.begin(), order.end(), random);
        mesh.AddFace(order.data(), std::min<uint32_t>(n, 3 + random() % 6));
    }
    for (uint32_t l = random() % 4; l > 0; --l) {
        mesh.lines.push_back(random() % n);
        mesh.lines.push_back(random() % n);
    }
    auto color = [&] {
        return qzColor(uint8_t(random()), uint8_t(random()), uint8_t(random()), uint8_t(random()));
    };
    if (colorform == 1)
        for (uint32_t i = 0; i < n; ++i)
            mesh.pointcolors.push_back(color());
    if (colorform == 2)
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f)
            mesh.facecolors.push_back(color());
    return mesh;
}

} // namespace

TEST(MeshBuilder, FacesThatCannotBeFacesAreDroppedAndCounted) {
    struct Case {
        std::vector<uint32_t> corners;
        std::vector<uint32_t> kept; // empty: dropped
        bool repeats;
    };
    std::vector<uint32_t> large(20);
    for (uint32_t i = 0; i < 20; ++i)
        large[i] = i;
    std::vector<uint32_t> largerepeat = large;
    largerepeat[17] = 3;
    const Case cases[] = {
        {{0, 1, 2}, {0, 1, 2}, false},
        {{0, 0, 1, 2}, {0, 1, 2}, false},
        {{0, 1, 2, 2, 2, 3}, {0, 1, 2, 3}, false},
        {{0, 1, 2, 0}, {0, 1, 2}, false},
        {{0, 1, 2, 0, 0}, {0, 1, 2}, false},
        {{0, 1}, {}, false},
        {{0, 0, 0}, {}, false},
        {{0, 1, 0}, {}, false},
        {{}, {}, false},
        {{0, 1, 0, 2}, {}, true},
        {large, large, false},
        {largerepeat, {}, true},
    };
    for (const Case& c : cases) {
        pw2_MeshData mesh = Points(21);
        mesh.AddFace(c.corners.data(), uint32_t(c.corners.size()));
        pw2_Model model(false);
        pw2_Progress progress;
        pw2_BuildReport report = pw2_BuildGeometry(mesh, *model.currentgeometry, progress);
        std::vector<std::vector<uint32_t>> faces = FacesOf(*model.currentgeometry);
        if (c.kept.empty()) {
            EXPECT_TRUE(faces.empty());
            EXPECT_EQ(report.repeatedpoints, c.repeats ? 1u : 0u);
            EXPECT_EQ(report.fewcorners, c.repeats ? 0u : 1u);
        } else {
            EXPECT_EQ(faces, std::vector<std::vector<uint32_t>>{c.kept});
            EXPECT_EQ(report.DroppedFaces(), 0u);
        }
        EXPECT_EQ(model.currentgeometry->pointcount, 21u);
    }
    EXPECT_EQ((pw2_BuildReport{2, 1}).Reason(), "2 have fewer than three corners, 1 repeats a point");
    EXPECT_EQ((pw2_BuildReport{1, 0}).Reason(), "1 has fewer than three corners");
    EXPECT_EQ((pw2_BuildReport{0, 0}).Reason(), "");
}

TEST(MeshBuilder, CornersTakeTheirOwnColourElseTheFacesElseThePointsElseWhite) {
    pw2_MeshData mesh = Points(4);
    const uint32_t face[] = {0, 1, 2, 3};
    mesh.AddFace(face, 4);
    const qzColor red(255, 0, 0), green(0, 255, 0), blue(0, 0, 255, 128);
    auto corner0 = [&] {
        pw2_Model model(false);
        pw2_Progress progress;
        pw2_BuildGeometry(mesh, *model.currentgeometry, progress);
        return model.currentgeometry->firstface->vertices[0].color;
    };
    EXPECT_EQ(corner0(), WHITE);
    mesh.pointcolors.assign(4, red);
    EXPECT_EQ(corner0(), red);
    mesh.facecolors.assign(1, green);
    EXPECT_EQ(corner0(), green);
    mesh.cornercolors.assign(4, blue);
    EXPECT_EQ(corner0(), blue);
}

TEST(MeshBuilder, AnIndexPastThePointsIsAnErrorNotAnAccess) {
    for (bool line : {false, true}) {
        pw2_MeshData mesh = Points(3);
        const uint32_t face[] = {0, 1, 3};
        if (line)
            mesh.lines = {0, 7};
        else
            mesh.AddFace(face, 3);
        pw2_Model model(false);
        pw2_Progress progress;
        EXPECT_THROW(pw2_BuildGeometry(mesh, *model.currentgeometry, progress), pw2_ModelFileError);
    }
}

TEST(MeshBuilder, ExtractingABuiltMeshGivesItBackWithItsColoursInTheSimplestForm) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        const int colorform = round % 3;
        pw2_MeshData mesh = RandomMesh(random, colorform);
        pw2_Model model(false);
        pw2_Progress progress;
        pw2_BuildGeometry(mesh, *model.currentgeometry, progress);
        ExpectConsistent(*model.currentgeometry);
        pw2_MeshData back = pw2_ExtractMesh(*model.currentgeometry);
        EXPECT_EQ(back.positions.size(), mesh.positions.size());
        for (size_t i = 0; i < back.positions.size(); ++i)
            EXPECT_EQ(back.positions[i].y, mesh.positions[i].y);
        EXPECT_EQ(back.corners, mesh.corners);
        EXPECT_EQ(back.facestarts, mesh.facestarts);
        // the lines that no face runs along come back, each once, either way round
        std::set<std::pair<uint32_t, uint32_t>> faceedges, expectedlines, lines;
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f)
            for (uint32_t c = mesh.facestarts[f]; c < mesh.facestarts[f + 1]; ++c) {
                uint32_t a = mesh.corners[c],
                         b = mesh.corners[c + 1 < mesh.facestarts[f + 1] ? c + 1 : mesh.facestarts[f]];
                faceedges.insert(std::minmax(a, b));
            }
        for (size_t i = 0; i < mesh.lines.size(); i += 2)
            if (mesh.lines[i] != mesh.lines[i + 1] &&
                !faceedges.count(std::minmax(mesh.lines[i], mesh.lines[i + 1])))
                expectedlines.insert(std::minmax(mesh.lines[i], mesh.lines[i + 1]));
        for (size_t i = 0; i < back.lines.size(); i += 2)
            lines.insert(std::minmax(back.lines[i], back.lines[i + 1]));
        EXPECT_EQ(lines, expectedlines);
        EXPECT_EQ(back.lines.size(), 2 * expectedlines.size());
        // every corner keeps its colour through whichever form the extraction chose
        EXPECT_TRUE(back.cornercolors.empty());
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
            for (uint32_t c = mesh.facestarts[f]; c < mesh.facestarts[f + 1]; ++c)
                ASSERT_EQ(back.CornerColor(f, c), mesh.CornerColor(f, c));
        }
        if (colorform == 0) {
            EXPECT_TRUE(back.pointcolors.empty() && back.facecolors.empty());
        }
    }
}

TEST(MeshBuilder, CornersThatDisagreeAtAPointAndInAFaceKeepTheFirstCornersColourPerFace) {
    pw2_MeshData mesh = Points(3);
    const uint32_t face[] = {0, 1, 2};
    mesh.AddFace(face, 3);
    mesh.cornercolors = {qzColor(1, 2, 3), qzColor(4, 5, 6), qzColor(7, 8, 9)};
    pw2_Model model(false);
    pw2_Progress progress;
    pw2_BuildGeometry(mesh, *model.currentgeometry, progress);
    // one face: the corners at each point agree, so the colours stay exact per point
    pw2_MeshData back = pw2_ExtractMesh(*model.currentgeometry);
    EXPECT_EQ(back.pointcolors, (std::vector<qzColor>{qzColor(1, 2, 3), qzColor(4, 5, 6), qzColor(7, 8, 9)}));
    // a second face on the same points with other colours leaves only face colours
    mesh.AddFace(face, 3);
    mesh.cornercolors.insert(mesh.cornercolors.end(), {qzColor(9, 9, 9), qzColor(9, 9, 9), qzColor(9, 9, 9)});
    pw2_Model second(false);
    pw2_BuildGeometry(mesh, *second.currentgeometry, progress);
    back = pw2_ExtractMesh(*second.currentgeometry);
    EXPECT_TRUE(back.pointcolors.empty());
    EXPECT_EQ(back.facecolors, (std::vector<qzColor>{qzColor(1, 2, 3), qzColor(9, 9, 9)}));
}
