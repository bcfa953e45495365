// A pw2_Main whose graphics controller draws into the recording fake of the Direct3D interface, with
// helpers that read the vertices of the recorded draws back.
#pragma once

#include "pw2_graphicscontroller.h"
#include "test_pw2_control_fixture.h"

#include "qzfakerenderapi.h"
#include "qzscene.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

template <class Vertex = qzVertex2D> std::vector<Vertex> Vertices(const qzFakeRenderApi::Draw& draw) {
    std::vector<Vertex> vertices(draw.vertices.size() / sizeof(Vertex));
    std::memcpy(vertices.data(), draw.vertices.data(), vertices.size() * sizeof(Vertex));
    return vertices;
}

// The fake is a member, so it is installed before the base's SetUp builds the engine root on it.
template <class Base> struct WithFakeDirect3D : Base {
    qzFakeRenderApi api;
    size_t firstdraw = 0, firstcall = 0;

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
    // Runs one drawing operation alone in a scene; its draws and calls are those from firstdraw and
    // firstcall.
    template <class Operation> void DrawAlone(Operation operation) {
        qzScene scene;
        scene.Begin(&Graphics().GetDevice());
        scene.Register(&Graphics().GetScreenQueue());
        scene.Register(&Graphics().GetModelQueue());
        firstdraw = api.draws.size();
        firstcall = api.calls.size();
        operation(Graphics());
        scene.End();
    }
    std::vector<qzFakeRenderApi::Draw> Draws() const {
        return {api.draws.begin() + static_cast<std::ptrdiff_t>(firstdraw), api.draws.end()};
    }
    std::vector<std::string> Calls() const {
        return {api.calls.begin() + static_cast<std::ptrdiff_t>(firstcall), api.calls.end()};
    }
    // Where in Calls() the calls that start with the prefix are.
    std::vector<int> CallsAt(const std::string& prefix) const {
        std::vector<int> at;
        for (size_t i = firstcall; i < api.calls.size(); ++i)
            if (api.calls[i].starts_with(prefix))
                at.push_back(static_cast<int>(i - firstcall));
        return at;
    }
};

using GraphicsTest = WithFakeDirect3D<MainTest>;
using GraphicsControlTest = WithFakeDirect3D<ControlTest>;
