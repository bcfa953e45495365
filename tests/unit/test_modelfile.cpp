#include "meshbuilder.h"
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

// Any finite double; with singleprecision, one that single precision holds apart from its neighbours, as STL
// needs.
double AwkwardDouble(std::mt19937& random, bool singleprecision) {
    static const double specials[] = {0.0, -0.0, 0.1, -1e22, 123456789.125, 1.0 / 3, 1e-300, 5e-324};
    if (random() % 4 == 0)
        return specials[random() % (singleprecision ? 6 : 8)];
    for (;;) {
        double value = std::bit_cast<double>((uint64_t(random()) << 32) | random());
        if (std::isfinite(value) &&
            (!singleprecision || (std::fabs(value) < 1e30 && std::fabs(value) > 1e-30)))
            return value;
    }
}

// A random geometry of faces with 3 to 8 distinct corners, points no face uses, loose edges, and colours per
// point or per face.
void BuildRandom(std::mt19937& random, pw2_ModelGeometry& geometry, bool singleprecision) {
    pw2_MeshData mesh;
    uint32_t n = 8 + random() % 40;
    for (uint32_t i = 0; i < n; ++i)
        mesh.positions.emplace_back(AwkwardDouble(random, singleprecision),
                                    AwkwardDouble(random, singleprecision),
                                    AwkwardDouble(random, singleprecision));
    std::vector<uint32_t> order(n);
    for (uint32_t i = 0; i < n; ++i)
        order[i] = i;
    for (uint32_t f = 1 + random() % 20; f > 0; --f) {
        std::shuffle(order.begin(), order.end(), random);
        mesh.AddFace(order.data(), 3 + random() % 6);
    }
    for (uint32_t l = random() % 3; l > 0; --l) {
        mesh.lines.push_back(random() % n);
        mesh.lines.push_back((mesh.lines.back() + 1) % n);
    }
    if (random() % 2)
        for (uint32_t i = 0; i < n; ++i)
            mesh.pointcolors.emplace_back(uint8_t(random()), uint8_t(random()), uint8_t(random()));
    else
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f)
            mesh.facecolors.emplace_back(uint8_t(random()), uint8_t(random()), uint8_t(random()),
                                         uint8_t(random()));
    pw2_Progress progress;
    pw2_BuildGeometry(mesh, geometry, progress);
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
        BuildRandom(random, *original.currentgeometry, false);
        BuildRandom(random, *singles.currentgeometry, true);
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
