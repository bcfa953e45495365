// The OFF reader: the keyword with its prefixes ([ST][C][N]OFF: texture coordinates and normals skipped,
// point colours kept) or none, the counts on the keyword's line or the next, one point per line, one face
// per line with an optional colour; comments and blank lines anywhere. Colours are bytes when every
// component is written as an integer, else fractions from 0 to 1.
#include "offreader.h"

#include "textnumbers.h"
#include "textwords.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr uint64_t MAXCOUNT = 0xFFFFFFFFu;
constexpr size_t REPORTSTEP = 1u << 20;
// The shortest point is "0 0 0" and a line end, the shortest face "0" and a line end.
constexpr uint64_t POINTBYTES = 6;
constexpr uint64_t FACEBYTES = 2;
// More numbers than any point or face colour can have on one line.
constexpr int MAXNUMBERS = 16;

const qzColor WHITE(255, 255, 255, 255);

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string Vertices(uint64_t count) {
    return std::to_string(count) + (count == 1 ? " vertex" : " vertices");
}

std::string Faces(uint64_t count) {
    return std::to_string(count) + (count == 1 ? " face" : " faces");
}

// A number read from the text, as written, and whether it was written as an integer.
struct Number {
    double value;
    std::string_view written;
    bool integral;
};

class OffParser {
public:
    OffParser(std::string_view text, pw2_Progress& progress) : text(text), progress(progress) {
        p = text.data();
        end = p + text.size();
    }

    pw2_MeshData Parse();

private:
    [[noreturn]] void Fail(const std::string& reason) const { throw pw2_ModelFileError(reason, line); }
    // At the end of the text: the last line is the one that a final line end closes.
    [[noreturn]] void FailAtEnd(const std::string& reason) const {
        throw pw2_ModelFileError(reason, line - (line > 1 && end[-1] == '\n'));
    }
    void Report() {
        if (uint64_t(p - text.data()) >= reported + REPORTSTEP) {
            reported = uint64_t(p - text.data());
            progress.Report(reported, text.size());
        }
    }
    bool IsSeparator(const char* q) const { return q == end || IsBlank(*q) || *q == '\n' || *q == '#'; }
    // Past the blanks; true when the current line holds nothing more.
    bool AtLineEnd() {
        while (p < end && IsBlank(*p))
            ++p;
        return IsSeparator(p);
    }
    // Past the rest of the line, which holds at most a comment, and its line end.
    void NextLine() {
        while (p < end && *p != '\n')
            ++p;
        if (p < end) {
            ++p;
            ++line;
        }
    }
    // To the first line from the current one that holds more than blanks and a comment; false at the end.
    bool FindContent() {
        while (AtLineEnd()) {
            if (p == end)
                return false;
            NextLine();
        }
        return true;
    }
    void ExpectLineEnd(const char* after) {
        if (!AtLineEnd())
            Fail(std::string("expected the end of the line after ") + after + ", found " + Found());
        NextLine();
    }
    std::string Found() const;
    std::string Token() const;
    void ReadKeyword();
    uint64_t ReadCount(const char* what);
    // The numbers on the rest of the line, at most MAXNUMBERS.
    int ReadNumbers(Number* numbers, const char* what);
    // An integer; written is its text, for the messages.
    int64_t ReadInteger(const char* what, std::string& written);
    qzColor ReadColor(const Number* components, int count);
    void ReadPoint(pw2_MeshData& mesh);
    void ReadFace(pw2_MeshData& mesh, uint32_t face);

    std::string_view text;
    pw2_Progress& progress;
    const char* p;
    const char* end;
    uint64_t line = 1;
    uint64_t reported = 0;
    bool normals = false;
    bool colors = false;
    bool texture = false;
    uint32_t pointcount = 0;
};

std::string OffParser::Token() const {
    // one character past what is shown tells whether the word goes on
    const char* q = p;
    while (!IsSeparator(q) && q - p <= 24)
        ++q;
    return pw2_Excerpt(std::string_view(p, size_t(q - p)));
}

std::string OffParser::Found() const {
    if (p == end)
        return "the end of the file";
    if (IsSeparator(p))
        return "the end of the line";
    return "'" + Token() + "'";
}

// [ST][C][N][4][n]OFF, in that order.
void OffParser::ReadKeyword() {
    std::string keyword = Token();
    auto fail = [&] {
        Fail("expected the OFF keyword (OFF, COFF, NOFF, CNOFF, STOFF and the like) or the counts, found '" +
             keyword + "'");
    };
    if (keyword.size() < 3 || keyword.compare(keyword.size() - 3, 3, "OFF") != 0)
        fail();
    std::string_view prefix(keyword.data(), keyword.size() - 3);
    auto take = [&](std::string_view letters) {
        bool present = prefix.substr(0, letters.size()) == letters;
        if (present)
            prefix.remove_prefix(letters.size());
        return present;
    };
    texture = take("ST");
    colors = take("C");
    normals = take("N");
    if (take("4"))
        Fail("four-dimensional OFF files are not supported");
    if (take("n"))
        Fail("OFF files with their own dimension (nOFF) are not supported");
    if (!prefix.empty())
        fail();
    p += keyword.size();
    if (!AtLineEnd() && Token() == "BINARY")
        Fail("binary OFF files are not supported");
}

uint64_t OffParser::ReadCount(const char* what) {
    std::string written;
    int64_t count = ReadInteger(what, written);
    if (count < 0)
        Fail(std::string("expected ") + what + ", found '" + written + "'");
    return uint64_t(count);
}

int64_t OffParser::ReadInteger(const char* what, std::string& written) {
    if (AtLineEnd())
        Fail(std::string("expected ") + what + ", found " + Found());
    const char* start = p;
    bool negative = *p == '-';
    if (negative || *p == '+')
        ++p;
    const char* digits = p;
    int64_t value = 0;
    for (; p < end && pw2_IsDigit(*p); ++p)
        if (value < (int64_t(1) << 40))
            value = value * 10 + (*p - '0');
    if (p == digits || !IsSeparator(p)) {
        p = start;
        Fail(std::string("expected ") + what + ", found " + Found());
    }
    written.assign(start, p);
    return negative ? -value : value;
}

int OffParser::ReadNumbers(Number* numbers, const char* what) {
    int count = 0;
    while (!AtLineEnd()) {
        if (count == MAXNUMBERS)
            Fail(std::string("expected the end of the line after ") + what + ", found " + Found());
        fast_float::from_chars_result result = pw2_ParseNumber(p, end, numbers[count].value);
        if (result.ec != std::errc() || !IsSeparator(result.ptr))
            Fail(std::string("expected a number for ") + what + ", found " + Found());
        numbers[count].written = std::string_view(p, std::min<size_t>(result.ptr - p, 24));
        numbers[count].integral =
            std::all_of(p, result.ptr, [](char c) { return pw2_IsDigit(c) || c == '-' || c == '+'; });
        p = result.ptr;
        ++count;
    }
    return count;
}

qzColor OffParser::ReadColor(const Number* components, int count) {
    bool bytes = std::all_of(components, components + count, [](const Number& n) { return n.integral; });
    uint8_t c[4] = {255, 255, 255, 255};
    for (int i = 0; i < count; ++i) {
        double value = components[i].value;
        if (bytes) {
            if (value < 0 || value > 255)
                Fail("colour component " + std::string(components[i].written) + " is not in 0..255");
            c[i] = uint8_t(value);
        } else {
            if (!std::isfinite(value))
                Fail("colour component is not a finite number");
            c[i] = pw2_FractionToByte(value);
        }
    }
    return qzColor(c[0], c[1], c[2], c[3]);
}

// x y z, then a normal, a colour and texture coordinates when the keyword announces them.
void OffParser::ReadPoint(pw2_MeshData& mesh) {
    Number numbers[MAXNUMBERS];
    int count = ReadNumbers(numbers, "a vertex");
    const int fixed = 3 + (normals ? 3 : 0) + (texture ? 2 : 0);
    if (count != fixed && !(colors && (count == fixed + 3 || count == fixed + 4))) {
        std::string layout = std::string("x y z") + (normals ? ", a normal" : "") +
                             (colors ? ", a colour" : "") + (texture ? ", texture coordinates" : "");
        std::string expected =
            colors ? std::to_string(fixed + 3) + " or " + std::to_string(fixed + 4) : std::to_string(fixed);
        Fail("expected " + expected + " numbers for a vertex (" + layout + "), found " +
             std::to_string(count));
    }
    if (!pw2_IsFinite(numbers[0].value, numbers[1].value, numbers[2].value))
        Fail("coordinate is not a finite number");
    mesh.positions.emplace_back(numbers[0].value, numbers[1].value, numbers[2].value);
    if (colors)
        mesh.pointcolors.push_back(ReadColor(numbers + 3 + (normals ? 3 : 0), count - fixed));
}

// n, the n corners, then an optional colour: 3 or 4 components, or 1 for a colour map, which is not read.
void OffParser::ReadFace(pw2_MeshData& mesh, uint32_t face) {
    std::string written;
    int64_t corners = ReadInteger("the number of corners of a face", written);
    if (corners < 0)
        Fail("a face cannot have " + written + " corners");
    for (int64_t i = 0; i < corners; ++i) {
        if (AtLineEnd())
            Fail("expected " + std::to_string(corners) + " corners for the face, found " + std::to_string(i));
        int64_t index = ReadInteger("a vertex index for a face corner", written);
        if (index < 0 || index >= int64_t(pointcount))
            Fail("face corner " + written + " is out of range (the file has " + Vertices(pointcount) + ")");
        mesh.corners.push_back(uint32_t(index));
    }
    if (mesh.corners.size() > MAXCOUNT)
        Fail("the file has more than 4294967295 face corners");
    mesh.facestarts.push_back(uint32_t(mesh.corners.size()));
    Number numbers[MAXNUMBERS];
    int count = ReadNumbers(numbers, "the face's colour");
    if (count == 3 || count == 4) {
        if (mesh.facecolors.empty())
            mesh.facecolors.assign(face, WHITE);
        mesh.facecolors.push_back(ReadColor(numbers, count));
        return;
    }
    if (count != 0 && count != 1)
        Fail("expected a colour of 3 or 4 components after the face's corners, found " +
             std::to_string(count) + " numbers");
    if (!mesh.facecolors.empty())
        mesh.facecolors.push_back(WHITE);
}

pw2_MeshData OffParser::Parse() {
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        p += 3;
    if (!FindContent())
        FailAtEnd("the file is empty");
    // the keyword is optional
    if (!pw2_IsDigit(*p) || Token().find("OFF") != std::string::npos) {
        ReadKeyword();
        if (AtLineEnd()) {
            NextLine();
            if (!FindContent())
                FailAtEnd("expected the number of vertices, found the end of the file");
        }
    }
    uint64_t points = ReadCount("the number of vertices");
    uint64_t faces = ReadCount("the number of faces");
    if (!AtLineEnd())
        ReadCount("the number of edges");
    if (points > MAXCOUNT)
        Fail("the file has more than 4294967295 vertices");
    if (faces > MAXCOUNT)
        Fail("the file has more than 4294967295 faces");
    // counts from the file are trusted only as far as the text can hold them
    if (points * POINTBYTES + faces * FACEBYTES > uint64_t(end - p) + 1)
        Fail("the file is too short for the " + Vertices(points) + " and " + Faces(faces) +
             " its header announces");
    ExpectLineEnd("the counts");
    pointcount = uint32_t(points);

    pw2_MeshData mesh;
    mesh.positions.reserve(points);
    if (colors)
        mesh.pointcolors.reserve(points);
    mesh.facestarts.reserve(faces + 1);
    for (uint32_t i = 0; i < points; ++i) {
        Report();
        if (!FindContent())
            FailAtEnd("the file ends after " + std::to_string(i) + " of its " + Vertices(points));
        ReadPoint(mesh);
        NextLine();
    }
    for (uint32_t f = 0; f < faces; ++f) {
        Report();
        if (!FindContent())
            FailAtEnd("the file ends after " + std::to_string(f) + " of its " + Faces(faces));
        ReadFace(mesh, f);
        NextLine();
    }
    if (FindContent())
        Fail("expected the end of the file after the last face, found " + Found());
    progress.Report(text.size(), text.size());
    return mesh;
}

} // namespace

pw2_MeshData pw2_ReadOff(std::string_view data, pw2_Progress& progress) {
    return OffParser(data, progress).Parse();
}
