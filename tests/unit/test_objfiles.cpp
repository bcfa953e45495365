// The OBJ reader and writer: random meshes come back bit for bit in any number of chunks, the forms the
// writer never writes read as meant, damaged texts read or fail alike in every chunking, and each fault names
// its line.
#include "meshdata_testing.h"
#include "objreader.h"
#include "objwriter.h"

namespace {

using namespace meshdata_testing;

const qzColor WHITE(255, 255, 255);

pw2_MeshData Read(std::string_view text, uint32_t chunks) {
    pw2_Progress progress;
    return pw2_ReadObj(text, progress, chunks);
}

auto InChunks(uint32_t chunks) {
    return [chunks](std::string_view text) { return Read(text, chunks); };
}

// Every statement and form the reader takes, on lines that the damaged texts are made of.
const std::string FORMS = "\xEF\xBB\xBF# a comment that goes on \\\r\n"
                          "v 9 9 9 (still the comment)\r\n"
                          "mtllib a.mtl\r\n"
                          "o thing\r\n"
                          "  v 0 0 0\r\n"
                          "v\t1  0\t0 0.5\r\n"
                          "vt 0 0\r\n"
                          "vn 0 0 1\r\n"
                          "v +1 1 \\\r\n"
                          "  0 1 0.5 0\r\n"
                          "\r\n"
                          "g group\r\n"
                          "usemtl red\r\n"
                          "s 1\r\n"
                          "f 1 2 3\r\n"
                          "f 1/1 2/1 3/1\r\n"
                          "f 1//1 2//1 3//1 # the normal forms\r\n"
                          "f 1/1/1 2/1/1 3/1/1\r\n"
                          "f -3 -2/1 -1//1 4\r\n"
                          "f\r\n"
                          "f 2 2\r\n"
                          "v .5 -1e2 2.5e-1\r\n"
                          "l 1 2 -1 4\r\n"
                          "l 3\r\n"
                          "vp 0.5\r\n"
                          "f 1 2 4";

TEST(ObjFiles, RandomMeshesComeBackBitForBitInAnyNumberOfChunks) {
    uint32_t reads = 0;
    ExpectRoundTrips(7, {.lines = true, .pointcolors = true, .facecolors = false, .alpha = false},
                     pw2_WriteObj, [&](std::string_view text) { return Read(text, 1 + reads++ % 4); });
}

TEST(ObjFiles, ReadsTheFormsTheWriterNeverWrites) {
    // the fifth face's 4 is the point read after it
    pw2_MeshData expected =
        MeshOf({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0.5, -100, 0.25}},
               {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}, {0, 1, 2}, {0, 1, 2, 3}, {}, {1, 1}, {0, 1, 3}},
               {0, 1, 1, 3, 3, 3}, {WHITE, WHITE, qzColor(255, 128, 0), WHITE});
    for (uint32_t chunks = 1; chunks <= 3; ++chunks)
        ExpectSameMesh(expected, Read(FORMS, chunks));
}

TEST(ObjFiles, DamagedTextsReadOrFailAlikeInAnyNumberOfChunks) {
    std::vector<std::string> lines;
    for (size_t at = 0, end; at < FORMS.size(); at = end) {
        end = std::min(FORMS.find('\n', at), FORMS.size() - 1) + 1;
        lines.push_back(FORMS.substr(at, end - at));
    }
    std::mt19937 random(13);
    const std::string damage = "x/-0#\\\n \r.e";
    int failed = 0;
    for (int round = 0; round < 600; ++round) {
        // the forms' lines, now and then one left out or repeated, then a few characters inserted or erased
        std::string text;
        for (const std::string& line : lines)
            for (uint32_t n = random() % 12 == 0 ? 0 : random() % 12 == 0 ? 2 : 1; n > 0; --n)
                text += line;
        for (int hits = random() % 3; hits > 0; --hits) {
            size_t at = random() % (text.size() + 1);
            if (random() % 3 == 0 && at < text.size())
                text.erase(at, 1);
            else
                text.insert(at, 1, damage[random() % damage.size()]);
        }
        std::string single = Outcome(InChunks(1), text);
        failed += single != "read";
        for (uint32_t chunks = 2; chunks <= 4; ++chunks) {
            SCOPED_TRACE(text + "\nin chunks: " + std::to_string(chunks));
            ASSERT_EQ(single, Outcome(InChunks(chunks), text));
            if (single == "read")
                ExpectSameMesh(Read(text, 1), Read(text, chunks));
        }
    }
    // enough of both kinds to mean something
    EXPECT_GT(failed, 150);
    EXPECT_LT(failed, 450);
}

TEST(ObjFiles, FaultsNameTheirLineInAnyNumberOfChunks) {
    const std::vector<Fault> faults = {
        {"v 1 2\n", 1, "expected the z coordinate of a point, found the end of the line"},
        {"v 1 2 3x", 1, "expected the z coordinate of a point, found '3x'"},
        {"v 0 0 0\n\nv nan 0 0\n", 3, "coordinate is not a finite number"},
        {"v 0 1e400 0\n", 1, "coordinate is not a finite number"},
        {"v 0 0 0 1 0.5 inf\n", 1, "colour component is not a finite number"},
        {"v 0 0 0 1 0.5\n", 1,
         "expected the blue component of the point's colour, found the end of the line"},
        {"v 0 0 0 1 1 1 1\n", 1, "expected the end of the line after the point's colour, found '1'"},
        {"v 0 0 0\r\nf 1 0 1\r\n", 2, "face corner 0 does not name a vertex (indices start at 1)"},
        // an index past the points is found once the file's points are counted
        {"v 0 0 0\nv 1 1 1\n\nf 1 2 40\nv 2 2 2\n", 4,
         "face corner 40 is out of range (the file has 3 vertices)"},
        {"f 99999999999999999999\nv 0 0 0\n", 1,
         "face corner 99999999999999999999 is out of range (the file has 1 vertex)"},
        {"v 0 0 0\nf -2 1 1\n", 2, "face corner -2 is out of range (1 vertex precedes it)"},
        {"v 0 0 0\nf 1/x 1 1\n", 2, "expected a face corner such as 3, 3/1, 3//2 or 3/1/2, found '1/x'"},
        {"v 0 0 0\nf 1 a\n", 2, "expected a vertex index for a face corner, found 'a'"},
        {"l 1 5\nv 0 0 0\n", 1, "polyline point 5 is out of range (the file has 1 vertex)"},
        // a single point makes no segment but is still checked, also in a later chunk
        {"# a comment that fills the first chunk\nl -1\n", 2,
         "polyline point -1 is out of range (0 vertices precede it)"},
        {"v 0 0 0\nf 1 \\\n 1 \\\r\n 9\n", 4, "face corner 9 is out of range (the file has 1 vertex)"},
    };
    for (uint32_t chunks = 1; chunks <= 2; ++chunks)
        ExpectFaults(faults, InChunks(chunks));
}

TEST(ObjFiles, ACancelStopsEveryChunk) {
    std::string text;
    pw2_WriteObj(LargeMesh(), text);
    for (uint32_t chunks = 1; chunks <= 2; ++chunks)
        ExpectCancelStops(text, [&](std::string_view t, pw2_Progress& progress) {
            return pw2_ReadObj(t, progress, chunks);
        });
}

} // namespace
