// STL reader: binary when the file's size is that of the triangle count at offset 80 (whatever its header
// says), ASCII otherwise. Every triangle becomes a face of three corners, and the corners that lie at one
// position become one point, as the weld joins them.
#include "stlreader.h"

#include "positionindex.h"
#include "weld.h"

#include <fast_float/fast_float.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr size_t HEADERBYTES = 84;
constexpr size_t TRIANGLEBYTES = 50;
constexpr size_t REPORTSTEP = 1 << 20;

uint32_t LoadLittleUint32(const char* p) {
    uint32_t bits;
    std::memcpy(&bits, p, 4);
    if constexpr (std::endian::native == std::endian::big)
        bits = __builtin_bswap32(bits);
    return bits;
}

float LoadLittleFloat(const char* p) {
    return std::bit_cast<float>(LoadLittleUint32(p));
}

bool IsBinary(std::string_view data) {
    return data.size() >= HEADERBYTES &&
           data.size() == HEADERBYTES + TRIANGLEBYTES * uint64_t(LoadLittleUint32(data.data() + 80));
}

void CheckCornerRoom(uint64_t corners, uint64_t line) {
    if (corners > UINT32_MAX)
        throw pw2_ModelFileError("the file has more than 4294967295 corners", line);
}

void AddTriangle(pw2_MeshData& mesh) {
    uint32_t first = uint32_t(mesh.corners.size());
    mesh.corners.push_back(first);
    mesh.corners.push_back(first + 1);
    mesh.corners.push_back(first + 2);
    mesh.facestarts.push_back(first + 3);
}

[[noreturn]] [[gnu::cold]] void ThrowNotFinite(size_t triangle) {
    throw pw2_ModelFileError("triangle " + std::to_string(triangle) +
                             " has a coordinate that is not a finite number");
}

// The corners are joined as they are read, which gives what the weld gives without the array of every
// corner's position.
void ReadBinary(std::string_view data, pw2_MeshData& mesh, pw2_Progress& progress) {
    uint32_t count = LoadLittleUint32(data.data() + 80);
    CheckCornerRoom(uint64_t(count) * 3, 0);
    size_t corners = size_t(count) * 3;
    mesh.corners.reserve(corners);
    mesh.facestarts.reserve(size_t(count) + 1);
    const char* triangles = data.data() + HEADERBYTES;
    auto corner = [&](size_t k) {
        // the normal comes first and is not read: the mesh computes its own
        const char* p = triangles + k / 3 * TRIANGLEBYTES + 12 + 12 * (k % 3);
        float x = LoadLittleFloat(p), y = LoadLittleFloat(p + 4), z = LoadLittleFloat(p + 8);
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
            ThrowNotFinite(k / 3);
        return qzVector3(x, y, z);
    };
    pw2_PositionIndex index(corners);
    // corners between progress reports
    const size_t step = REPORTSTEP / TRIANGLEBYTES * 3;
    pw2_JoinPositions(index, corners, corner, [&](size_t k, uint32_t point) {
        if (k % step == 0)
            progress.Report(HEADERBYTES + k / 3 * TRIANGLEBYTES, data.size());
        mesh.corners.push_back(point);
        if (k % 3 == 2)
            mesh.facestarts.push_back(uint32_t(k + 1));
    });
    mesh.positions = index.TakePositions();
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Any control character or space separates words.
bool IsSeparator(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// Words of an ASCII file, separated by any whitespace, with the line they are on.
class AsciiWords {
public:
    explicit AsciiWords(std::string_view data)
        : begin(data.data()), p(data.data()), end(data.data() + data.size()) {}

    // The next word, empty at the end of the file, where the line stays that of the last word.
    std::string_view Next() {
        const char* q = p;
        uint64_t l = line;
        while (q < end && IsSeparator(*q)) {
            if (*q == '\n')
                ++l;
            ++q;
        }
        if (q == end)
            return std::string_view();
        p = q;
        line = l;
        const char* start = p;
        while (p < end && !IsSeparator(*p))
            ++p;
        return std::string_view(start, size_t(p - start));
    }
    // Skips the name after "solid" or "endsolid": the rest of the line, unless the line goes on with the
    // keyword that follows the name (a file of one line has no name).
    void SkipName(std::string_view keyword) {
        const char* start = p;
        uint64_t startline = line;
        std::string_view word = Next();
        bool sameline = line == startline;
        p = start;
        line = startline;
        if (!word.empty() && sameline && IsKeyword(word, keyword))
            return;
        while (p < end && *p != '\n')
            ++p;
    }
    // Keywords in any case: lower case is usual, upper case is found.
    static bool IsKeyword(std::string_view word, std::string_view keyword) {
        if (word.size() != keyword.size())
            return false;
        for (size_t i = 0; i < word.size(); ++i)
            if (Lower(word[i]) != keyword[i])
                return false;
        return true;
    }
    void Expect(std::string_view keyword) {
        std::string_view word = Next();
        if (word.empty())
            throw pw2_ModelFileError(
                "the file ends inside a facet, where \"" + std::string(keyword) + "\" should follow", line);
        if (!IsKeyword(word, keyword))
            throw pw2_ModelFileError("\"" + std::string(keyword) + "\" should follow, not \"" +
                                         std::string(word.substr(0, 40)) + "\"",
                                     line);
    }
    float Number() {
        std::string_view word = Next();
        if (word.empty())
            throw pw2_ModelFileError("the file ends inside a facet, where a number should follow", line);
        const char* first = word.data();
        const char* last = first + word.size();
        if (*first == '+' && last - first > 1 && first[1] != '-')
            ++first;
        float value = 0;
        auto result = fast_float::from_chars(first, last, value);
        if (result.ptr != last || result.ec != std::errc())
            throw pw2_ModelFileError("\"" + std::string(word.substr(0, 40)) + "\" is not a number", line);
        return value;
    }
    size_t Offset() const { return size_t(p - begin); }
    uint64_t Line() const { return line; }

private:
    const char* begin;
    const char* p;
    const char* end;
    uint64_t line = 1;
};

void ReadAscii(std::string_view data, pw2_MeshData& mesh, pw2_Progress& progress) {
    AsciiWords words(data);
    std::string_view word = words.Next();
    if (!AsciiWords::IsKeyword(word, "solid"))
        throw pw2_ModelFileError(
            data.size() < HEADERBYTES
                ? "this is not an STL file: it is too short for a binary one and does not "
                  "begin with \"solid\""
                : "this is not an STL file: its size does not fit the triangle count of a "
                  "binary one and it does not begin with \"solid\"");
    size_t nextreport = 0;
    // one solid after the other; a file may end where "endsolid" should come
    while (!word.empty()) {
        if (!AsciiWords::IsKeyword(word, "solid"))
            throw pw2_ModelFileError(
                "\"solid\" should follow, not \"" + std::string(word.substr(0, 40)) + "\"", words.Line());
        words.SkipName("facet");
        for (word = words.Next(); AsciiWords::IsKeyword(word, "facet"); word = words.Next()) {
            if (words.Offset() >= nextreport) {
                progress.Report(words.Offset(), data.size());
                nextreport = words.Offset() + REPORTSTEP;
            }
            words.Expect("normal");
            for (int i = 0; i < 3; ++i)
                words.Number();
            words.Expect("outer");
            words.Expect("loop");
            CheckCornerRoom(mesh.positions.size() + 3, words.Line());
            for (int corner = 0; corner < 3; ++corner) {
                words.Expect("vertex");
                float x = words.Number(), y = words.Number(), z = words.Number();
                if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
                    throw pw2_ModelFileError("facet " + std::to_string(mesh.FaceCount()) +
                                                 " has a coordinate that is not a finite number",
                                             words.Line());
                mesh.positions.emplace_back(x, y, z);
            }
            words.Expect("endloop");
            words.Expect("endfacet");
            AddTriangle(mesh);
        }
        if (word.empty())
            break;
        if (!AsciiWords::IsKeyword(word, "endsolid"))
            throw pw2_ModelFileError("\"facet\" or \"endsolid\" should follow, not \"" +
                                         std::string(word.substr(0, 40)) + "\"",
                                     words.Line());
        words.SkipName("solid");
        word = words.Next();
    }
}

} // namespace

pw2_MeshData pw2_ReadStl(std::string_view data, pw2_Progress& progress) {
    pw2_MeshData mesh;
    if (IsBinary(data))
        ReadBinary(data, mesh, progress);
    else {
        ReadAscii(data, mesh, progress);
        pw2_WeldByPosition(mesh);
    }
    progress.Report(data.size(), data.size());
    return mesh;
}
