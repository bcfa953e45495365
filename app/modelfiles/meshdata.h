// What a model file holds, as every reader gives it and every writer takes it: points, polygon faces as
// lists of point indices, polylines as point pairs, and colours. The geometry is built from it in one place
// (meshbuilder), so the formats share nothing but this type and each can be read, written and fuzzed alone.
#pragma once

#include "qzcolor.h"
#include "qzvector.h"

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// A colour component written as a fraction from 0 to 1 (clamped to them, NaN as 0), as a byte.
inline uint8_t pw2_FractionToByte(double value) {
    if (!(value > 0))
        return 0;
    return value >= 1 ? 255 : uint8_t(value * 255 + 0.5);
}

struct pw2_MeshData {
    // Number of faces: facestarts holds one more entry than that.
    uint32_t FaceCount() const { return facestarts.empty() ? 0 : uint32_t(facestarts.size() - 1); }
    // Appends a face of the given corners (point indices).
    void AddFace(const uint32_t* indices, uint32_t count);
    // The colour of corner c (an index into corners) of face f: its own, else its face's, else its point's,
    // else white.
    qzColor CornerColor(uint32_t face, uint32_t corner) const;

    std::vector<qzVector3> positions;
    // The corners of every face, one face after the other, as indices into positions. Face f has the
    // corners from facestarts[f] up to facestarts[f + 1]; facestarts starts with 0. A face may have any
    // number of corners here, even fewer than three: the builder decides what becomes a face.
    std::vector<uint32_t> corners;
    std::vector<uint32_t> facestarts{0};
    // Pairs of point indices: the segments of the file's polylines, which become edges.
    std::vector<uint32_t> lines;
    // Colours, each empty when the file gives none: one per point, one per face, or one per corner.
    std::vector<qzColor> pointcolors;
    std::vector<qzColor> facecolors;
    std::vector<qzColor> cornercolors;
};

// Why a file cannot be read or written, in words a person understands, with the line of a text file
// when it is known (0 when not).
class pw2_ModelFileError : public std::runtime_error {
public:
    explicit pw2_ModelFileError(const std::string& reason, uint64_t line = 0);

    std::string reason;
    uint64_t line;
};

// The system's words for an error code as the end of a reason: "no such file or directory".
std::string pw2_SystemReason(int error);

// Thrown by pw2_Progress::Report when the user cancelled the work.
class pw2_Cancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

// How far a read or a build has come, shared with the thread that shows it, and the way that thread stops
// it. The work runs in stages (read, then build); each stage fills its own part of the whole.
class pw2_Progress {
public:
    // The part of the whole, from begin to end (both 0 to 1), that the next reports fill.
    void SetStage(double begin, double end);
    // done of total units of the current stage; throws pw2_Cancelled once Cancel was called.
    void Report(uint64_t done, uint64_t total);
    void Cancel() { cancelled.store(true, std::memory_order_relaxed); }
    bool IsCancelled() const { return cancelled.load(std::memory_order_relaxed); }
    // 0 to 1.
    double GetFraction() const { return permille.load(std::memory_order_relaxed) / 1000.0; }

private:
    std::atomic<bool> cancelled{false};
    std::atomic<uint32_t> permille{0};
    double stagebegin = 0;
    double stageend = 1;
};
