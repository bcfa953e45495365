// A pw2_Main whose graphics controller draws into the recording fake of the Direct3D interface, with
// helpers that read the vertices of the recorded draws back.
#pragma once

#include "pw2_graphicscontroller.h"
#include "test_pw2_control_fixture.h"

#include "qzfakerenderapi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

inline std::vector<qzVertex2D> Vertices2D(const qzFakeRenderApi::Draw& draw) {
    std::vector<qzVertex2D> vertices(draw.vertices.size() / sizeof(qzVertex2D));
    std::memcpy(vertices.data(), draw.vertices.data(), vertices.size() * sizeof(qzVertex2D));
    return vertices;
}

// The fake is a member, so it is installed before the base's SetUp builds the engine root on it.
template <class Base> struct WithFakeDirect3D : Base {
    qzFakeRenderApi api;

    void TearDown() override {
        Base::TearDown();
        EXPECT_EQ(api.errors, std::vector<std::string>());
    }
    pw2_GraphicsController& Graphics() { return *this->app->GetGraphicsController(); }
    int Presents() const { return api.device != nullptr ? api.device->presents : 0; }
    // Requests a frame and runs one pass of the loop, which draws it.
    void DrawOneFrame() {
        this->app->RequestRedraw();
        this->app->RunOnce();
    }
};

using GraphicsTest = WithFakeDirect3D<MainTest>;
using GraphicsControlTest = WithFakeDirect3D<ControlTest>;
