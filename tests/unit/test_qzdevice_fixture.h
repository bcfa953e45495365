// A window with a device over the fake platform and the recording fake of the Direct3D interface.
#pragma once

#include "failure.h"
#include "qzdevice.h"
#include "qzfakeplatform.h"
#include "qzfakerenderapi.h"
#include "qzmain.h"
#include "qzwindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
