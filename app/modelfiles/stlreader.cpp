// STL reader: binary when the file's size is that of the triangle count at offset 80 (whatever its header
// says), ASCII otherwise. Every triangle becomes a face of three corners, and the corners that lie at one
// position become one point, as the weld joins them.
#include "stlreader.h"

#include "byteorder.h"
#include "positionindex.h"
#include "textnumbers.h"
#include "textwords.h"
#include "weld.h"

#include <string>

namespace {

constexpr size_t HEADERBYTES = 84;
constexpr size_t TRIANGLEBYTES = 50;
constexpr size_t REPORTSTEP = 1 << 20;

bool IsBinary(std::string_view data) {
    return data.size() >= HEADERBYTES &&
           data.size() ==
               HEADERBYTES + TRIANGLEBYTES * uint64_t(pw2_LoadNumber<uint32_t, false>(data.data() + 80));
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
    uint32_t count = pw2_LoadNumber<uint32_t, false>(data.data() + 80);
    CheckCornerRoom(uint64_t(count) * 3, 0);
    size_t corners = size_t(count) * 3;
    mesh.corners.reserve(corners);
    mesh.facestarts.reserve(size_t(count) + 1);
    const char* triangles = data.data() + HEADERBYTES;
    auto corner = [&](size_t k) {
        // the normal comes first and is not read: the mesh computes its own
        const char* p = triangles + k / 3 * TRIANGLEBYTES + 12 + 12 * (k % 3);
        float x = pw2_LoadNumber<float, false>(p), y = pw2_LoadNumber<float, false>(p + 4),
              z = pw2_LoadNumber<float, false>(p + 8);
        if (!pw2_IsFinite(x, y, z))
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

// Keywords in any case: lower case is usual, upper case is found.
bool IsKeyword(std::string_view word, std::string_view keyword) {
    if (word.size() != keyword.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Lower(word[i]) != keyword[i])
            return false;
    return true;
}

// Skips the name after "solid" or "endsolid": the rest of the line, unless the line goes on with the keyword
// that follows the name (a file of one line has no name).
void SkipName(pw2_TextWords& words, std::string_view keyword) {
    pw2_TextWords ahead = words;
    std::string_view word = ahead.Next();
    if (word.empty() || ahead.Line() != words.Line() || !IsKeyword(word, keyword))
        words.SkipLine();
}

void Expect(pw2_TextWords& words, std::string_view keyword) {
    std::string_view word = words.Next();
    if (word.empty())
        throw pw2_ModelFileError("the file ends inside a facet, where \"" + std::string(keyword) +
                                     "\" should follow",
                                 words.Line());
    if (!IsKeyword(word, keyword))
        throw pw2_ModelFileError("\"" + std::string(keyword) + "\" should follow, not \"" +
                                     pw2_Excerpt(word) + "\"",
                                 words.Line());
}

float Number(pw2_TextWords& words) {
    std::string_view word = words.Next();
    if (word.empty())
        throw pw2_ModelFileError("the file ends inside a facet, where a number should follow", words.Line());
    float value = 0;
    if (!pw2_ParseWord(word, value))
        throw pw2_ModelFileError("\"" + pw2_Excerpt(word) + "\" is not a number", words.Line());
    return value;
}

void ReadAscii(std::string_view data, pw2_MeshData& mesh, pw2_Progress& progress) {
    pw2_TextWords words(data, 0, 1);
    std::string_view word = words.Next();
    if (!IsKeyword(word, "solid"))
        throw pw2_ModelFileError(
            data.size() < HEADERBYTES
                ? "this is not an STL file: it is too short for a binary one and does not "
                  "begin with \"solid\""
                : "this is not an STL file: its size does not fit the triangle count of a "
                  "binary one and it does not begin with \"solid\"");
    size_t nextreport = 0;
    // one solid after the other; a file may end where "endsolid" should come
    while (!word.empty()) {
        if (!IsKeyword(word, "solid"))
            throw pw2_ModelFileError("\"solid\" should follow, not \"" + pw2_Excerpt(word) + "\"",
                                     words.Line());
        SkipName(words, "facet");
        for (word = words.Next(); IsKeyword(word, "facet"); word = words.Next()) {
            if (words.Offset() >= nextreport) {
                progress.Report(words.Offset(), data.size());
                nextreport = words.Offset() + REPORTSTEP;
            }
            Expect(words, "normal");
            for (int i = 0; i < 3; ++i)
                Number(words);
            Expect(words, "outer");
            Expect(words, "loop");
            CheckCornerRoom(mesh.positions.size() + 3, words.Line());
            for (int corner = 0; corner < 3; ++corner) {
                Expect(words, "vertex");
                float x = Number(words), y = Number(words), z = Number(words);
                if (!pw2_IsFinite(x, y, z))
                    throw pw2_ModelFileError("facet " + std::to_string(mesh.FaceCount()) +
                                                 " has a coordinate that is not a finite number",
                                             words.Line());
                mesh.positions.emplace_back(x, y, z);
            }
            Expect(words, "endloop");
            Expect(words, "endfacet");
            AddTriangle(mesh);
        }
        if (word.empty())
            break;
        if (!IsKeyword(word, "endsolid"))
            throw pw2_ModelFileError(
                "\"facet\" or \"endsolid\" should follow, not \"" + pw2_Excerpt(word) + "\"", words.Line());
        SkipName(words, "solid");
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
