// The one object that draws: it owns the device of the main window, the screen-space and world-space vertex
// queues and the two lights, takes the device through its lost/reset cycle, draws a frame only when one was
// requested, and has one drawing operation per kind of window. The window tree's draw slots call these
// operations; nothing else in the program issues drawing calls.
#pragma once

#include "qzcolor.h"
#include "qzdevice.h"
#include "qzlight.h"
#include "qzvertexqueue.h"

#include <cstdint>

class pw2_Main;

constexpr uint32_t PW2_QUEUE_VERTICES = 10000;

// t8 = trunc(t * 255 + 0.5); every channel (a * (255 - t8) + b * t8 + 127) / 255.
qzColor pw2_Lerp(qzColor a, qzColor b, double t);

class pw2_GraphicsController {
public:
    explicit pw2_GraphicsController(pw2_Main* main);
    ~pw2_GraphicsController();
    pw2_GraphicsController(const pw2_GraphicsController&) = delete;
    pw2_GraphicsController& operator=(const pw2_GraphicsController&) = delete;

    // Once per pass of the main loop: recovers a lost device, then draws and presents a requested frame.
    void Update();
    void RequestRedraw() { redrawRequested = true; }
    // The back buffer takes the client size, but never less than 800 x 600.
    void OnResize();
    void OnDeviceReset();
    // The device's draw callback.
    void DrawFrame();

    bool IsReady() const { return ready; }
    bool IsRedrawRequested() const { return redrawRequested; }
    qzDevice& GetDevice() { return device; }
    qzVertexQueue2D& GetScreenQueue() { return screenQueue; }
    qzVertexQueue3D& GetModelQueue() { return modelQueue; }

private:
    pw2_Main* main;
    qzDevice device;
    qzVertexQueue2D screenQueue;
    qzVertexQueue3D modelQueue;
    qzLight lights[2];
    bool firstReset = true;
    bool ready = false;
    bool redrawRequested = false;
};
