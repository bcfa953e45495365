// The OFF reader and writer: random meshes come back bit for bit with their point and face colours, the
// keyword's variants and the colour forms read as meant, and each fault names its line.
#include "meshdata_testing.h"
#include "offreader.h"
#include "offwriter.h"

namespace {

using namespace meshdata_testing;

const qzColor WHITE(255, 255, 255);

pw2_MeshData Read(std::string_view text) {
    pw2_Progress progress;
    return pw2_ReadOff(text, progress);
}

TEST(OffFiles, RandomMeshesComeBackBitForBit) {
    ExpectRoundTrips(5, {.lines = false, .pointcolors = true, .facecolors = true, .alpha = true},
                     pw2_WriteOff, Read);
}

TEST(OffFiles, ReadsTheKeywordsVariantsAndColourForms) {
    const std::vector<qzVector3> two = {{1, 2, 3}, {4, 5, 6}};
    const std::pair<std::string, pw2_MeshData> forms[] = {
        {"# counts on the keyword's line, comments and blank lines\n\nOFF 2 0 0 # here\n\n1 2 3\n# "
         "between\n4 5 6",
         MeshOf(two, {})},
        {"2 0\r\n1 2 3\r\n4 5 6\r\n", MeshOf(two, {})},
        {"\xEF\xBB\xBFNOFF\n2 0 0\n1 2 3 0 0 1\n4 5 6 0 1 0\n", MeshOf(two, {})},
        {"STOFF\n2 0 0\n1 2 3 0.5 1\n4 5 6 0 0\n", MeshOf(two, {})},
        // bytes when every component is written as an integer, else fractions
        {"COFF\n2 0 0\n1 2 3 1 0.5 0\n4 5 6 10 20 30 40\n",
         MeshOf(two, {}, {}, {qzColor(255, 128, 0), qzColor(10, 20, 30, 40)})},
        {"CNOFF\n2 0 0\n1 2 3 0 0 1 0 0 255\n4 5 6 0 0 1 1.0 1 1 0.2\n",
         MeshOf(two, {}, {}, {qzColor(0, 0, 255), qzColor(255, 255, 255, 51)})},
        {"STCNOFF\n2 0 0\n1 2 3 0 0 1 7 8 9 0 1\n4 5 6 1 0 0 0 0 0 1 1 0\n",
         MeshOf(two, {}, {}, {qzColor(7, 8, 9), qzColor(0, 0, 0, 1)})},
        // a face without a colour is white when another has one; a single number names a colour map entry,
        // which is not read
        {"OFF\n2 5 0\n1 2 3\n4 5 6\n3 0 1 1\n3 0 1 1 1.0 0.5 0.0\n3 1 1 0 4\n0 10 20 30 40\n2 1 1\n",
         MeshOf(two, {{0, 1, 1}, {0, 1, 1}, {1, 1, 0}, {}, {1, 1}}, {}, {},
                {WHITE, qzColor(255, 128, 0), WHITE, qzColor(10, 20, 30, 40), WHITE})},
    };
    for (const auto& [text, mesh] : forms) {
        SCOPED_TRACE(text);
        ExpectSameMesh(mesh, Read(text));
    }
}

TEST(OffFiles, FaultsNameTheirLine) {
    ExpectFaults(
        {
            {"# nothing\n\n", 2, "the file is empty"},
            {"OFF\n", 1, "expected the number of vertices, found the end of the file"},
            {"CSTOFF\n", 1,
             "expected the OFF keyword (OFF, COFF, NOFF, CNOFF, STOFF and the like) or the counts, found "
             "'CSTOFF'"},
            {"OFF\n1 x 0\n", 2, "expected the number of faces, found 'x'"},
            {"OFF\n-1 0 0\n", 2, "expected the number of vertices, found '-1'"},
            {"OFF\n5000000000 0 0\n", 2, "the file has more than 4294967295 vertices"},
            {"OFF\n2000000000 1 0\n0 0 0", 2,
             "the file is too short for the 2000000000 vertices and 1 face its header announces"},
            {"OFF\n1 0 0\n\n0 0\n", 4, "expected 3 numbers for a vertex (x y z), found 2"},
            {"OFF\n1 0 0\n0 0 0 junk\n", 3, "expected a number for a vertex, found 'junk'"},
            {"OFF\n1 0 0\n0 nan 0\n", 3, "coordinate is not a finite number"},
            {"COFF\n1 0 0\n0 0 0 0.5 inf 0\n", 3, "colour component is not a finite number"},
            {"OFF\n2 1 0\n0 0 0\n1 1 1\n3 0 1 2\n", 5,
             "face corner 2 is out of range (the file has 2 vertices)"},
            {"OFF\n1 1 0\n0 0 0\n3 0 -1 0\n", 4, "face corner -1 is out of range (the file has 1 vertex)"},
            {"OFF\n1 1 0\n0 0 0\n3 0 0.5 0\n", 4, "expected a vertex index for a face corner, found '0.5'"},
            {"OFF\n1 1 0\n0 0 0\n3 0 0\n", 4, "expected 3 corners for the face, found 2"},
            {"OFF\n1 1 0\n0 0 0\n1 0 300 0 0\n", 4, "colour component 300 is not in 0..255"},
            {"OFF\n2 0 0\n0 0 0\n# a comment long enough\n", 4, "the file ends after 1 of its 2 vertices"},
            {"OFF\n1 2 0\n0 0 0\n1 0\n# done\n", 5, "the file ends after 1 of its 2 faces"},
            {"OFF\n1 0 0\n0 0 0\n0 0 0\n", 4, "expected the end of the file after the last face, found '0'"},
        },
        Read);
}

TEST(OffFiles, ACancelStopsTheRead) {
    std::string text;
    pw2_WriteOff(LargeMesh(), text);
    ExpectCancelStops(text, pw2_ReadOff);
}

} // namespace
