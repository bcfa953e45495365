// The OBJ reader and writer: random meshes come back bit for bit, random texts in every form read as their
// generator meant whatever the number of chunks, damaged texts fail alike in every chunking, and each fault
// names its line.
#include "objreader.h"
#include "objwriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <charconv>
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

// Faces of 0 to 8 corners that may repeat points, polylines, and point colours when asked; face and corner
// colours too, which OBJ cannot keep.
pw2_MeshData RandomMesh(std::mt19937& random, bool colored) {
    pw2_MeshData mesh;
    uint32_t n = 1 + random() % 40;
    for (uint32_t i = 0; i < n; ++i)
        mesh.positions.emplace_back(AwkwardDouble(random), AwkwardDouble(random), AwkwardDouble(random));
    for (uint32_t f = random() % 20; f > 0; --f) {
        uint32_t corners[8];
        uint32_t count = random() % 9;
        for (uint32_t c = 0; c < count; ++c)
            corners[c] = random() % n;
        mesh.AddFace(corners, count);
        mesh.facecolors.emplace_back(uint8_t(random()), 0, 0);
    }
    for (uint32_t l = random() % 4; l > 0; --l) {
        mesh.lines.push_back(random() % n);
        mesh.lines.push_back(random() % n);
    }
    if (colored)
        for (uint32_t i = 0; i < n; ++i)
            mesh.pointcolors.emplace_back(uint8_t(random()), uint8_t(random()), uint8_t(random()));
    mesh.cornercolors.assign(mesh.corners.size(), qzColor(1, 2, 3));
    return mesh;
}

void ExpectSameMesh(const pw2_MeshData& expected, const pw2_MeshData& actual) {
    auto bits = [](const pw2_MeshData& mesh) {
        std::vector<std::array<uint64_t, 3>> bits;
        for (const qzVector3& p : mesh.positions)
            bits.push_back(
                {std::bit_cast<uint64_t>(p.x), std::bit_cast<uint64_t>(p.y), std::bit_cast<uint64_t>(p.z)});
        return bits;
    };
    auto argb = [](const std::vector<qzColor>& colors) {
        std::vector<uint32_t> values;
        for (const qzColor& c : colors)
            values.push_back(c.GetARGB());
        return values;
    };
    EXPECT_EQ(bits(expected), bits(actual));
    EXPECT_EQ(expected.corners, actual.corners);
    EXPECT_EQ(expected.facestarts, actual.facestarts);
    EXPECT_EQ(expected.lines, actual.lines);
    EXPECT_EQ(argb(expected.pointcolors), argb(actual.pointcolors));
    EXPECT_TRUE(actual.facecolors.empty());
    EXPECT_TRUE(actual.cornercolors.empty());
}

pw2_MeshData Read(const std::string& text, uint32_t chunks = 1) {
    pw2_Progress progress;
    return pw2_ReadObj(text, progress, chunks);
}

// The reason and line of the fault, or "read" when the text reads.
std::string Outcome(const std::string& text, uint32_t chunks) {
    try {
        Read(text, chunks);
        return "read";
    } catch (const pw2_ModelFileError& e) {
        return "line " + std::to_string(e.line) + ": " + e.reason;
    }
}

TEST(ObjFiles, RandomMeshesComeBackBitForBit) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        pw2_MeshData mesh = RandomMesh(random, round % 2 == 0);
        std::string text = "# left alone\n";
        pw2_WriteObj(mesh, text);
        ASSERT_EQ(0u, text.find("# left alone\n"));
        mesh.facecolors.clear();
        mesh.cornercolors.clear();
        ExpectSameMesh(mesh, Read(text, 1 + random() % 4));
    }
}

TEST(ObjFiles, EveryColourByteComesBack) {
    pw2_MeshData mesh;
    for (int c = 0; c < 256; ++c) {
        mesh.positions.emplace_back(c, 0, 0);
        mesh.pointcolors.emplace_back(uint8_t(c), uint8_t(255 - c), uint8_t(c * 7));
    }
    std::string text;
    pw2_WriteObj(mesh, text);
    ExpectSameMesh(mesh, Read(text));
}

// A text in every form the reader takes, with the mesh it stands for.
struct Sample {
    std::string text;
    pw2_MeshData mesh;
};

class SampleWriter {
public:
    explicit SampleWriter(std::mt19937& random) : random(random) {}

    Sample Write() {
        uint32_t points = random() % 30;
        // the statements, each a point or not, in a random order
        std::vector<bool> order(points, true);
        order.resize(points + random() % 30, false);
        std::shuffle(order.begin(), order.end(), random);
        for (bool point : order) {
            if (random() % 5 == 0)
                Other();
            if (point)
                Point();
            else if (random() % 4 != 0)
                Face(points);
            else
                Polyline(points);
        }
        if (colored)
            sample.mesh.pointcolors.resize(sample.mesh.positions.size(), WHITE);
        // sometimes no final line end
        if (random() % 3 == 0)
            while (!sample.text.empty() && (sample.text.back() == '\n' || sample.text.back() == '\r'))
                sample.text.pop_back();
        return std::move(sample);
    }

private:
    // Blanks between words: spaces, tabs or a backslash that joins the next line.
    std::string Blank() {
        switch (random() % 8) {
        case 0:
            return "\t";
        case 1:
            return "  \t ";
        case 2:
            return " \\\n";
        case 3:
            return " \\\r\n ";
        default:
            return " ";
        }
    }
    std::string LineEnd() {
        switch (random() % 6) {
        case 0:
            return "\r\n";
        case 1:
            return "  # a comment\n";
        case 2:
            return "\n\n";
        default:
            return "\n";
        }
    }
    std::string Number(double value) {
        char buffer[32];
        return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
    }
    void Point() {
        qzVector3 p(AwkwardDouble(random), AwkwardDouble(random), AwkwardDouble(random));
        sample.mesh.positions.push_back(p);
        sample.text += (random() % 4 == 0 ? " v" : "v") + Blank() + Number(p.x) + Blank() + Number(p.y) +
                       Blank() + Number(p.z);
        switch (random() % 4) {
        case 0: {
            uint8_t bytes[3];
            for (uint8_t& byte : bytes) {
                double fraction = (random() % 1001) / 1000.0;
                byte = uint8_t(std::lround(fraction * 255));
                sample.text += Blank() + Number(fraction);
            }
            if (!colored)
                sample.mesh.pointcolors.assign(sample.mesh.positions.size() - 1, WHITE);
            colored = true;
            sample.mesh.pointcolors.emplace_back(bytes[0], bytes[1], bytes[2]);
            break;
        }
        case 1:
            sample.text += Blank() + "1.5";
            [[fallthrough]];
        default:
            if (colored)
                sample.mesh.pointcolors.push_back(WHITE);
        }
        sample.text += LineEnd();
    }
    // A point index, positive or counted back from the last point so far.
    std::string Index(uint32_t points, uint32_t& index) {
        uint32_t before = uint32_t(sample.mesh.positions.size());
        if (before > 0 && random() % 3 == 0) {
            uint32_t back = 1 + random() % before;
            index = before - back;
            return "-" + std::to_string(back);
        }
        index = random() % points;
        return std::to_string(index + 1);
    }
    void Face(uint32_t points) {
        uint32_t count = points == 0 ? 0 : random() % 7;
        sample.text += "f";
        std::vector<uint32_t> corners(count);
        for (uint32_t& corner : corners) {
            static const char* const forms[] = {"", "/4", "//2", "/1/3"};
            sample.text += Blank() + Index(points, corner) + forms[random() % 4];
        }
        sample.mesh.AddFace(corners.data(), count);
        sample.text += LineEnd();
    }
    void Polyline(uint32_t points) {
        uint32_t count = points == 0 ? 0 : random() % 5;
        sample.text += "l";
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t index;
            sample.text += Blank() + Index(points, index) + (random() % 4 == 0 ? "/2" : "");
            if (i > 0) {
                sample.mesh.lines.push_back(previous);
                sample.mesh.lines.push_back(index);
            }
            previous = index;
        }
        sample.text += LineEnd();
    }
    void Other() {
        static const char* const others[] = {"# f 1 2 3",  "g a group",       "o object", "s off",
                                             "usemtl red", "mtllib a.mtl",    "vt 0.5 1", "vn 0 0 1",
                                             "vp 0.5",     "# v 1 2 \\\nf 9", "",         "   ",
                                             "\t"};
        sample.text += std::string(others[random() % std::size(others)]) + LineEnd();
    }

    std::mt19937& random;
    Sample sample;
    bool colored = false;
    uint32_t previous = 0;
};

TEST(ObjFiles, RandomTextsReadAsWrittenInAnyNumberOfChunks) {
    std::mt19937 random(11);
    for (int round = 0; round < 250; ++round) {
        Sample sample = SampleWriter(random).Write();
        for (uint32_t chunks = 1; chunks <= 4; ++chunks) {
            SCOPED_TRACE(sample.text + "\nin chunks: " + std::to_string(chunks));
            ExpectSameMesh(sample.mesh, Read(sample.text, chunks));
        }
    }
}

TEST(ObjFiles, DamagedTextsFailAlikeInAnyNumberOfChunks) {
    std::mt19937 random(13);
    const std::string damage = "x/-0#\\\n \r.e";
    int failed = 0;
    for (int round = 0; round < 600; ++round) {
        std::string text = SampleWriter(random).Write().text;
        for (int hits = 1 + random() % 3; hits > 0; --hits) {
            size_t at = random() % (text.size() + 1);
            if (random() % 3 == 0 && at < text.size())
                text.erase(at, 1);
            else
                text.insert(at, 1, damage[random() % damage.size()]);
        }
        std::string single = Outcome(text, 1);
        failed += single != "read";
        for (uint32_t chunks = 2; chunks <= 4; ++chunks)
            ASSERT_EQ(single, Outcome(text, chunks)) << text << "\nin chunks: " << chunks;
        if (single == "read") {
            pw2_MeshData one = Read(text, 1);
            for (uint32_t chunks = 2; chunks <= 4; ++chunks)
                ExpectSameMesh(one, Read(text, chunks));
        }
    }
    // enough of both kinds to mean something
    EXPECT_GT(failed, 100);
    EXPECT_LT(failed, 500);
}

TEST(ObjFiles, ReadsTheFormsTheWriterNeverWrites) {
    const std::string text = "\xEF\xBB\xBF# a comment that goes on \\\r\n"
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
    pw2_MeshData expected;
    expected.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0.5, -100, 0.25}};
    expected.pointcolors = {WHITE, WHITE, qzColor(255, 128, 0), WHITE};
    const uint32_t triangle[] = {0, 1, 2};
    for (int i = 0; i < 5; ++i)
        expected.AddFace(triangle, 3);
    expected.AddFace(nullptr, 0);
    const uint32_t two[] = {1, 1};
    expected.AddFace(two, 2);
    const uint32_t last[] = {0, 1, 3};
    expected.AddFace(last, 3);
    // the fifth face's 4 is the point read after it
    expected.corners.insert(expected.corners.begin() + 15, 3);
    for (uint32_t f = 5; f < expected.facestarts.size(); ++f)
        ++expected.facestarts[f];
    expected.lines = {0, 1, 1, 3, 3, 3};
    for (uint32_t chunks = 1; chunks <= 3; ++chunks)
        ExpectSameMesh(expected, Read(text, chunks));
}

TEST(ObjFiles, FaultsNameTheirLine) {
    struct Case {
        const char* text;
        uint64_t line;
        const char* reason;
    };
    const Case cases[] = {
        {"v 1 2\n", 1, "expected the z coordinate of a point, found the end of the line"},
        {"v 1 2 abc\n", 1, "expected the z coordinate of a point, found 'abc'"},
        {"v 1 2 3x", 1, "found '3x'"},
        {"v 0 0 0\n\nv nan 0 0\n", 3, "coordinate is not a finite number"},
        {"v 0 1e400 0\n", 1, "coordinate is not a finite number"},
        {"v 0 0 0 1 0.5 inf\n", 1, "colour component is not a finite number"},
        {"v 0 0 0 1 0.5\n", 1,
         "expected the blue component of the point's colour, found the end of the line"},
        {"v 0 0 0 1 1 1 1\n", 1, "expected the end of the line after the point's colour, found '1'"},
        {"v 0 0 0\r\nf 1 0 1\r\n", 2, "face corner 0 does not name a vertex (indices start at 1)"},
        {"v 0 0 0\nv 1 1 1\n\nf 1 2 40\nv 2 2 2\n", 4,
         "face corner 40 is out of range (the file has 3 vertices)"},
        {"f 1 2 3\nv 0 0 0\nv 1 1 1\n", 1, "face corner 3 is out of range (the file has 2 vertices)"},
        {"f 99999999999999999999\nv 0 0 0\n", 1, "face corner 99999999999999999999 is out of range"},
        {"v 0 0 0\nf -2 1 1\n", 2, "face corner -2 is out of range (1 vertex precedes it)"},
        {"v 0 0 0\nf 1/x 1 1\n", 2, "expected a face corner such as 3, 3/1, 3//2 or 3/1/2, found '1/x'"},
        {"v 0 0 0\nf 1 a\n", 2, "expected a vertex index for a face corner, found 'a'"},
        {"l 1 5\nv 0 0 0\n", 1, "polyline point 5 is out of range (the file has 1 vertex)"},
        {"v 0 0 0\nl -1 -2\n", 2, "polyline point -2 is out of range (1 vertex precedes it)"},
        // a single point makes no segment but is still checked, also in a later chunk
        {"# a comment that fills the first chunk\nl -1\n", 2,
         "polyline point -1 is out of range (0 vertices precede it)"},
        {"v 0 0 0\nf 1 \\\n 1 \\\r\n 9\n", 4, "face corner 9 is out of range (the file has 1 vertex)"},
    };
    for (const Case& c : cases) {
        for (uint32_t chunks = 1; chunks <= 2; ++chunks) {
            try {
                Read(c.text, chunks);
                ADD_FAILURE() << c.text << " was read";
            } catch (const pw2_ModelFileError& e) {
                EXPECT_EQ(c.line, e.line) << c.text;
                EXPECT_NE(std::string::npos, e.reason.find(c.reason)) << c.text << " gave " << e.reason;
            }
        }
    }
}

TEST(ObjFiles, ACancelStopsEveryChunk) {
    std::string text;
    while (text.size() < (3u << 20))
        text += "v 0.1234567 1.2345678 2.3456789\nf 1 1 1\n";
    for (uint32_t chunks = 1; chunks <= 2; ++chunks) {
        pw2_Progress progress;
        progress.Cancel();
        EXPECT_THROW(pw2_ReadObj(text, progress, chunks), pw2_Cancelled);
    }
    pw2_Progress progress;
    pw2_MeshData mesh = pw2_ReadObj(text, progress);
    EXPECT_EQ(1.0, progress.GetFraction());
    EXPECT_EQ(mesh.positions.size(), mesh.FaceCount());
}

} // namespace
