#include "plyreader.h"
#include "plywriter.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const pw2_PlyEncoding ENCODINGS[] = {pw2_PlyEncoding::Ascii, pw2_PlyEncoding::BinaryLittleEndian,
                                     pw2_PlyEncoding::BinaryBigEndian};

double AwkwardDouble(std::mt19937& random) {
    static const double specials[] = {
        0.0, -0.0, 1e-300, -1e22, 1e22, 5e-324, 1.0 / 3, 0.1, 1.7976931348623157e308};
    if (random() % 3 == 0)
        return specials[random() % std::size(specials)];
    for (;;) {
        double value = std::bit_cast<double>(uint64_t(random()) << 32 | random());
        if (std::isfinite(value))
            return value;
    }
}

qzColor RandomColor(std::mt19937& random, bool translucent) {
    return qzColor(uint8_t(random()), uint8_t(random()), uint8_t(random()),
                   translucent ? uint8_t(random()) : 255);
}

// Faces of 0 to 8 corners that may repeat points, now and then one too long for a byte-sized count, lines,
// and colours on points and faces with and without alpha.
pw2_MeshData RandomMesh(std::mt19937& random) {
    pw2_MeshData mesh;
    uint32_t n = random() % 30;
    for (uint32_t i = 0; i < n; ++i)
        mesh.positions.emplace_back(AwkwardDouble(random), AwkwardDouble(random), AwkwardDouble(random));
    for (uint32_t f = n == 0 ? 0 : random() % 12; f > 0; --f) {
        std::vector<uint32_t> face(random() % 20 == 0 ? 256 + random() % 50 : random() % 9);
        for (uint32_t& corner : face)
            corner = random() % n;
        mesh.AddFace(face.data(), uint32_t(face.size()));
    }
    for (uint32_t l = n == 0 ? 0 : random() % 4; l > 0; --l) {
        mesh.lines.push_back(random() % n);
        mesh.lines.push_back(random() % n);
    }
    if (random() % 2)
        for (uint32_t i = 0; i < n; ++i)
            mesh.pointcolors.push_back(RandomColor(random, random() % 8 == 0));
    if (random() % 2)
        for (uint32_t f = 0; f < mesh.FaceCount(); ++f)
            mesh.facecolors.push_back(RandomColor(random, random() % 8 == 0));
    return mesh;
}

std::vector<uint32_t> Argb(const std::vector<qzColor>& colors) {
    std::vector<uint32_t> argb;
    for (const qzColor& c : colors)
        argb.push_back(c.GetARGB());
    return argb;
}

// Bit for bit, so that -0.0 and 0.0 differ.
std::vector<uint64_t> Bits(const std::vector<qzVector3>& positions) {
    std::vector<uint64_t> bits;
    for (const qzVector3& p : positions)
        for (double v : {p.x, p.y, p.z})
            bits.push_back(std::bit_cast<uint64_t>(v));
    return bits;
}

void ExpectSameMesh(const pw2_MeshData& actual, const pw2_MeshData& expected) {
    EXPECT_EQ(Bits(actual.positions), Bits(expected.positions));
    EXPECT_EQ(actual.corners, expected.corners);
    EXPECT_EQ(actual.facestarts, expected.facestarts);
    EXPECT_EQ(actual.lines, expected.lines);
    EXPECT_EQ(Argb(actual.pointcolors), Argb(expected.pointcolors));
    EXPECT_EQ(Argb(actual.facecolors), Argb(expected.facecolors));
    EXPECT_TRUE(actual.cornercolors.empty());
}

pw2_MeshData Read(std::string_view data) {
    pw2_Progress progress;
    return pw2_ReadPly(data, progress);
}

// A PLY file of one header and the values of its body: each row one element, each value stored as the
// type it names, in the given encoding.
struct Value {
    std::string_view type;
    double value;
};

template <typename T> void Put(std::string& out, T value, bool bigendian) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    if (bigendian != (std::endian::native == std::endian::big))
        std::reverse(bytes, bytes + sizeof(T));
    out.append(bytes, sizeof(T));
}

std::string Ply(pw2_PlyEncoding encoding, const std::string& header,
                const std::vector<std::vector<Value>>& rows) {
    static const char* NAMES[] = {"ascii", "binary_little_endian", "binary_big_endian"};
    std::string out = "ply\nformat " + std::string(NAMES[int(encoding)]) + " 1.0\n" + header + "end_header\n";
    bool big = encoding == pw2_PlyEncoding::BinaryBigEndian;
    for (const std::vector<Value>& row : rows) {
        for (const Value& v : row) {
            if (encoding == pw2_PlyEncoding::Ascii) {
                char text[32];
                out.append(text, std::to_chars(text, text + sizeof text, v.value).ptr);
                out += ' ';
            } else if (v.type == "char" || v.type == "int8")
                Put(out, int8_t(v.value), big);
            else if (v.type == "uchar" || v.type == "uint8")
                Put(out, uint8_t(v.value), big);
            else if (v.type == "short" || v.type == "int16")
                Put(out, int16_t(v.value), big);
            else if (v.type == "ushort" || v.type == "uint16")
                Put(out, uint16_t(v.value), big);
            else if (v.type == "int" || v.type == "int32")
                Put(out, int32_t(v.value), big);
            else if (v.type == "uint" || v.type == "uint32")
                Put(out, uint32_t(v.value), big);
            else if (v.type == "float" || v.type == "float32")
                Put(out, float(v.value), big);
            else
                Put(out, v.value, big);
        }
        if (encoding == pw2_PlyEncoding::Ascii)
            out += '\n';
    }
    return out;
}

pw2_MeshData Expected(std::vector<qzVector3> positions, std::vector<std::vector<uint32_t>> faces,
                      std::vector<uint32_t> lines = {}, std::vector<qzColor> pointcolors = {},
                      std::vector<qzColor> facecolors = {}) {
    pw2_MeshData mesh;
    mesh.positions = std::move(positions);
    for (const std::vector<uint32_t>& face : faces)
        mesh.AddFace(face.data(), uint32_t(face.size()));
    mesh.lines = std::move(lines);
    mesh.pointcolors = std::move(pointcolors);
    mesh.facecolors = std::move(facecolors);
    return mesh;
}

} // namespace

TEST(PlyFiles, RandomMeshesRoundTripBitForBitInEveryEncoding) {
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        pw2_MeshData mesh = RandomMesh(random);
        for (pw2_PlyEncoding encoding : ENCODINGS) {
            SCOPED_TRACE("mesh " + std::to_string(i) + ", encoding " + std::to_string(int(encoding)));
            std::string file = "leading bytes stay";
            pw2_WritePly(mesh, encoding, file);
            ASSERT_EQ(file.substr(0, 18), "leading bytes stay");
            ExpectSameMesh(Read(std::string_view(file).substr(18)), mesh);
        }
    }
}

TEST(PlyFiles, TheHeaderDeclaresOnlyWhatTheMeshNeeds) {
    pw2_MeshData mesh = Expected({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    std::string plain;
    pw2_WritePly(mesh, pw2_PlyEncoding::Ascii, plain);
    EXPECT_EQ(plain.substr(plain.find("element face")),
              "element face 1\nproperty list uchar uint vertex_indices\n"
              "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
    mesh.pointcolors.assign(3, qzColor(1, 2, 3));
    mesh.facecolors.assign(1, qzColor(1, 2, 3, 4));
    std::vector<uint32_t> wide(256, 1);
    mesh.AddFace(wide.data(), 256);
    mesh.facecolors.push_back(qzColor(5, 6, 7));
    mesh.lines = {0, 1};
    std::string full;
    pw2_WritePly(mesh, pw2_PlyEncoding::BinaryBigEndian, full);
    EXPECT_NE(full.find("property double z\nproperty uchar red\nproperty uchar green\nproperty uchar blue\n"
                        "element face 2\nproperty list uint uint vertex_indices\nproperty uchar red\n"
                        "property uchar green\nproperty uchar blue\nproperty uchar alpha\nelement edge 1\n"
                        "property uint vertex1\nproperty uint vertex2\nend_header\n"),
              std::string::npos);
}

// Forms our writer never produces: other types, orders and names, skipped elements with lists, float colours.
TEST(PlyFiles, OtherTypesOrdersAndElementsReadTheSameInEveryEncoding) {
    const std::string header =
        "comment made by hand\n"
        "element vertex 3\n"
        "property float nx\n"
        "property list uchar float weights\n"
        "property short z\n"
        "property double y\n"
        "property int8 x\n"
        "obj_info anything at all\n"
        "property float red\nproperty float green\nproperty float blue\n"
        "element material 2\n"
        "property list ushort int names\n"
        "property uint16 shininess\n"
        "element face 2\n"
        "property list ushort int vertex_index\n"
        "property list int uint8 texture\n"
        "property uchar red\nproperty uchar green\nproperty uchar blue\nproperty uchar alpha\n"
        "element edge 1\n"
        "property int vertex1\nproperty int16 vertex2\n"
        "element nothing 1000000\n";
    const std::vector<std::vector<Value>> rows = {
        {{"float", 0.5},
         {"uchar", 2},
         {"float", 1},
         {"float", 2},
         {"short", -3},
         {"double", 0.25},
         {"int8", -7},
         {"float", 1},
         {"float", 0},
         {"float", 0.5}},
        {{"float", 0},
         {"uchar", 0},
         {"short", 300},
         {"double", -1e-300},
         {"int8", 100},
         {"float", 2},
         {"float", -1},
         {"float", 0.2}},
        {{"float", 0},
         {"uchar", 1},
         {"float", 9},
         {"short", 0},
         {"double", 1e22},
         {"int8", 0},
         {"float", 0},
         {"float", 0},
         {"float", 0}},
        {{"ushort", 3}, {"int", 1}, {"int", 2}, {"int", 3}, {"uint16", 7}},
        {{"ushort", 0}, {"uint16", 9}},
        {{"ushort", 4},
         {"int", 0},
         {"int", 1},
         {"int", 2},
         {"int", 1},
         {"int", 2},
         {"uint8", 5},
         {"uint8", 6},
         {"uchar", 10},
         {"uchar", 20},
         {"uchar", 30},
         {"uchar", 40}},
        {{"ushort", 1}, {"int", 2}, {"int", 0}, {"uchar", 1}, {"uchar", 2}, {"uchar", 3}, {"uchar", 255}},
        {{"int", 2}, {"int16", 0}},
    };
    pw2_MeshData expected = Expected({{-7, 0.25, -3}, {100, -1e-300, 300}, {0, 1e22, 0}}, {{0, 1, 2, 1}, {2}},
                                     {2, 0}, {qzColor(255, 0, 128), qzColor(255, 0, 51), qzColor(0, 0, 0)},
                                     {qzColor(10, 20, 30, 40), qzColor(1, 2, 3)});
    for (pw2_PlyEncoding encoding : ENCODINGS) {
        SCOPED_TRACE(int(encoding));
        ExpectSameMesh(Read(Ply(encoding, header, rows)), expected);
    }
}

TEST(PlyFiles, CarriageReturnsAndLooseWhitespaceAreSeparators) {
    pw2_MeshData mesh = Read("ply\r\nformat ascii 1.0\r\nelement vertex 3\r\nproperty float x\r\n"
                             "property float y\r\nproperty float z\r\nelement face 1\r\n"
                             "property list uchar int vertex_indices\r\nend_header\r\n"
                             "  1 2 3\r\n\r\n4\t5 6 7 8\r\n9\n3 +0 1\n2");
    ExpectSameMesh(mesh, Expected({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{0, 1, 2}}));
}

TEST(PlyFiles, FaultsAreNamedWithTheirLine) {
    const std::string vertices = "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n";
    const std::string faces = "element face 1\nproperty list uchar int vertex_indices\n";
    const std::string ascii = "ply\nformat ascii 1.0\n" + vertices + faces + "end_header\n";
    const std::string binary = "ply\nformat binary_little_endian 1.0\n" + vertices + faces + "end_header\n";
    const std::string points = "0 0 0\n1 0 0\n0 1 0\n";
    // a list before the scalars, so that the body runs out inside an element rather than in a list
    const std::string listfirst = "ply\nformat binary_little_endian 1.0\nelement vertex 2\n"
                                  "property list uchar uchar extra\n" +
                                  vertices.substr(17) + "end_header\n" + std::string(13, '\0') + "\x0c" +
                                  std::string(12, '\0');
    const std::string flagslast = binary.substr(0, binary.size() - 11) +
                                  "property uchar flags\nend_header\n" + std::string(36, '\0') + "\x03" +
                                  std::string(12, '\0');
    struct Case {
        std::string file;
        std::string reason;
        uint64_t line;
    };
    const Case cases[] = {
        {"", "this is not a PLY file (it does not begin with \"ply\")", 1},
        {"ply\nformat ascii 1.0\nelement vertex 1\n", "the header has no end_header line", 4},
        {"ply\nelement vertex 0\nend_header\n", "the header has no format line", 3},
        {"ply\nformat ascii 2.0\nend_header\n", "PLY version 2.0 is not supported", 2},
        {"ply\nformat ascii 1.0\nproperty float x\nend_header\n", "a property comes before any element", 3},
        {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float128 x\n",
         "unknown property type \"float128\"", 4},
        {"ply\nformat ascii 1.0\nelement vertex 1\nproperty list float int x\n",
         "the length of the list \"x\" is not of a whole-number type", 4},
        {"ply\nformat ascii 1.0\nelement vertex -1\n", "the element count \"-1\" is not a whole number", 3},
        {"ply\nformat ascii 1.0\nelement vertex 0\nelement vertex 0\nend_header\n",
         "the header declares the vertex element twice", 4},
        {"ply\nformat ascii 1.0\nelement vertex 4294967296\n", "the file has more than 4294967295 vertices",
         3},
        {"ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nproperty float y\nend_header\n",
         "the vertex element has no x, y and z properties", 3},
        {"ply\nformat ascii 1.0\nelement face 0\nproperty int vertex_indices\nend_header\n",
         "the face element has no vertex_indices list", 3},
        {"ply\nformat ascii 1.0\nbogus line\nend_header\n", "unknown header line \"bogus\"", 3},
        {"ply\nformat ascii 1.0\nelement vertex 2000000000\nproperty float x\nproperty float y\n"
         "property float z\nend_header\n0 0 0\n",
         "the header declares 2000000000 vertices, more than the file's 6 bytes after the header can hold",
         3},
        {ascii + points + "3 0 1 3\n", "face 0 has corner 3, out of range (the file has 3 vertices)", 13},
        {ascii + points + "3 0 -1 2\n", "face 0 has corner -1, out of range (the file has 3 vertices)", 13},
        {ascii + points + "3 0 1.5 2\n", "\"1.5\" is not a whole number", 13},
        {ascii + points + "-3 0 1 2\n", "the list \"vertex_indices\" of face 0 has a negative length", 13},
        {ascii + points + "9 0 1 2\n",
         "the list \"vertex_indices\" of face 0 has 9 entries, more than the rest of the file can hold", 13},
        {ascii + "0 0 0\n1 nan 0\n0 1 0\n3 0 1 2\n", "vertex 1 has a coordinate that is not a finite number",
         11},
        {ascii + "0 0 0\n1 x 0\n0 1 0\n3 0 1 2\n", "\"x\" is not a number", 11},
        {ascii + points + "3 0 1\n", "the file ends after 0 of its 1 faces", 13},
        {listfirst, "the file ends after 1 of its 2 vertices", 0},
        {flagslast, "the file ends after 0 of its 1 faces", 0},
        {"ply\nformat binary_big_endian 1.0\nelement face 1\nproperty list uint int "
         "vertex_indices\nend_header\n" +
             std::string("\xee\x6b\x28\x00", 4) + std::string(8, '\0'),
         "the list \"vertex_indices\" of face 0 has 4000000000 entries, more than the rest of the file can "
         "hold",
         0},
        {"ply\nformat ascii 1.0\nelement vertex 1\nproperty uchar x\nproperty uchar y\nproperty uchar z\n"
         "element edge 1\nproperty uint vertex1\nproperty uint vertex2\nend_header\n1 2 3\n0 1\n",
         "edge 0 has point 1, out of range (the file has 1 vertices)", 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        try {
            Read(c.file);
            ADD_FAILURE() << "no error";
        } catch (const pw2_ModelFileError& error) {
            EXPECT_EQ(error.reason, c.reason);
            EXPECT_EQ(error.line, c.line);
        }
    }
}

TEST(PlyFiles, ACancelledReadStopsAndProgressReachesTheEnd) {
    pw2_MeshData mesh;
    for (uint32_t i = 0; i < 100000; ++i)
        mesh.positions.emplace_back(i, i, i);
    std::string file;
    pw2_WritePly(mesh, pw2_PlyEncoding::BinaryLittleEndian, file);
    pw2_Progress progress;
    EXPECT_EQ(pw2_ReadPly(file, progress).positions.size(), 100000u);
    EXPECT_EQ(progress.GetFraction(), 1.0);
    progress.Cancel();
    EXPECT_THROW(pw2_ReadPly(file, progress), pw2_Cancelled);
}
