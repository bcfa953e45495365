// A pw2_Main over the fake platform, with the program's two font blocks and a clock the test sets.
#pragma once

#include "pw2_fontblocks.h"
#include "pw2_main.h"
#include "qzfakeplatform.h"
#include "qzmain.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

inline uint32_t testnow = 0;
inline uint32_t TestClock() {
    return testnow;
}

struct MainTest : ::testing::Test {
    qzFakePlatform platform;
    TestBlocks blocks;
    std::unique_ptr<qzMain> engine;
    std::unique_ptr<pw2_Main> app;
    // a file the program is started with, set before SetUp
    std::string startfile;

    void SetUp() override {
        testnow = 1000;
        qzSetResourceProvider(&blocks);
        engine = std::make_unique<qzMain>(1);
        app = std::make_unique<pw2_Main>(engine.get(), TestClock, startfile);
        app->InstallHandlers();
    }
    void TearDown() override {
        app.reset();
        engine.reset();
        qzSetResourceProvider(nullptr);
    }
    qzWindowHandle Handle() { return app->GetMainWindow().GetHandle(); }
    // Delivers a message and runs one pass of the loop; false once the quit message was taken.
    bool Send(uint32_t message, uintptr_t wparam = 0, intptr_t lparam = 0) {
        platform.Deliver(qzFakeMessage(Handle(), message, wparam, lparam));
        return app->RunOnce();
    }
    void MoveMouse(int32_t x, int32_t y) { Send(WM_MOUSEMOVE, 0, qzMakeLParam(x, y)); }
};
