// A window with a device over the fake platform and the recording fake of the Direct3D interface.
#pragma once

#include "qzdevice.h"
#include "qzexceptions.h"
#include "qzfakeplatform.h"
#include "qzfakerenderapi.h"
#include "qzmain.h"
#include "qzwindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// The call must throw qzD3DException naming the place and the failed call.
inline void ExpectD3DFailure(const std::function<void()>& call, const char* where, const char* what) {
    try {
        call();
        ADD_FAILURE() << "no exception from " << where;
    } catch (const qzD3DException& failure) {
        EXPECT_STREQ(failure.where, where);
        EXPECT_STREQ(failure.call, what);
    }
}

struct DeviceTest : ::testing::Test {
    qzFakePlatform platform;
    qzFakeRenderApi api; // installed before the root takes it
    qzMain root{1};
    qzWindow window;
    qzDevice device;

    void SetUp() override {
        window.Create(&root, "Test", 2, QZDEFAULTPOS, QZDEFAULTPOS, 800, 600, 800, 600, nullptr);
        device.Create(&window, false);
        device.SetSize(800, 600);
    }
    void TearDown() override { EXPECT_EQ(api.errors, std::vector<std::string>()); }

    // Creates the Direct3D device and forgets the calls made so far.
    void MakeUsable() {
        ASSERT_TRUE(device.Restore());
        api.ClearCalls();
        platform.ClearCalls();
    }
};

// The same with the Direct3D device made.
struct UsableDeviceTest : DeviceTest {
    void SetUp() override {
        DeviceTest::SetUp();
        MakeUsable();
    }
};
