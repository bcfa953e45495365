// The real program's frame with a large model: the application object built as the program builds it (the
// Qt platform, the OpenGL device, the engine root, pw2_Main with a start file), the load awaited, then both
// views set to a display mode and turned a little before every frame, each frame requested and drawn by one
// pass of the main loop. A frame is timed from the pass's start to its present, whose swap the software
// driver finishes before it returns; the processor time counts every thread of the process, the driver's
// rasterisers included. Calling the loop directly, rather than dragging the real program's camera with
// synthetic input, sets the display mode without clicking through the menu, gives exactly one frame per
// turn however long a frame takes, and leaves nothing but the frame between the two clocks.
// Prints one line per mode: its name, the median milliseconds per frame and of the processor per frame.
// With --move, instead: a move of the first 1,000 points of the file's model, dragged as the view's drag
// moves them, then timed from the drag's release to the next frame presented, in "Solid" and "Schematic"; the
// lines "Move-Solid" and "Move-Schematic" give the median milliseconds from the release to the frame, the
// step's bytes in the history, the milliseconds from one drag step to its frame, from a click that adds a
// point to the selection to its frame, and of a frame with nothing changed (the floor), all in one run.
// Usage: bench_viewframe FRAMES [FILE]   (with FILE: "Solid", then "Schematic"; without it the sample
// scene in the views' own mode, "Sample")
//        bench_viewframe --move FRAMES FILE
#include "pw2_editor.h"
#include "pw2_filecommands.h"
#include "pw2_main.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "pw2_view.h"
#include "pw2_viewimage.h"
#include "qzglrenderapi.h"
#include "qzmain.h"
#include "qzmessagequeue.h"
#include "qzqtplatform.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

// the turn of both cameras between two frames
constexpr double TURN = std::numbers::pi / 90;
// frames in a row that may pass without a present before the benchmark gives up
constexpr int MISSES = 100;

double Now(clockid_t clock) {
    timespec ts;
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Mode {
    const char* name;
    uint32_t displaymode;
};

// Runs the loop until the first frame is shown, the file is in and nothing moves or waits to be drawn.
bool Settle(pw2_Main& application, const qzGLRenderApi& api) {
    while (api.presents == 0 || application.GetFileCommands()->IsLoading() ||
           application.GetLeftView()->IsAnimating() || application.GetRightView()->IsAnimating() ||
           application.GetIdleTimeout() == 1) {
        if (!application.RunOnce())
            return false;
        qzWaitForMessage(application.GetIdleTimeout());
    }
    return true;
}

// Prints the median wall and processor milliseconds per frame of frames frames in mode, both cameras turning.
bool Measure(pw2_Main& application, const qzGLRenderApi& api, const Mode& mode, int frames) {
    pw2_View* views[2] = {application.GetLeftView(), application.GetRightView()};
    double azimuths[2], elevations[2];
    for (int i = 0; i < 2; ++i) {
        views[i]->SetDisplayMode(mode.displaymode);
        views[i]->GetAngles(azimuths[i], elevations[i]);
    }
    std::vector<double> times, processor;
    // the first frame of a mode builds the driver's shader variants: not counted
    for (int frame = -1, misses = 0; frame < frames;) {
        for (int i = 0; i < 2; ++i) {
            azimuths[i] += TURN;
            views[i]->SetRotationFromAngles(azimuths[i], elevations[i]);
        }
        application.RequestRedraw();
        const uint64_t presents = api.presents;
        const double start = Now(CLOCK_MONOTONIC), startprocessor = Now(CLOCK_PROCESS_CPUTIME_ID);
        if (!application.RunOnce())
            return false;
        const double end = Now(CLOCK_MONOTONIC), endprocessor = Now(CLOCK_PROCESS_CPUTIME_ID);
        // a pass that presented nothing (a lost device) or more (a reset after a resize) is not a frame
        if (api.presents != presents + 1) {
            if (++misses > MISSES)
                return false;
            continue;
        }
        misses = 0;
        if (frame++ < 0)
            continue;
        times.push_back(end - start);
        processor.push_back(endprocessor - startprocessor);
    }
    std::printf("%s %.2f %.2f\n", mode.name, Median(times), Median(processor));
    std::fflush(stdout);
    return true;
}

// Runs passes of the loop until one presents a frame.
bool NextFrame(pw2_Main& application, const qzGLRenderApi& api) {
    const uint64_t presents = api.presents;
    for (int misses = 0; api.presents == presents; ++misses)
        if (misses > MISSES || !application.RunOnce())
            return false;
    return true;
}

// Each round selects the points, drags them one step further and draws, then releases: the release and the
// frame after it are timed. Every release is a step of its own in the history.
bool MeasureMove(pw2_Main& application, const qzGLRenderApi& api, const Mode& mode, int frames) {
    constexpr size_t POINTS = 1000;
    pw2_Editor& editor = *application.GetEditor();
    pw2_Model& model = *application.GetModel();
    std::vector<pw2_ModelPoint*> points;
    for (pw2_ModelPoint* p = model.currentgeometry->firstpoint; p != nullptr && points.size() < POINTS;
         p = p->next)
        points.push_back(p);
    editor.SelectPoints(points, false);
    for (pw2_View* view : {application.GetLeftView(), application.GetRightView()})
        view->SetDisplayMode(mode.displaymode);
    std::vector<double> plains, drags, releases, bytes, clicks;
    for (int frame = -1; frame < frames; ++frame) {
        // the floor: a frame of the same model and views with nothing changed
        application.RequestRedraw();
        const double plainstart = Now(CLOCK_MONOTONIC);
        if (!NextFrame(application, api))
            return false;
        const double plainend = Now(CLOCK_MONOTONIC);
        if (!editor.BeginMove())
            return false;
        const double dragstart = Now(CLOCK_MONOTONIC);
        editor.MoveTo(qzVector3(0, 0, 0.01 * (frame + 2)));
        if (!NextFrame(application, api))
            return false;
        const uint64_t before = model.history.GetMemory();
        const double start = Now(CLOCK_MONOTONIC);
        editor.EndMove();
        if (!NextFrame(application, api))
            return false;
        const double end = Now(CLOCK_MONOTONIC);
        // a click that adds a point to the selection, and takes it away again unmeasured
        pw2_ModelPoint* clicked = points.back()->next;
        editor.SelectPoint(clicked, true);
        if (!NextFrame(application, api))
            return false;
        const double clickend = Now(CLOCK_MONOTONIC);
        editor.SelectPoint(clicked, true);
        if (frame < 0)
            continue;
        clicks.push_back(clickend - end);
        plains.push_back(plainend - plainstart);
        drags.push_back(start - dragstart);
        releases.push_back(end - start);
        bytes.push_back(static_cast<double>(model.history.GetMemory() - before));
    }
    std::printf("Move-%s %.2f %.0f %.2f %.2f %.2f\n", mode.name, Median(releases), Median(bytes),
                Median(drags), Median(clicks), Median(plains));
    std::fflush(stdout);
    return true;
}

int Run(int frames, const std::string& file, const qzGLRenderApi& api, bool move) {
    qzMain qzmain(1);
    pw2_Main application(&qzmain, nullptr, file);
    application.InstallHandlers();
    if (!Settle(application, api))
        return 1;
    const pw2_Model& model = *application.GetModel();
    if (model.path != file) {
        std::fprintf(stderr, "bench_viewframe: %s did not load\n", file.c_str());
        return 1;
    }
    const pw2_ViewImage& image = *application.GetLeftView()->GetImage();
    std::printf("# bench_viewframe: %s, %u faces, two views of %d x %d pixels; median of %d frames\n",
                file.empty() ? "the sample scene" : file.c_str(), model.currentgeometry->facecount,
                image.GetWidth(), image.GetHeight(), frames);
    std::vector<Mode> modes = {{"Solid", 2}, {"Schematic", 0}};
    if (move) {
        for (const Mode& mode : modes)
            if (!MeasureMove(application, api, mode, frames)) {
                std::fprintf(stderr, "bench_viewframe: the move could not be measured\n");
                return 1;
            }
        return 0;
    }
    if (file.empty())
        modes = {{"Sample", application.GetLeftView()->GetDisplayMode()}};
    for (const Mode& mode : modes)
        if (!Measure(application, api, mode, frames)) {
            std::fprintf(stderr, "bench_viewframe: the program stopped presenting frames\n");
            return 1;
        }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool move = argc > 1 && std::string(argv[1]) == "--move";
    const int first = move ? 2 : 1;
    const int frames = argc > first ? std::atoi(argv[first]) : 0;
    if (frames < 1 || argc > first + 2 || (move && argc != first + 2)) {
        std::fputs("usage: bench_viewframe FRAMES [FILE]\n       bench_viewframe --move FRAMES FILE\n",
                   stderr);
        return 2;
    }
    const std::string file = argc > first + 1 ? argv[first + 1] : "";
    // a load that fails shows a message box, which would wait for a click that never comes
    if (!file.empty() && !std::ifstream(file)) {
        std::fprintf(stderr, "bench_viewframe: cannot read %s\n", file.c_str());
        return 1;
    }
    // As in the program, the platform stays to the end of the process.
    qzQtPlatform& platform = *new qzQtPlatform(argc, argv);
    qzGLRenderApi api(platform);
    qzSetRenderApi(&api);
    const int result = Run(frames, file, api, move);
    qzSetRenderApi(nullptr);
    return result;
}
