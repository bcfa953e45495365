// A pw2_Main over the fake at 800 x 600 with helpers that drive the mouse and keys through real messages,
// and an owner whose callbacks the controls call.
#pragma once

#include "pw2_testmain.h"
#include "qzmessage.h"

#include <cstdint>
#include <vector>

struct ControlOwner {
    int clicks = 0;
    bool on = false;
    uint32_t index = 0;
    std::vector<uint32_t> selected;
    void Click() { ++clicks; }
    void Flip() {
        on = !on;
        ++clicks;
    }
    bool State() { return on; }
    uint32_t Index() { return index; }
    void Select(uint32_t i) { selected.push_back(i); }
};

struct ControlTest : MainTest {
    void SetUp() override {
        MainTest::SetUp();
        Send(WM_SIZE, SIZE_RESTORED, qzMakeLParam(800, 600));
    }
    // Moves with the left button held when it is.
    void Move(int32_t x, int32_t y) {
        Send(WM_MOUSEMOVE, app->GetMainWindow().IsLeftButtonHeld() ? 1 : 0, qzMakeLParam(x, y));
    }
    void Press(int32_t x, int32_t y, uint32_t message = WM_LBUTTONDOWN) {
        Move(x, y);
        Send(message, 1, qzMakeLParam(x, y));
    }
    void Release(int32_t x, int32_t y, uint32_t message = WM_LBUTTONUP) {
        Send(message, 0, qzMakeLParam(x, y));
    }
    void Click(int32_t x, int32_t y) {
        Press(x, y);
        Release(x, y);
    }
    void Key(int8_t key) {
        Send(WM_KEYDOWN, static_cast<uint8_t>(key), 1);
        Send(WM_KEYUP, static_cast<uint8_t>(key), 1);
    }
    // One wheel notch away from the user per positive step.
    void Wheel(int notchesaway) { Send(WM_MOUSEWHEEL, static_cast<uint32_t>(notchesaway * 120) << 16, 0); }
    uint32_t Redraws() const { return app->GetRedrawRequestCount(); }
};
