// The PLY reader and writer: random meshes come back bit for bit in every encoding, other types, orders and
// elements read alike in every encoding, and each fault is named with its line.
#include "meshdata_testing.h"
#include "plyreader.h"
#include "plywriter.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace {

using namespace meshdata_testing;

const pw2_PlyEncoding ENCODINGS[] = {pw2_PlyEncoding::Ascii, pw2_PlyEncoding::BinaryLittleEndian,
                                     pw2_PlyEncoding::BinaryBigEndian};

pw2_MeshData Read(std::string_view data) {
    pw2_Progress progress;
    return pw2_ReadPly(data, progress);
}

template <typename T> void Put(std::string& out, double value, bool bigendian) {
    char bytes[sizeof(T)];
    T typed = T(value);
    std::memcpy(bytes, &typed, sizeof(T));
    if (bigendian != (std::endian::native == std::endian::big))
        std::reverse(bytes, bytes + sizeof(T));
    out.append(bytes, sizeof(T));
}

// A PLY file of the header's lines and the body's rows, each value written after the letter of its type:
// c C s S i I f d for int8, uint8, int16, uint16, int32, uint32, float and double.
std::string Ply(pw2_PlyEncoding encoding, const std::string& header, const std::vector<std::string>& rows) {
    static const char* NAMES[] = {"ascii", "binary_little_endian", "binary_big_endian"};
    std::string out = "ply\nformat " + std::string(NAMES[int(encoding)]) + " 1.0\n" + header + "end_header\n";
    bool big = encoding == pw2_PlyEncoding::BinaryBigEndian;
    for (const std::string& row : rows) {
        std::istringstream words(row);
        for (std::string word; words >> word;) {
            double value = std::stod(word.substr(1));
            if (encoding == pw2_PlyEncoding::Ascii)
                out += word.substr(1) + ' ';
            else if (word[0] == 'c' || word[0] == 'C')
                word[0] == 'c' ? Put<int8_t>(out, value, big) : Put<uint8_t>(out, value, big);
            else if (word[0] == 's' || word[0] == 'S')
                word[0] == 's' ? Put<int16_t>(out, value, big) : Put<uint16_t>(out, value, big);
            else if (word[0] == 'i' || word[0] == 'I')
                word[0] == 'i' ? Put<int32_t>(out, value, big) : Put<uint32_t>(out, value, big);
            else
                word[0] == 'f' ? Put<float>(out, value, big) : Put<double>(out, value, big);
        }
        if (encoding == pw2_PlyEncoding::Ascii)
            out += '\n';
    }
    return out;
}

TEST(PlyFiles, RandomMeshesComeBackBitForBitInEveryEncoding) {
    for (pw2_PlyEncoding encoding : ENCODINGS) {
        SCOPED_TRACE(int(encoding));
        ExpectRoundTrips(
            7, {.lines = true, .pointcolors = true, .facecolors = true, .alpha = true},
            [&](const pw2_MeshData& mesh, std::string& file) { pw2_WritePly(mesh, encoding, file); }, Read);
    }
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
    const std::vector<std::string> rows = {
        "f0.5 C2 f1 f2 s-3 d0.25 c-7 f1 f0 f0.5",
        "f0 C0 s300 d-1e-300 c100 f2 f-1 f0.2",
        "f0 C1 f9 s0 d1e22 c0 f0 f0 f0",
        "S3 i1 i2 i3 S7",
        "S0 S9",
        "S4 i0 i1 i2 i1 i2 C5 C6 C10 C20 C30 C40",
        "S1 i2 i0 C1 C2 C3 C255",
        "i2 s0",
    };
    pw2_MeshData expected = MeshOf({{-7, 0.25, -3}, {100, -1e-300, 300}, {0, 1e22, 0}}, {{0, 1, 2, 1}, {2}},
                                   {2, 0}, {qzColor(255, 0, 128), qzColor(255, 0, 51), qzColor(0, 0, 0)},
                                   {qzColor(10, 20, 30, 40), qzColor(1, 2, 3)});
    for (pw2_PlyEncoding encoding : ENCODINGS) {
        SCOPED_TRACE(int(encoding));
        ExpectSameMesh(expected, Read(Ply(encoding, header, rows)));
    }
    // carriage returns and loose whitespace separate too
    ExpectSameMesh(MeshOf({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{0, 1, 2}}),
                   Read("ply\r\nformat ascii 1.0\r\nelement vertex 3\r\nproperty float x\r\n"
                        "property float y\r\nproperty float z\r\nelement face 1\r\n"
                        "property list uchar int vertex_indices\r\nend_header\r\n"
                        "  1 2 3\r\n\r\n4\t5 6 7 8\r\n9\n3 +0 1\n2"));
}

TEST(PlyFiles, FaultsAreNamedWithTheirLine) {
    const std::string vertices = "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n";
    const std::string faces = "element face 1\nproperty list uchar int vertex_indices\n";
    const std::string ascii = "ply\nformat ascii 1.0\n" + vertices + faces + "end_header\n";
    const std::string points = "0 0 0\n1 0 0\n0 1 0\n";
    // the body runs out inside an element after a list, and before a face's last property
    const std::string listfirst =
        Ply(pw2_PlyEncoding::BinaryLittleEndian,
            "element vertex 2\nproperty list uchar uchar extra\n" + vertices.substr(17),
            {"C0 f0 f0 f0 C12", "f0 f0 f0"});
    const std::string flagslast =
        Ply(pw2_PlyEncoding::BinaryLittleEndian, vertices + faces + "property uchar flags\n",
            {"f0 f0 f0", "f0 f0 f0", "f0 f0 f0", "C3 i0 i0 i0"});
    ExpectFaults(
        {
            {"", 1, "this is not a PLY file (it does not begin with \"ply\")"},
            {"ply\nformat ascii 1.0\nelement vertex 1\n", 4, "the header has no end_header line"},
            {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float128 x\n", 4,
             "unknown property type \"float128\""},
            {"ply\nformat ascii 1.0\nelement vertex -1\n", 3,
             "the element count \"-1\" is not a whole number"},
            {"ply\nformat ascii 1.0\nelement vertex 4294967296\n", 3,
             "the file has more than 4294967295 vertices"},
            {"ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nproperty float y\nend_header\n", 3,
             "the vertex element has no x, y and z properties"},
            {"ply\nformat ascii 1.0\nelement vertex 2000000000\nproperty float x\nproperty float y\n"
             "property float z\nend_header\n0 0 0\n",
             3,
             "the header declares 2000000000 vertices, more than the file's 6 bytes after the header can "
             "hold"},
            {ascii + points + "3 0 1 3\n", 13, "face 0 has corner 3, out of range (the file has 3 vertices)"},
            {ascii + points + "3 0 -1 2\n", 13,
             "face 0 has corner -1, out of range (the file has 3 vertices)"},
            {ascii + points + "3 0 1.5 2\n", 13, "\"1.5\" is not a whole number"},
            {ascii + points + "-3 0 1 2\n", 13,
             "the list \"vertex_indices\" of face 0 has a negative length"},
            {ascii + points + "9 0 1 2\n", 13,
             "the list \"vertex_indices\" of face 0 has 9 entries, more than the rest of the file can hold"},
            {ascii + "0 0 0\n1 nan 0\n0 1 0\n3 0 1 2\n", 11,
             "vertex 1 has a coordinate that is not a finite number"},
            {ascii + "0 0 0\n1 x 0\n0 1 0\n3 0 1 2\n", 11, "\"x\" is not a number"},
            {ascii + "0 0 0\n1 " + std::string(100000, 'x') + " 0\n0 1 0\n3 0 1 2\n", 11,
             "\"" + std::string(24, 'x') + "...\" is not a number"},
            {ascii + points + "3 0 1\n", 13, "the file ends after 0 of its 1 faces"},
            {listfirst, 0, "the file ends after 1 of its 2 vertices"},
            {flagslast, 0, "the file ends after 0 of its 1 faces"},
            {Ply(pw2_PlyEncoding::BinaryBigEndian, "element face 1\nproperty list uint int vertex_indices\n",
                 {"I4000000000 i0 i0"}),
             0,
             "the list \"vertex_indices\" of face 0 has 4000000000 entries, more than the rest of the file "
             "can hold"},
            {"ply\nformat ascii 1.0\nelement vertex 1\nproperty uchar x\nproperty uchar y\nproperty uchar z\n"
             "element edge 1\nproperty uint vertex1\nproperty uint vertex2\nend_header\n1 2 3\n0 1\n",
             12, "edge 0 has point 1, out of range (the file has 1 vertices)"},
        },
        Read);
}

TEST(PlyFiles, ACancelStopsTheRead) {
    std::string file;
    pw2_WritePly(LargeMesh(), pw2_PlyEncoding::BinaryLittleEndian, file);
    ExpectCancelStops(file, pw2_ReadPly);
}

} // namespace
