#include "geometry_invariants.h"
#include "meshbuilder.h"
#include "meshdata_testing.h"
#include "meshextractor.h"
#include "modelfile.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "tempdirectory.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <vector>

namespace {

// A random mesh whose faces can all be faces (3 to 8 distinct corners), with points that no face uses, lines
// (some along a face's side or from a point to itself) and colours in one of the three forms: none (0), per
// point (1), per face (2).
pw2_MeshData RandomModel(std::mt19937& random, bool singleprecision, int colorform) {
    pw2_MeshData mesh;
    uint32_t n = 8 + random() % 40;
    for (uint32_t i = 0; i < n; ++i)
        mesh.positions.emplace_back(meshdata_testing::AwkwardNumber(random, singleprecision),
                                    meshdata_testing::AwkwardNumber(random, singleprecision),
                                    meshdata_testing::AwkwardNumber(random, singleprecision));
    std::vector<uint32_t> order(n);
    for (uint32_t i = 0; i < n; ++i)
        order[i] = i;
    for (uint32_t f = 1 + random() % 20; f > 0; --f) {
        std::shuffle(order.begin(), order.end(), random);
        mesh.AddFace(order.data(), 3 + random() % 6);
    }
    for (uint32_t l = random() % 4; l > 0; --l) {
        mesh.lines.push_back(random() % n);
        mesh.lines.push_back(random() % 3 == 0 ? mesh.lines.back() : uint32_t(random() % n));
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

void Build(const pw2_MeshData& mesh, pw2_ModelGeometry& geometry) {
    pw2_Progress progress;
    pw2_BuildGeometry(mesh, geometry, progress);
}

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

using Triangle = std::array<float, 9>;

// Each face as the fan of triangles from its first corner, in single precision, as STL keeps them.
std::multiset<Triangle> Triangles(const pw2_ModelGeometry& g) {
    std::multiset<Triangle> triangles;
    for (const pw2_ModelFace* f = g.firstface; f != nullptr; f = f->next)
        for (uint32_t i = 1; i + 1 < f->vertexcount; ++i) {
            Triangle t;
            const pw2_ModelPoint* corners[3] = {f->vertices[0].point, f->vertices[i].point,
                                                f->vertices[i + 1].point};
            for (int k = 0; k < 3; ++k) {
                t[3 * k] = float(corners[k]->position.x);
                t[3 * k + 1] = float(corners[k]->position.y);
                t[3 * k + 2] = float(corners[k]->position.z);
            }
            triangles.insert(t);
        }
    return triangles;
}

bool SameBits(const qzVector3& a, const qzVector3& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string Load(pw2_Model& model, const std::string& path) {
    pw2_ModelGeometry* geometry = model.CreateGeometry();
    pw2_Progress progress;
    try {
        pw2_Model::Load(path, *geometry, progress);
    } catch (const pw2_ModelFileError& e) {
        delete geometry;
        return e.what();
    }
    model.Replace(geometry, path);
    return "";
}

} // namespace

TEST(ModelFile, TheFormatFollowsTheExtensionWhateverItsCase) {
    EXPECT_EQ(pw2_GetModelFormat("a/b.OBJ"), pw2_ModelFormat::Obj);
    EXPECT_EQ(pw2_GetModelFormat("b.Ply"), pw2_ModelFormat::Ply);
    EXPECT_EQ(pw2_GetModelFormat("c.stl"), pw2_ModelFormat::Stl);
    EXPECT_EQ(pw2_GetModelFormat("d.off"), pw2_ModelFormat::Off);
    for (const char* other : {"e.gltf", "f.glb", "g", "h.obj/x", "stl", "dir.obj\\model"})
        EXPECT_EQ(pw2_GetModelFormat(other), pw2_ModelFormat::Import) << other;
    EXPECT_FALSE(pw2_IsWritable(pw2_ModelFormat::Import));
}

TEST(ModelFile, RandomModelsSurviveEveryWritableFormat) {
    TempDirectory directory;
    std::mt19937 random(20);
    for (int round = 0; round < 60; ++round) {
        pw2_Model original(false), singles(false);
        Build(RandomModel(random, false, 1 + round % 2), *original.currentgeometry);
        Build(RandomModel(random, true, 0), *singles.currentgeometry);
        const pw2_MeshData before = pw2_ExtractMesh(*original.currentgeometry);
        for (const char* extension : {"obj", "ply", "off", "stl"}) {
            SCOPED_TRACE(std::string(extension) + " round " + std::to_string(round));
            const std::string path = directory / (std::string("model.") + extension);
            (std::string(extension) == "stl" ? singles : original).Save(path);
            pw2_Model loaded(false);
            ASSERT_EQ(Load(loaded, path), "");
            if (std::string(extension) == "stl") {
                EXPECT_EQ(Triangles(*loaded.currentgeometry), Triangles(*singles.currentgeometry));
                continue;
            }
            const pw2_MeshData after = pw2_ExtractMesh(*loaded.currentgeometry);
            ASSERT_EQ(after.positions.size(), before.positions.size());
            for (size_t i = 0; i < after.positions.size(); ++i)
                ASSERT_TRUE(SameBits(after.positions[i], before.positions[i])) << i;
            EXPECT_EQ(after.corners, before.corners);
            EXPECT_EQ(after.facestarts, before.facestarts);
            if (std::string(extension) != "off") {
                EXPECT_EQ(after.lines, before.lines);
            }
            // OBJ carries point colours without alpha only; PLY and OFF carry both forms whole
            const bool exact = std::string(extension) != "obj";
            for (uint32_t f = 0; f < before.FaceCount(); ++f)
                for (uint32_t c = before.facestarts[f]; c < before.facestarts[f + 1]; ++c) {
                    qzColor expected = before.CornerColor(f, c);
                    if (!exact && before.pointcolors.empty())
                        expected = qzColor(255, 255, 255, 255);
                    if (!exact)
                        expected.a = 255;
                    ASSERT_EQ(after.CornerColor(f, c), expected);
                }
        }
    }
}

TEST(ModelFile, AFailedSaveLeavesWhatWasThereAndNoTemporaryFile) {
    TempDirectory directory;
    pw2_Model model;
    directory.Put("kept.ply", "what was there");
    std::filesystem::create_directory(directory / "folder.ply");
    struct Case {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {directory / "missing/model.ply", "the file cannot be written: no such file or directory"},
        {directory / "folder.ply", "the file cannot be replaced: is a directory"},
        {directory / "kept.gltf", "this format can be opened but not saved; save as OBJ, PLY, STL or OFF"},
    };
    for (const Case& c : cases) {
        try {
            model.Save(c.path);
            ADD_FAILURE() << c.path;
        } catch (const pw2_ModelFileError& e) {
            EXPECT_EQ(e.reason, c.reason);
        }
    }
    EXPECT_EQ(model.path, "");
    EXPECT_EQ(directory.Get("kept.ply"), "what was there");
    EXPECT_TRUE(std::filesystem::is_directory(directory / "folder.ply"));
    // a save over a file replaces it whole, through a temporary file that goes again
    directory.Put("kept.ply.saving", "someone else's");
    model.Save(directory / "kept.ply");
    EXPECT_EQ(model.path, directory / "kept.ply");
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(directory.path))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 2u);
    EXPECT_EQ(directory.Get("kept.ply.saving"), "someone else's");
    pw2_Model loaded(false);
    EXPECT_EQ(Load(loaded, directory / "kept.ply"), "");
    EXPECT_EQ(loaded.currentgeometry->pointcount, 212u);
    EXPECT_EQ(loaded.currentgeometry->facecount, 162u);
    EXPECT_EQ(loaded.currentgeometry->edgecount, 320u);
}

TEST(ModelFile, LoadsAndSavesLogTheirOutcome) {
    TempDirectory directory;
    // a quad, a face that repeats a point and one of two corners
    directory.Put("drops.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\nf 1 2 1 3\nf 1 2\n");
    const std::string path = directory / "drops.obj";
    pw2_Model model(false);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Load(model, path), "");
    model.Save(directory / "out.ply");
    EXPECT_NE(Load(model, directory / "absent.obj"), "");
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(log, "[pw2_Model] Loaded \"" + path + "\": 4 points, 4 edges, 1 faces.\n" +
                       "[pw2_Model] Dropped 2 faces of \"" + path +
                       "\": 1 has fewer than three corners, 1 repeats a point.\n" + "[pw2_Model] Saved \"" +
                       directory / "out.ply" + "\": 4 points, 4 edges, 1 faces.\n" +
                       "[pw2_Model] Failed to load \"" + directory / "absent.obj" +
                       "\": the file cannot be read: no such file or directory.\n");
    // the failed load left the model as it was
    EXPECT_EQ(model.path, directory / "out.ply");
    EXPECT_EQ(model.currentgeometry->facecount, 1u);
}

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
    EXPECT_EQ(corner0(), qzColor(255, 255, 255, 255));
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
    for (int round = 0; round < 200; ++round) {
        const int colorform = round % 3;
        pw2_MeshData mesh = RandomModel(random, false, colorform);
        pw2_Model model(false);
        Build(mesh, *model.currentgeometry);
        ExpectConsistent(*model.currentgeometry);
        pw2_MeshData back = pw2_ExtractMesh(*model.currentgeometry);
        EXPECT_EQ(back.positions.size(), mesh.positions.size());
        for (size_t i = 0; i < back.positions.size(); ++i)
            ASSERT_TRUE(SameBits(back.positions[i], mesh.positions[i]));
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

TEST(MeshBuilder, CornersThatDisagreeAtAPointAndInAFaceGiveEachFaceItsFirstCornersColour) {
    pw2_MeshData mesh = Points(3);
    const uint32_t face[] = {0, 1, 2};
    mesh.AddFace(face, 3);
    mesh.AddFace(face, 3);
    mesh.cornercolors = {qzColor(1, 2, 3), qzColor(4, 5, 6), qzColor(7, 8, 9),
                         qzColor(9, 9, 9), qzColor(9, 9, 9), qzColor(9, 9, 9)};
    pw2_Model model(false);
    pw2_Progress progress;
    pw2_BuildGeometry(mesh, *model.currentgeometry, progress);
    pw2_MeshData back = pw2_ExtractMesh(*model.currentgeometry);
    EXPECT_TRUE(back.pointcolors.empty());
    EXPECT_EQ(back.facecolors, (std::vector<qzColor>{qzColor(1, 2, 3), qzColor(9, 9, 9)}));
}
