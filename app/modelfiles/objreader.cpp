// The Wavefront OBJ reader: v (with an optional weight or r g b), f in every index form, l, comments and
// backslash continuations; every other statement is skipped. A large text is cut at line ends into chunks
// that threads parse at the same time; the chunks are then joined in file order.
#include "objreader.h"

#include "textnumbers.h"
#include "textwords.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint64_t MAXCOUNT = 0xFFFFFFFFu;
constexpr uint64_t NOLIMIT = std::numeric_limits<uint64_t>::max();
// How many bytes pass between two reports to the progress.
constexpr size_t REPORTSTEP = 1u << 20;
// Texts shorter than two of these are read on one thread: below it, a thread costs more than it saves.
constexpr size_t CHUNKMINIMUM = 2u << 20;
constexpr uint32_t THREADMAXIMUM = 8;
// Points and faces cost differently per byte, so each thread takes several chunks in turn, which evens out
// what the threads have to do.
constexpr uint32_t CHUNKSPERTHREAD = 8;

const qzColor WHITE(255, 255, 255, 255);
constexpr size_t NOSLOT = std::numeric_limits<size_t>::max();

// The characters that end a number or a keyword, but for the backslash, which does so only before a line end.
struct Separators {
    constexpr Separators() {
        for (char c : {' ', '\t', '\r', '\n', '#'})
            table[uint8_t(c)] = true;
    }
    bool table[256] = {};
};
constexpr Separators SEPARATORS;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The text always ends with a newline after p, so p[1] exists, and p[2] too when p[1] is not the newline.
bool IsContinuation(const char* p) {
    return p[0] == '\\' && (p[1] == '\n' || (p[1] == '\r' && p[2] == '\n'));
}

// What may follow a number or a keyword.
bool IsSeparator(const char* p) {
    return SEPARATORS.table[uint8_t(*p)] || IsContinuation(p);
}

// Whether the newline at text[at] ends a line, rather than being joined to the next by a backslash.
bool EndsLine(std::string_view text, size_t at) {
    if (at >= 1 && text[at - 1] == '\\')
        return false;
    return !(at >= 2 && text[at - 1] == '\r' && text[at - 2] == '\\');
}

// The offset just past the first line end at or after from, or the text's size when none follows.
size_t NextLineStart(std::string_view text, size_t from) {
    for (;;) {
        size_t at = text.find('\n', from);
        if (at == std::string_view::npos)
            return text.size();
        if (EndsLine(text, at))
            return at + 1;
        from = at + 1;
    }
}

// The offset just past the last line end: the unfinished line after it is parsed from a copy that ends with
// newlines.
size_t BodyEnd(std::string_view text) {
    size_t at = text.size();
    while (at > 0) {
        at = text.rfind('\n', at - 1);
        if (at == std::string_view::npos)
            return 0;
        if (EndsLine(text, at))
            return at + 1;
    }
    return 0;
}

const char* SkipOptionalInteger(const char* p) {
    if (*p == '-' || *p == '+')
        ++p;
    while (pw2_IsDigit(*p))
        ++p;
    return p;
}

std::string Found(const char* p) {
    if (*p == '\n' || *p == '#' || IsContinuation(p))
        return "the end of the line";
    // one character past what is shown tells whether the word goes on
    const char* q = p;
    while (!IsSeparator(q) && q - p <= 24)
        ++q;
    return "'" + pw2_Excerpt(std::string_view(p, size_t(q - p))) + "'";
}

std::string Vertices(uint64_t count) {
    return std::to_string(count) + (count == 1 ? " vertex" : " vertices");
}

// A negative index of a chunk after the first: it waits for the number of points before the chunk.
struct Backward {
    // where the index goes, or NOSLOT when it is only checked
    size_t slot;
    // relative to the chunk's first point, so negative when it reaches into an earlier chunk
    int64_t index;
};

// A part of the file as a mesh of its own: its point colours are empty until its first coloured point, then
// one per point.
struct ObjChunk : pw2_MeshData {
    std::vector<Backward> backwardcorners;
    std::vector<Backward> backwardlines;
    // the largest positive index (from 1): only the whole file's point count tells whether it is valid
    uint64_t largestindex = 0;
};

// What the threads share while they parse: the bytes done, and whether they should stop early.
struct Shared {
    pw2_Progress& progress;
    uint64_t total;
    std::atomic<uint64_t> done{0};
    std::atomic<bool> stop{false};
};

// Thrown in a thread that stops because another failed.
struct Stopped {};

class ObjParser {
public:
    // The first chunk resolves negative indices at once; the calling thread tells the progress; pointlimit
    // is the file's point count when a second reading looks for the line of an index past it.
    ObjParser(ObjChunk& chunk, Shared& shared, bool first, bool reports, uint64_t pointlimit)
        : chunk(chunk), shared(shared), first(first), reports(reports), pointlimit(pointlimit) {}

    // Text that ends with a line end (or two newlines, for the copy of an unfinished last line).
    void Parse(const char* p, const char* end);

private:
    [[noreturn]] void Fail(const std::string& reason) const { throw pw2_ModelFileError(reason, line); }
    void Report(const char* p);
    const char* SkipBlanks(const char* p) {
        while (*p == ' ' || *p == '\t')
            ++p;
        return *p == '\r' || *p == '\\' ? SkipOtherBlanks(p) : p;
    }
    // Carriage returns and continuations too.
    const char* SkipOtherBlanks(const char* p);
    // Past the line end of the statement at p, continuations included.
    const char* SkipStatement(const char* p);
    const char* EndStatement(const char* p);
    const char* ParsePoint(const char* p);
    const char* ParsePointExtras(const char* p);
    const char* ParseNumber(const char* p, double& value, const char* what);
    const char* ParseFace(const char* p);
    const char* ParsePolyline(const char* p);
    const char* ParseIndex(const char* p, const char* kind, std::vector<uint32_t>& into,
                           std::vector<Backward>& backward);

    ObjChunk& chunk;
    Shared& shared;
    const bool first;
    const bool reports;
    const uint64_t pointlimit;
    const char* begin = nullptr;
    const char* end = nullptr;
    const char* reported = nullptr;
    bool colored = false;
    uint64_t line = 1;
};

void ObjParser::Parse(const char* p, const char* textend) {
    begin = p;
    end = textend;
    reported = p;
    const char* nextreport = p + std::min<size_t>(REPORTSTEP, end - p);
    while (p < end) {
        if (p >= nextreport) {
            Report(p);
            nextreport = p + std::min<size_t>(REPORTSTEP, end - p);
        }
        p = SkipBlanks(p);
        switch (*p) {
        case 'v':
            if (IsSeparator(p + 1)) {
                p = ParsePoint(p + 1);
                continue;
            }
            break;
        case 'f':
            if (IsSeparator(p + 1)) {
                p = ParseFace(p + 1);
                continue;
            }
            break;
        case 'l':
            if (IsSeparator(p + 1)) {
                p = ParsePolyline(p + 1);
                continue;
            }
            break;
        case '\n':
            ++line;
            ++p;
            continue;
        }
        p = SkipStatement(p);
    }
    Report(p);
}

void ObjParser::Report(const char* p) {
    uint64_t done = shared.done.fetch_add(uint64_t(p - reported), std::memory_order_relaxed) + (p - reported);
    reported = p;
    if (shared.stop.load(std::memory_order_relaxed))
        throw Stopped();
    if (reports)
        shared.progress.Report(done, shared.total);
    else if (shared.progress.IsCancelled())
        throw pw2_Cancelled();
}

const char* ObjParser::SkipOtherBlanks(const char* p) {
    for (;;) {
        if (IsBlank(*p)) {
            ++p;
        } else if (IsContinuation(p)) {
            p += p[1] == '\n' ? 2 : 3;
            ++line;
        } else {
            return p;
        }
    }
}

const char* ObjParser::SkipStatement(const char* p) {
    for (;;) {
        const char* newline = static_cast<const char*>(std::memchr(p, '\n', end - p));
        ++line;
        p = newline + 1;
        if (EndsLine(std::string_view(begin, p - begin), newline - begin))
            return p;
    }
}

const char* ObjParser::EndStatement(const char* p) {
    if (*p == '#')
        return SkipStatement(p);
    ++line;
    return p + 1;
}

const char* ObjParser::ParseNumber(const char* p, double& value, const char* what) {
    fast_float::from_chars_result result = pw2_ParseNumber(p, end, value);
    if (result.ec != std::errc() || !IsSeparator(result.ptr))
        Fail(std::string("expected ") + what + ", found " + Found(p));
    return result.ptr;
}

const char* ObjParser::ParsePoint(const char* p) {
    double x, y, z;
    p = ParseNumber(SkipBlanks(p), x, "the x coordinate of a point");
    p = ParseNumber(SkipBlanks(p), y, "the y coordinate of a point");
    p = ParseNumber(SkipBlanks(p), z, "the z coordinate of a point");
    if (!pw2_IsFinite(x, y, z))
        Fail("coordinate is not a finite number");
    if (chunk.positions.size() == MAXCOUNT)
        Fail("the file has more than 4294967295 vertices");
    chunk.positions.emplace_back(x, y, z);
    p = SkipBlanks(p);
    if (*p != '\n')
        return ParsePointExtras(p);
    if (colored)
        chunk.pointcolors.push_back(WHITE);
    ++line;
    return p + 1;
}

// After x y z: nothing, a weight (which a polygon mesh has no use for) or a colour.
const char* ObjParser::ParsePointExtras(const char* p) {
    static const char* const what[3] = {"a weight or the red component of the point's colour",
                                        "the green component of the point's colour",
                                        "the blue component of the point's colour"};
    double extras[3];
    int count = 0;
    for (; *p != '\n' && *p != '#'; p = SkipBlanks(p)) {
        if (count == 3)
            Fail("expected the end of the line after the point's colour, found " + Found(p));
        p = ParseNumber(p, extras[count], what[count]);
        ++count;
    }
    if (count == 2)
        Fail(std::string("expected ") + what[2] + ", found the end of the line");
    if (count == 3) {
        uint8_t bytes[3];
        for (int i = 0; i < 3; ++i) {
            if (!std::isfinite(extras[i]))
                Fail("colour component is not a finite number");
            bytes[i] = pw2_FractionToByte(extras[i]);
        }
        if (!colored) {
            chunk.pointcolors.assign(chunk.positions.size() - 1, WHITE);
            colored = true;
        }
        chunk.pointcolors.emplace_back(bytes[0], bytes[1], bytes[2]);
    } else if (colored) {
        chunk.pointcolors.push_back(WHITE);
    }
    return EndStatement(p);
}

const char* ObjParser::ParseIndex(const char* p, const char* kind, std::vector<uint32_t>& into,
                                  std::vector<Backward>& backward) {
    const char* start = p;
    bool negative = *p == '-';
    if (negative || *p == '+')
        ++p;
    const char* digits = p;
    uint64_t value = 0;
    for (; pw2_IsDigit(*p); ++p)
        value = value * 10 + uint64_t(*p - '0');
    if (p == digits)
        Fail(std::string("expected a vertex index for a ") + kind + ", found " + Found(start));
    // past every count, where 64 bits may no longer hold it
    if (p - digits > 18)
        value = uint64_t(1) << 62;
    const char* number = p;
    // the texture and normal indices that may follow are not used
    if (*p == '/') {
        p = SkipOptionalInteger(p + 1);
        if (*p == '/')
            p = SkipOptionalInteger(p + 1);
    }
    if (!IsSeparator(p))
        Fail(std::string("expected a ") + kind + " such as 3, 3/1, 3//2 or 3/1/2, found " + Found(start));
    auto written = [&] { return std::string(kind) + " " + std::string(start, number); };
    if (value == 0)
        Fail(written() + " does not name a vertex (indices start at 1)");
    if (!negative) {
        if (value > pointlimit)
            Fail(written() + " is out of range (the file has " + Vertices(pointlimit) + ")");
        chunk.largestindex = std::max(chunk.largestindex, value);
        into.push_back(uint32_t(value - 1));
        return p;
    }
    uint64_t before = chunk.positions.size();
    if (first) {
        if (value > before)
            Fail(written() + " is out of range (" + Vertices(before) +
                 (before == 1 ? " precedes it)" : " precede it)"));
        into.push_back(uint32_t(before - value));
    } else {
        backward.push_back({into.size(), int64_t(before) - int64_t(value)});
        into.push_back(0);
    }
    return p;
}

const char* ObjParser::ParseFace(const char* p) {
    for (p = SkipBlanks(p); *p != '\n' && *p != '#'; p = SkipBlanks(p)) {
        // most corners are a short positive index alone
        const char* q = p;
        uint64_t value = 0;
        for (; pw2_IsDigit(*q); ++q)
            value = value * 10 + uint64_t(*q - '0');
        if (q > p && q - p <= 9 && (*q == ' ' || *q == '\n') && value != 0 && value <= pointlimit) {
            chunk.largestindex = std::max(chunk.largestindex, value);
            chunk.corners.push_back(uint32_t(value - 1));
            p = q;
            continue;
        }
        p = ParseIndex(p, "face corner", chunk.corners, chunk.backwardcorners);
    }
    if (chunk.corners.size() > MAXCOUNT)
        Fail("the file has more than 4294967295 face corners");
    chunk.facestarts.push_back(uint32_t(chunk.corners.size()));
    return EndStatement(p);
}

// Each point after the first adds a segment from the point before it.
const char* ObjParser::ParsePolyline(const char* p) {
    std::vector<uint32_t>& lines = chunk.lines;
    std::vector<Backward>& backward = chunk.backwardlines;
    const size_t start = lines.size();
    for (p = SkipBlanks(p); *p != '\n' && *p != '#'; p = SkipBlanks(p)) {
        if (lines.size() - start >= 2) {
            lines.push_back(lines.back());
            if (!backward.empty() && backward.back().slot == lines.size() - 2)
                backward.push_back({lines.size() - 1, backward.back().index});
        }
        p = ParseIndex(p, "polyline point", lines, backward);
    }
    // a single point is no segment, but its index must still be valid
    if (lines.size() - start == 1) {
        lines.pop_back();
        if (!backward.empty() && backward.back().slot == start)
            backward.back().slot = NOSLOT;
    }
    return EndStatement(p);
}

// Appends the later chunks to the first, the points on a thread of their own. False when a negative index
// reaches before the first point or the counts pass their limits: one reading of the whole text in order
// then finds the line.
bool Join(std::vector<ObjChunk>& chunks) {
    const size_t count = chunks.size();
    std::vector<int64_t> pointbases(count + 1, 0);
    uint64_t corners = 0, faces = 0, lines = 0;
    bool colored = false;
    for (size_t k = 0; k < count; ++k) {
        const ObjChunk& chunk = chunks[k];
        pointbases[k + 1] = pointbases[k] + int64_t(chunk.positions.size());
        corners += chunk.corners.size();
        faces += chunk.facestarts.size() - 1;
        lines += chunk.lines.size();
        colored = colored || !chunk.pointcolors.empty();
        for (const std::vector<Backward>* backward : {&chunk.backwardcorners, &chunk.backwardlines})
            for (const Backward& b : *backward)
                if (pointbases[k] + b.index < 0)
                    return false;
    }
    if (uint64_t(pointbases[count]) > MAXCOUNT || corners > MAXCOUNT)
        return false;
    if (count == 1)
        return true;

    ObjChunk& whole = chunks[0];
    std::exception_ptr failure;
    std::jthread points([&] {
        try {
            whole.positions.reserve(size_t(pointbases[count]));
            for (size_t k = 1; k < count; ++k)
                whole.positions.insert(whole.positions.end(), chunks[k].positions.begin(),
                                       chunks[k].positions.end());
            if (!colored)
                return;
            whole.pointcolors.reserve(size_t(pointbases[count]));
            whole.pointcolors.resize(size_t(pointbases[1]), WHITE);
            for (size_t k = 1; k < count; ++k) {
                chunks[k].pointcolors.resize(chunks[k].positions.size(), WHITE);
                whole.pointcolors.insert(whole.pointcolors.end(), chunks[k].pointcolors.begin(),
                                         chunks[k].pointcolors.end());
            }
        } catch (...) {
            failure = std::current_exception();
        }
    });
    whole.corners.reserve(corners);
    whole.facestarts.reserve(faces + 1);
    whole.lines.reserve(lines);
    for (size_t k = 1; k < count; ++k) {
        const ObjChunk& chunk = chunks[k];
        const uint32_t cornerbase = uint32_t(whole.corners.size());
        const size_t linebase = whole.lines.size();
        whole.corners.insert(whole.corners.end(), chunk.corners.begin(), chunk.corners.end());
        for (const Backward& b : chunk.backwardcorners)
            whole.corners[cornerbase + b.slot] = uint32_t(pointbases[k] + b.index);
        for (size_t f = 1; f < chunk.facestarts.size(); ++f)
            whole.facestarts.push_back(cornerbase + chunk.facestarts[f]);
        whole.lines.insert(whole.lines.end(), chunk.lines.begin(), chunk.lines.end());
        for (const Backward& b : chunk.backwardlines)
            if (b.slot != NOSLOT)
                whole.lines[linebase + b.slot] = uint32_t(pointbases[k] + b.index);
        whole.largestindex = std::max(whole.largestindex, chunk.largestindex);
    }
    points.join();
    if (failure)
        std::rethrow_exception(failure);
    return true;
}

// Parses the text in chunkcount chunks, each thread taking the next chunk in turn. False when one of several
// chunks fails or the chunks do not join: only one reading of the whole text in order tells which fault
// comes first, and on which line.
bool ReadChunks(std::string_view text, pw2_Progress& progress, uint32_t chunkcount, uint32_t threadcount,
                uint64_t pointlimit, ObjChunk& result) {
    const size_t bodyend = BodyEnd(text);
    std::vector<size_t> cuts{0};
    for (uint32_t k = 1; k < chunkcount; ++k)
        cuts.push_back(NextLineStart(text.substr(0, bodyend),
                                     std::max(cuts.back(), size_t(uint64_t(bodyend) * k / chunkcount))));
    cuts.push_back(bodyend);
    // the unfinished last line, copied so that it ends with a newline like every other
    std::string tail(text.substr(bodyend));
    tail += "\n\n";

    Shared shared{progress, text.size()};
    std::vector<ObjChunk> chunks(chunkcount);
    std::vector<std::exception_ptr> failures(chunkcount);
    std::atomic<uint32_t> next{0};
    auto work = [&](bool reports) {
        for (uint32_t k; (k = next.fetch_add(1)) < chunkcount;) {
            try {
                // room for what a text of this size usually holds, so that the arrays seldom move; their
                // pages are touched only as they fill
                const size_t bytes = cuts[k + 1] - cuts[k];
                chunks[k].positions.reserve(bytes / 24);
                chunks[k].corners.reserve(bytes / 6);
                chunks[k].facestarts.reserve(bytes / 24);
                ObjParser parser(chunks[k], shared, k == 0, reports, pointlimit);
                parser.Parse(text.data() + cuts[k], text.data() + cuts[k + 1]);
                if (k + 1 == chunkcount)
                    parser.Parse(tail.data(), tail.data() + tail.size());
            } catch (...) {
                failures[k] = std::current_exception();
                shared.stop = true;
            }
        }
    };
    {
        std::vector<std::jthread> threads;
        for (uint32_t t = 1; t < std::min(threadcount, chunkcount); ++t)
            threads.emplace_back(work, false);
        work(true);
    }
    if (progress.IsCancelled())
        throw pw2_Cancelled();
    bool placed = true;
    for (const std::exception_ptr& failure : failures) {
        if (!failure)
            continue;
        try {
            std::rethrow_exception(failure);
        } catch (const pw2_ModelFileError&) {
            if (chunkcount == 1)
                throw;
            placed = false;
        } catch (const Stopped&) {
        }
    }
    if (!placed || !Join(chunks))
        return false;
    result = std::move(chunks[0]);
    return true;
}

pw2_MeshData Read(std::string_view text, pw2_Progress& progress, uint32_t chunkcount, uint32_t threadcount) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    ObjChunk whole;
    if (chunkcount <= 1 || !ReadChunks(text, progress, chunkcount, threadcount, NOLIMIT, whole))
        ReadChunks(text, progress, 1, 1, NOLIMIT, whole);
    if (whole.largestindex > whole.positions.size()) {
        // read again to find the first line with an index past the file's last point
        ObjChunk again;
        ReadChunks(text, progress, 1, 1, whole.positions.size(), again);
        throw pw2_ModelFileError("an index is out of range (the file has " +
                                 Vertices(whole.positions.size()) + ")");
    }
    progress.Report(text.size(), text.size());
    return std::move(static_cast<pw2_MeshData&>(whole));
}

} // namespace

pw2_MeshData pw2_ReadObj(std::string_view data, pw2_Progress& progress) {
    uint32_t threads = std::clamp(std::thread::hardware_concurrency(), 1u, THREADMAXIMUM);
    if (threads == 1 || data.size() < 2 * CHUNKMINIMUM)
        return Read(data, progress, 1, 1);
    uint32_t chunks = uint32_t(std::min<size_t>(data.size() / CHUNKMINIMUM, threads * CHUNKSPERTHREAD));
    return Read(data, progress, chunks, threads);
}

pw2_MeshData pw2_ReadObj(std::string_view data, pw2_Progress& progress, uint32_t chunkcount) {
    return Read(data, progress, chunkcount, std::min(chunkcount, THREADMAXIMUM));
}
