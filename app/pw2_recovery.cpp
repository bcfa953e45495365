#include "pw2_recovery.h"

#include "meshextractor.h"
#include "modelfile.h"
#include "pw2_model.h"
#include "qzdebugoutput.h"
#include "qzdirectory.h"
#include "qzexceptions.h"
#include "qzfilesystem.h"
#include "qztime.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <new>
#include <random>
#include <system_error>

namespace {

const char PATTERN[] = "recovery-*.ply";

void Log(const std::string& line) {
    qzOutputDebugString(("[pw2_Recovery] " + line + "\n").c_str());
}

// A name no other process picks: a process id can be that of a process that crashed before.
std::string OwnName() {
    std::random_device device;
    const uint64_t value = (uint64_t(device()) << 32) ^ device();
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, value);
    return std::string("recovery-") + text + ".ply";
}

} // namespace

pw2_Recovery::pw2_Recovery(const std::string& folder, uint32_t (*clock)())
    : folder(folder), path(folder.empty() ? std::string() : folder + "/" + OwnName()), clock(clock) {}

pw2_Recovery::~pw2_Recovery() {
    Wait();
}

uint32_t pw2_Recovery::Now() const {
    return clock != nullptr ? clock() : GetTime();
}

uint32_t pw2_Recovery::GetTimeToWrite() const {
    const uint32_t elapsed = Now() - armedat;
    return elapsed >= DELAY ? 0 : DELAY - elapsed;
}

void pw2_Recovery::Update(const pw2_Model& model) {
    if (folder.empty())
        return;
    if (writer != nullptr && writer->done.load(std::memory_order_acquire))
        TakeEnd();
    if (!model.history.IsModified()) {
        armed = false;
        copiedrevision = UINT64_MAX;
        // a write that still runs puts its file back: the removal waits for its end
        if (writer == nullptr && (present || !adopted.empty()))
            Remove();
        return;
    }
    if (model.history.GetRevision() == copiedrevision)
        return;
    if (!armed) {
        armed = true;
        armedat = Now();
    }
    if (writer == nullptr && GetTimeToWrite() == 0)
        Start(model);
}

void pw2_Recovery::Start(const pw2_Model& model) {
    armed = false;
    copiedrevision = model.history.GetRevision();
    auto next = std::make_unique<Writer>();
    try {
        next->mesh = pw2_ExtractMesh(*model.currentgeometry);
    } catch (const std::bad_alloc&) {
        Log("Failed to write \"" + path + "\": there is not enough memory for a copy of the model.");
        return;
    }
    Writer* job = next.get();
    try {
        job->thread = std::thread([job, target = path, directory = folder] {
            try {
                std::error_code ignored;
                std::filesystem::create_directories(directory, ignored);
                pw2_WriteModelFile(target, job->mesh);
            } catch (const pw2_ModelFileError& e) {
                job->reason = e.reason;
            } catch (const std::exception& e) {
                job->reason = e.what();
            }
            // the copy's memory goes here rather than on the window's thread
            job->mesh = pw2_MeshData();
            job->done.store(true, std::memory_order_release);
        });
    } catch (const std::system_error& e) {
        Log("Failed to write \"" + path + "\": " + e.what() + ".");
        return;
    }
    present = true;
    writer = std::move(next);
}

void pw2_Recovery::TakeEnd() {
    writer->thread.join();
    if (writer->reason.empty()) {
        Log("Wrote \"" + path + "\".");
        RemoveAdopted();
    } else {
        Log("Failed to write \"" + path + "\": " + writer->reason + ".");
    }
    writer.reset();
}

void pw2_Recovery::Wait() {
    if (writer != nullptr)
        TakeEnd();
}

void pw2_Recovery::Remove() {
    Wait();
    if (present)
        qzDeleteFile(path.c_str());
    present = false;
    RemoveAdopted();
}

void pw2_Recovery::RemoveAdopted() {
    if (adopted.empty())
        return;
    qzDeleteFile(adopted.c_str());
    adopted.clear();
}

std::string pw2_Recovery::FindLeftCopy() const {
    if (folder.empty())
        return {};
    std::string newest;
    std::filesystem::file_time_type newesttime;
    qzDirectory directory;
    try {
        for (bool found = directory.FindFirst((folder + "/" + PATTERN).c_str()); found;
             found = directory.FindNext()) {
            const std::string candidate = folder + "/" + directory.name.c_str();
            std::error_code error;
            const std::filesystem::file_time_type time = std::filesystem::last_write_time(candidate, error);
            if (!directory.isdirectory && candidate != path && !error &&
                (newest.empty() || time > newesttime)) {
                newest = candidate;
                newesttime = time;
            }
        }
    } catch (const qzIOException&) {
        // a folder that cannot be read, or is not there yet, holds no copy
    }
    return newest;
}
