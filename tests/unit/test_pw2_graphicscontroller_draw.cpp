#include "pw2_control_button.h"
#include "pw2_control_dropdown.h"
#include "pw2_control_toggle.h"
#include "pw2_menu.h"
#include "pw2_submenu.h"
#include "pw2_theme.h"
#include "test_pw2_graphics_fixture.h"

#include "qzmessage.h"
#include "qzscene.h"
#include "qztextlayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

struct DrawTest : GraphicsControlTest {
    ControlOwner owner;
    pw2_Window* panel = nullptr;
    size_t firstdraw = 0;
    size_t firstcall = 0;

    void SetUp() override {
        GraphicsControlTest::SetUp();
        panel = new pw2_Window(app.get(), app->GetRootWindow());
        panel->SetRect(100, 100, 300, 200);
    }
    // Runs one drawing operation alone in a scene; its draws and calls follow firstdraw and firstcall.
    template <class Operation> void DrawAlone(Operation operation) {
        qzScene scene;
        scene.Begin(&Graphics().GetDevice());
        scene.Register(&Graphics().GetScreenQueue());
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
};

struct Corner {
    float x, y;
    qzColor color;
};

// The corners of a draw as (x, y, colour); every 2D shape has z 0 and rhw 1.
std::vector<Corner> Corners(const qzFakeRenderApi::Draw& draw) {
    std::vector<Corner> corners;
    for (const qzVertex2D& v : Vertices2D(draw)) {
        EXPECT_EQ(v.z, 0.0f);
        EXPECT_EQ(v.rhw, 1.0f);
        corners.push_back({v.x, v.y, qzColor::FromARGB(v.diffuse)});
    }
    return corners;
}

void ExpectCorners(const qzFakeRenderApi::Draw& draw, D3DPRIMITIVETYPE type,
                   const std::vector<Corner>& want) {
    EXPECT_EQ(draw.type, type);
    std::vector<Corner> got = Corners(draw);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].x, want[i].x) << "corner " << i;
        EXPECT_EQ(got[i].y, want[i].y) << "corner " << i;
        EXPECT_EQ(got[i].color, want[i].color) << "corner " << i;
    }
}

// A quad over pixels x1 .. x2-1, y1 .. y2-1: two clockwise triangles shifted by half a pixel.
void ExpectQuad(const qzFakeRenderApi::Draw& draw, float x1, float y1, float x2, float y2, qzColor topleft,
                qzColor topright, qzColor bottomright, qzColor bottomleft) {
    x1 -= 0.5f, y1 -= 0.5f, x2 -= 0.5f, y2 -= 0.5f;
    ExpectCorners(draw, D3DPT_TRIANGLELIST,
                  {{x1, y1, topleft},
                   {x2, y1, topright},
                   {x2, y2, bottomright},
                   {x2, y2, bottomright},
                   {x1, y2, bottomleft},
                   {x1, y1, topleft}});
}

// A frame through its last pixels inside, without the half-pixel shift.
void ExpectFrame(const qzFakeRenderApi::Draw& draw, float x1, float y1, float x2, float y2, qzColor color) {
    ExpectCorners(draw, D3DPT_LINELIST,
                  {{x1, y1, color},
                   {x2, y1, color},
                   {x2, y1, color},
                   {x2, y2, color},
                   {x2, y2, color},
                   {x1, y2, color},
                   {x1, y2, color},
                   {x1, y1, color}});
}

// A text draw: one glyph quad per glyph in one colour, the first placed where a layout of the first font
// with the same alignment puts it for the anchor.
void ExpectText(const qzFakeRenderApi::Draw& draw, qzBitmapFont& font, const char* text, uint32_t halign,
                uint32_t valign, int32_t x, int32_t y, qzColor color) {
    qzTextLayout reference(&font, 0, 4);
    reference.Layout(qzStringRef::FromText(text), false, false, UINT32_MAX);
    reference.Align(halign, valign);
    EXPECT_EQ(draw.type, D3DPT_TRIANGLELIST);
    std::vector<qzVertex2D> vertices = Vertices2D(draw);
    ASSERT_EQ(vertices.size(), 6 * reference.glyphcount);
    for (const qzVertex2D& v : vertices)
        EXPECT_EQ(qzColor::FromARGB(v.diffuse), color);
    EXPECT_EQ(vertices[0].x,
              static_cast<float>(x + reference.lines[0].offset + font.GetHorizontalOffset()) - 1.5f);
    EXPECT_EQ(vertices[0].y, static_cast<float>(y + reference.verticaloffset) - 1.5f);
}

const qzColor FRAME{60, 60, 60};
const qzColor BLACK{0, 0, 0};

} // namespace

TEST_F(DrawTest, ButtonFaceFollowsHoverAndPressAndItsCaptionIsCentredOverTheFontTexture) {
    pw2_Control_Button* button = new pw2_Control_Button(app.get(), panel);
    button->SetText("Point");
    button->SetGridPosition(2, 2, 10, 4); // absolute 111, 111, 48 x 18
    const pw2_ControlColors& family = pw2_ButtonColors();
    const struct {
        const char* state;
        int x, y;
        bool press;
        pw2_ControlColorIndex top, bottom;
    } states[] = {
        {"normal", 300, 250, false, PW2_COLOR_CONTROL_BUTTON_NORMAL1, PW2_COLOR_CONTROL_BUTTON_NORMAL2},
        {"hot", 120, 120, false, PW2_COLOR_CONTROL_BUTTON_NORMAL_HIGHLIGHT1,
         PW2_COLOR_CONTROL_BUTTON_NORMAL_HIGHLIGHT2},
        {"pressed", 120, 120, true, PW2_COLOR_CONTROL_BUTTON_PRESSED_HIGHLIGHT1,
         PW2_COLOR_CONTROL_BUTTON_PRESSED_HIGHLIGHT2},
    };
    for (const auto& state : states) {
        SCOPED_TRACE(state.state);
        if (state.press)
            Press(state.x, state.y);
        else
            Move(state.x, state.y);
        DrawAlone([&](pw2_GraphicsController& g) { g.DrawButton(button, 105, 106, 200, 150); });
        std::vector<qzFakeRenderApi::Draw> draws = Draws();
        ASSERT_EQ(draws.size(), 3u) << "face, frame, caption";
        ExpectQuad(draws[0], 112, 112, 158, 128, family[state.top], family[state.top], family[state.bottom],
                   family[state.bottom]);
        ExpectFrame(draws[1], 111, 111, 158, 128, FRAME);
        ExpectText(draws[2], app->GetFont(0), "Point", QZALIGN_CENTER, QZALIGN_MIDDLE, 111 + 24, 111 + 9,
                   BLACK);
    }
    Release(120, 120);

    // The prologue clips to what the operation was handed; the caption is textured, the face is not.
    std::vector<std::string> calls = Calls();
    auto at = [&](const std::string& call) {
        return std::find(calls.begin(), calls.end(), call) - calls.begin();
    };
    const auto scissor = at("SetScissorRect 105 106 305 256");
    const auto untextured = at("SetTextureStageState 0 D3DTSS_COLOROP 1");
    const auto facedraw =
        std::find_if(calls.begin(), calls.end(),
                     [](const std::string& call) { return call.starts_with("DrawPrimitive"); }) -
        calls.begin();
    const auto modulate = at("SetTextureStageState 0 D3DTSS_COLOROP 4");
    const auto pointfilter = at("SetSamplerState 0 D3DSAMP_MINFILTER 1");
    const auto stage1 = at("SetTextureStageState 1 D3DTSS_COLOROP 1");
    const auto texture =
        at("SetTexture 0 " + static_cast<qzFakeTexture*>(app->GetFont(0).tex.GetD3DTexture())->name);
    const auto size = static_cast<std::ptrdiff_t>(calls.size());
    EXPECT_LT(scissor, untextured);
    EXPECT_LT(untextured, facedraw);
    for (auto textstate : {modulate, pointfilter, stage1, texture}) {
        EXPECT_LT(textstate, size);
        EXPECT_GT(textstate, facedraw);
    }
}
