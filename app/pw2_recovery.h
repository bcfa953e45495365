// The recovery copy: a while after the model has changed without being saved, a copy of it goes to a folder
// of the user's data, written on a thread of its own; it goes again once the model has no unsaved changes
// (saved, undone or discarded) and when the program ends cleanly, so that a copy found at start was left by
// a crash. Each process writes a file of its own name, so that two running editors never write over each
// other's copy; at start the newest copy found is offered first.
#pragma once

#include "meshdata.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

class pw2_Model;

class pw2_Recovery {
public:
    // A copy is written at most this long after the first change it keeps.
    static constexpr uint32_t DELAY = 30000;

    // The copies live in folder, made when the first is written; with an empty folder nothing is written
    // and nothing found. The delay reads GetTime unless a clock is given.
    explicit pw2_Recovery(const std::string& folder, uint32_t (*clock)() = nullptr);
    // Waits for a write still running; the copy stays.
    ~pw2_Recovery();
    pw2_Recovery(const pw2_Recovery&) = delete;
    pw2_Recovery& operator=(const pw2_Recovery&) = delete;

    // Once per pass of the main loop: takes in a write that has ended, arms on a change not yet in a copy,
    // takes the model's mesh and starts its write once due, and removes the copies while nothing is unsaved.
    void Update(const pw2_Model& model);
    // A copy is due; GetTimeToWrite says when (0: at the next Update, unless a write still runs).
    bool IsArmed() const { return armed; }
    uint32_t GetTimeToWrite() const;
    bool IsWriting() const { return writer != nullptr; }
    // Waits for a running write and takes in its end.
    void Wait();
    // Removes this process's copy and the one the model was recovered from (a clean end).
    void Remove();

    // The copy this process writes.
    const std::string& GetPath() const { return path; }
    // The newest copy in the folder that is not this process's own; empty when there is none.
    std::string FindLeftCopy() const;
    // The model was opened from this left copy, which goes once a copy of this process is written, or with
    // Remove.
    void Adopt(const std::string& leftcopy) { adopted = leftcopy; }

private:
    struct Writer {
        pw2_MeshData mesh;
        // set by the thread before it publishes done: why the write failed, empty when it succeeded
        std::string reason;
        std::atomic<bool> done{false};
        std::thread thread;
    };
    void Start(const pw2_Model& model);
    void TakeEnd();
    void RemoveAdopted();
    uint32_t Now() const;

    std::string folder;
    std::string path;
    std::string adopted;
    uint32_t (*clock)();
    std::unique_ptr<Writer> writer;
    bool armed = false;
    uint32_t armedat = 0;
    // the history revision of the last copy started; none before the first
    uint64_t copiedrevision = UINT64_MAX;
    // a copy of this process may be on the disk
    bool present = false;
};
