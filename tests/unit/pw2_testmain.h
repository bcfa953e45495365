// A pw2_Main over the fake platform, with the program's two font blocks and a clock the test sets.
#pragma once

#include "pw2_main.h"
#include "qzfakeplatform.h"
#include "qzmain.h"
#include "qzresource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

inline std::string ReadSourceFile(const char* relative) {
    std::ifstream file(std::string(QZ_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

struct TestBlocks : qzResourceProvider {
    std::map<std::string, std::string> blocks{{"1001", ReadSourceFile("resources/font1001.bmpf")},
                                              {"1002", ReadSourceFile("resources/font1002.bmpf")}};
    bool Load(const char* name, qzString& data) override {
        auto found = blocks.find(name);
        if (found == blocks.end())
            return false;
        data.Append(found->second.data(), static_cast<uint32_t>(found->second.size()));
        return true;
    }
};

inline uint32_t testnow = 0;
inline uint32_t TestClock() {
    return testnow;
}

struct MainTest : ::testing::Test {
    qzFakePlatform platform;
    TestBlocks blocks;
    std::unique_ptr<qzMain> engine;
    std::unique_ptr<pw2_Main> app;

    void SetUp() override {
        testnow = 1000;
        qzSetResourceProvider(&blocks);
        engine = std::make_unique<qzMain>(1);
        app = std::make_unique<pw2_Main>(engine.get(), TestClock);
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
