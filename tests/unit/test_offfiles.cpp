// The OFF reader and writer: random meshes come back bit for bit with their point and face colours, the
// keyword's variants and the colour forms read as meant, and each fault names its line.
#include "offreader.h"
#include "offwriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

const qzColor WHITE(255, 255, 255, 255);

double AwkwardDouble(std::mt19937& random) {
    // zeros of both signs, a fraction binary cannot hold, large and small powers, the smallest normal and
    // subnormal numbers and the largest
    static const double specials[] = {0.0, -0.0, 0.1, -1e22, 1e22, 1.0 / 3, 1e-300, 5e-324, DBL_MIN, DBL_MAX};
    if (random() % 3 == 0)
        return specials[random() % std::size(specials)];
    for (;;) {
        double value = std::bit_cast<double>((uint64_t(random()) << 32) | random());
        if (std::isfinite(value))
            return value;
    }
}

qzColor RandomColor(std::mt19937& random) {
    return qzColor(uint8_t(random()), uint8_t(random()), uint8_t(random()), uint8_t(random()));
}

// Faces of 0 to 8 corners that may repeat points, colours on points, faces or neither, and what OFF cannot
// keep: polylines and corner colours.
pw2_MeshData RandomMesh(std::mt19937& random) {
    pw2_MeshData mesh;
    uint32_t n = random() % 40;
    for (uint32_t i = 0; i < n; ++i)
        mesh.positions.emplace_back(AwkwardDouble(random), AwkwardDouble(random), AwkwardDouble(random));
    for (uint32_t f = random() % 20; f > 0; --f) {
        uint32_t corners[8];
        uint32_t count = n == 0 ? 0 : random() % 9;
        for (uint32_t c = 0; c < count; ++c)
            corners[c] = random() % n;
        mesh.AddFace(corners, count);
    }
    if (random() % 2)
        for (uint32_t i = 0; i < n; ++i)
            mesh.pointcolors.push_back(RandomColor(random));
    if (random() % 2)
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f)
            mesh.facecolors.push_back(RandomColor(random));
    if (n > 0)
        mesh.lines = {0, n - 1};
    mesh.cornercolors.assign(mesh.corners.size(), qzColor(1, 2, 3));
    return mesh;
}

std::vector<std::array<uint64_t, 3>> Bits(const pw2_MeshData& mesh) {
    std::vector<std::array<uint64_t, 3>> bits;
    for (const qzVector3& p : mesh.positions)
        bits.push_back(
            {std::bit_cast<uint64_t>(p.x), std::bit_cast<uint64_t>(p.y), std::bit_cast<uint64_t>(p.z)});
    return bits;
}

std::vector<uint32_t> ARGB(const std::vector<qzColor>& colors) {
    std::vector<uint32_t> values;
    for (const qzColor& c : colors)
        values.push_back(c.GetARGB());
    return values;
}

// Lines and corner colours are not compared: OFF has neither.
void ExpectSameMesh(const pw2_MeshData& expected, const pw2_MeshData& actual) {
    EXPECT_EQ(Bits(expected), Bits(actual));
    EXPECT_EQ(expected.corners, actual.corners);
    EXPECT_EQ(expected.facestarts, actual.facestarts);
    EXPECT_EQ(ARGB(expected.pointcolors), ARGB(actual.pointcolors));
    EXPECT_EQ(ARGB(expected.facecolors), ARGB(actual.facecolors));
    EXPECT_TRUE(actual.lines.empty());
    EXPECT_TRUE(actual.cornercolors.empty());
}

pw2_MeshData Read(const std::string& text) {
    pw2_Progress progress;
    return pw2_ReadOff(text, progress);
}

TEST(OffFiles, RandomMeshesComeBackBitForBit) {
    std::mt19937 random(5);
    for (int round = 0; round < 300; ++round) {
        pw2_MeshData mesh = RandomMesh(random);
        std::string text = "left alone";
        pw2_WriteOff(mesh, text);
        ASSERT_EQ(0u, text.find("left alone"));
        ExpectSameMesh(mesh, Read(text.substr(10)));
    }
}

TEST(OffFiles, ReadsTheKeywordsVariantsAndColourForms) {
    struct Case {
        const char* text;
        std::vector<qzVector3> positions;
        std::vector<qzColor> pointcolors;
    };
    const std::vector<qzVector3> two = {{1, 2, 3}, {4, 5, 6}};
    const Case cases[] = {
        {"# counts on the keyword's line, comments and blank lines\n\nOFF 2 0 0 # here\n\n1 2 3\n# "
         "between\n4 5 "
         "6",
         two,
         {}},
        {"2 0\r\n1 2 3\r\n4 5 6\r\n", two, {}},
        {"\xEF\xBB\xBFNOFF\n2 0 0\n1 2 3 0 0 1\n4 5 6 0 1 0\n", two, {}},
        {"STOFF\n2 0 0\n1 2 3 0.5 1\n4 5 6 0 0\n", two, {}},
        {"COFF\n2 0 0\n1 2 3 1 0.5 0\n4 5 6 10 20 30 40\n",
         two,
         {qzColor(255, 128, 0), qzColor(10, 20, 30, 40)}},
        {"CNOFF\n2 0 0\n1 2 3 0 0 1 0 0 255\n4 5 6 0 0 1 1.0 1 1 0.2\n",
         two,
         {qzColor(0, 0, 255), qzColor(255, 255, 255, 51)}},
        {"STCNOFF\n2 0 0\n1 2 3 0 0 1 7 8 9 0 1\n4 5 6 1 0 0 0 0 0 1 1 0\n",
         two,
         {qzColor(7, 8, 9), qzColor(0, 0, 0, 1)}},
    };
    for (const Case& c : cases) {
        pw2_MeshData expected;
        expected.positions = c.positions;
        expected.pointcolors = c.pointcolors;
        SCOPED_TRACE(c.text);
        ExpectSameMesh(expected, Read(c.text));
    }
}

TEST(OffFiles, FacesWithoutAColourAreWhiteWhenAnotherHasOne) {
    pw2_MeshData mesh = Read("OFF\n3 5 0\n0 0 0\n1 0 0\n0 1 0\n"
                             "3 0 1 2\n"
                             "3 0 1 2 1.0 0.5 0.0\n"
                             "3 2 1 0 4\n"
                             "0 10 20 30 40\n"
                             "2 1 1\n");
    const uint32_t faces[] = {0, 1, 2, 0, 1, 2, 2, 1, 0, 1, 1};
    EXPECT_EQ(std::vector<uint32_t>(faces, faces + 11), mesh.corners);
    EXPECT_EQ((std::vector<uint32_t>{0, 3, 6, 9, 9, 11}), mesh.facestarts);
    // the single number of the third face names a colour map entry, which is not read
    EXPECT_EQ(ARGB({WHITE, qzColor(255, 128, 0), WHITE, qzColor(10, 20, 30, 40), WHITE}),
              ARGB(mesh.facecolors));
}

TEST(OffFiles, FaultsNameTheirLine) {
    struct Case {
        const char* text;
        uint64_t line;
        const char* reason;
    };
    const Case cases[] = {
        {"", 1, "the file is empty"},
        {"# nothing\n\n", 2, "the file is empty"},
        {"OFF\n", 1, "expected the number of vertices, found the end of the file"},
        {"PLY\n", 1,
         "expected the OFF keyword (OFF, COFF, NOFF, CNOFF, STOFF and the like) or the counts, found 'PLY'"},
        {"CSTOFF\n", 1, "found 'CSTOFF'"},
        {"4OFF\n", 1, "four-dimensional OFF files are not supported"},
        {"nOFF\n3\n", 1, "OFF files with their own dimension (nOFF) are not supported"},
        {"OFF BINARY\n", 1, "binary OFF files are not supported"},
        {"OFF\n1 x 0\n", 2, "expected the number of faces, found 'x'"},
        {"OFF\n-1 0 0\n", 2, "expected the number of vertices, found '-1'"},
        {"OFF 1 0 0 junk\n0 0 0\n", 1, "expected the end of the line after the counts, found 'junk'"},
        {"OFF\n5000000000 0 0\n", 2, "the file has more than 4294967295 vertices"},
        {"OFF\n2000000000 1 0\n0 0 0", 2,
         "the file is too short for the 2000000000 vertices and 1 face its header announces"},
        {"OFF\n1 0 0\n\n0 0\n", 4, "expected 3 numbers for a vertex (x y z), found 2"},
        {"COFF\n1 0 0\n0 0 0 1 0\n", 3, "expected 6 or 7 numbers for a vertex (x y z, a colour), found 5"},
        {"OFF\n1 0 0\n0 0 0 junk\n", 3, "expected a number for a vertex, found 'junk'"},
        {"OFF\n1 0 0\n0 nan 0\n", 3, "coordinate is not a finite number"},
        {"COFF\n1 0 0\n0 0 0 0.5 inf 0\n", 3, "colour component is not a finite number"},
        {"OFF\n2 1 0\n0 0 0\n1 1 1\n3 0 1 2\n", 5, "face corner 2 is out of range (the file has 2 vertices)"},
        {"OFF\n1 1 0\n0 0 0\n3 0 -1 0\n", 4, "face corner -1 is out of range (the file has 1 vertex)"},
        {"OFF\n1 1 0\n0 0 0\n3 0 0.5 0\n", 4, "expected a vertex index for a face corner, found '0.5'"},
        {"OFF\n1 1 0\n0 0 0\n3 0 0\n", 4, "expected 3 corners for the face, found 2"},
        {"OFF\n1 1 0\n0 0 0\nx 0 0\n", 4, "expected the number of corners of a face, found 'x'"},
        {"OFF\n1 1 0\n0 0 0\n3 0 0 0 1 0\n", 4,
         "expected a colour of 3 or 4 components after the face's corners"},
        {"OFF\n1 1 0\n0 0 0\n1 0 300 0 0\n", 4, "colour component 300 is not in 0..255"},
        {"COFF\n1 0 0\n0 0 0 0 99999999999999999999999 0\n", 3,
         "colour component 99999999999999999999999 is not in 0..255"},
        {"OFF\n2 0 0\n0 0 0\n# a comment long enough\n", 4, "the file ends after 1 of its 2 vertices"},
        {"OFF\n1 2 0\n0 0 0\n1 0\n# done\n", 5, "the file ends after 1 of its 2 faces"},
        {"OFF\n1 0 0\n0 0 0\n0 0 0\n", 4, "expected the end of the file after the last face, found '0'"},
    };
    for (const Case& c : cases) {
        try {
            Read(c.text);
            ADD_FAILURE() << c.text << " was read";
        } catch (const pw2_ModelFileError& e) {
            EXPECT_EQ(c.line, e.line) << c.text;
            EXPECT_NE(std::string::npos, e.reason.find(c.reason)) << c.text << " gave " << e.reason;
        }
    }
}

TEST(OffFiles, ACancelStopsTheRead) {
    pw2_MeshData mesh;
    for (int i = 0; i < 200000; ++i)
        mesh.positions.emplace_back(0.1 * i, 0.2 * i, 0.3 * i);
    std::string text;
    pw2_WriteOff(mesh, text);
    ASSERT_GT(text.size(), 2u << 20);
    pw2_Progress progress;
    progress.Cancel();
    EXPECT_THROW(pw2_ReadOff(text, progress), pw2_Cancelled);
}

} // namespace
