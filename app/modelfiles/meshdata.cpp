#include "meshdata.h"

#include <algorithm>
#include <system_error>

void pw2_MeshData::AddFace(const uint32_t* indices, uint32_t count) {
    corners.insert(corners.end(), indices, indices + count);
    facestarts.push_back(uint32_t(corners.size()));
}

qzColor pw2_MeshData::CornerColor(uint32_t face, uint32_t corner) const {
    if (!cornercolors.empty())
        return cornercolors[corner];
    if (!facecolors.empty())
        return facecolors[face];
    if (!pointcolors.empty())
        return pointcolors[corners[corner]];
    return qzColor(255, 255, 255, 255);
}

namespace {

std::string WithLine(const std::string& reason, uint64_t line) {
    return line == 0 ? reason : "line " + std::to_string(line) + ": " + reason;
}

} // namespace

pw2_ModelFileError::pw2_ModelFileError(const std::string& reason, uint64_t line)
    : std::runtime_error(WithLine(reason, line)), reason(reason), line(line) {}

std::string pw2_SystemReason(int error) {
    std::string text = std::generic_category().message(error);
    // a sentence's end starts in lower case, unless the text starts with an abbreviation
    if (text.size() >= 2 && text[0] >= 'A' && text[0] <= 'Z' && !(text[1] >= 'A' && text[1] <= 'Z'))
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

void pw2_Progress::SetStage(double begin, double end) {
    stagebegin = begin;
    stageend = end;
}

void pw2_Progress::Report(uint64_t done, uint64_t total) {
    if (IsCancelled())
        throw pw2_Cancelled();
    double fraction = total == 0 ? 1.0 : std::min(1.0, double(done) / double(total));
    double whole = stagebegin + (stageend - stagebegin) * fraction;
    permille.store(uint32_t(whole * 1000 + 0.5), std::memory_order_relaxed);
}
