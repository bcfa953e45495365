// One load of a model file on a thread of its own, so that the window keeps drawing and answering while a
// large file is read and built. The loader fills a geometry that is not shown; the caller swaps it in when
// the load has succeeded and discards it otherwise.
#pragma once

#include "meshdata.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

class pw2_ModelGeometry;

class pw2_ModelLoader {
public:
    enum class State { Running, Loaded, Failed, Cancelled };

    // Starts at once. geometry stays owned by the caller and must outlive the loader.
    pw2_ModelLoader(const std::string& path, pw2_ModelGeometry* geometry);
    // Cancels a load that still runs and waits for its thread.
    ~pw2_ModelLoader();
    pw2_ModelLoader(const pw2_ModelLoader&) = delete;
    pw2_ModelLoader& operator=(const pw2_ModelLoader&) = delete;

    State GetState() const { return state.load(std::memory_order_acquire); }
    // 0 to 1 while running.
    double GetFraction() const { return progress.GetFraction(); }
    void Cancel() { progress.Cancel(); }
    // Waits for the thread; afterwards the state no longer changes.
    void Wait();

    const std::string& GetPath() const { return path; }
    pw2_ModelGeometry* GetGeometry() const { return geometry; }
    // Once Failed: why, and the line of a text file (0 when none).
    const std::string& GetReason() const { return reason; }
    uint64_t GetLine() const { return line; }

private:
    void Run();

    std::string path;
    pw2_ModelGeometry* geometry;
    pw2_Progress progress;
    std::atomic<State> state{State::Running};
    // written by the thread before it publishes the state
    std::string reason;
    uint64_t line = 0;
    std::thread thread;
};
