#include "pw2_control_button.h"
#include "pw2_control_dropdown.h"
#include "pw2_control_toggle.h"
#include "pw2_menu.h"
#include "pw2_submenu.h"
#include "pw2_submenubar.h"
#include "pw2_theme.h"
#include "test_pw2_graphics_fixture.h"

#include "qzmessage.h"
#include "qztextlayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

void PrintTo(const pw2_TooltipPosition& position, std::ostream* out) {
    *out << "(" << position.x << ", " << position.y << ")";
}

namespace {

struct DrawTest : GraphicsControlTest {
    ControlOwner owner;
    pw2_Window* panel = nullptr;

    void SetUp() override {
        GraphicsControlTest::SetUp();
        panel = new pw2_Window(app.get(), app->GetRootWindow());
        panel->SetRect(100, 100, 300, 200);
    }
};

struct Corner {
    float x, y;
    qzColor color;
};

// The corners of a draw as (x, y, colour); every 2D shape has z 0 and rhw 1.
std::vector<Corner> Corners(const qzFakeRenderApi::Draw& draw) {
    std::vector<Corner> corners;
    for (const qzVertex2D& v : Vertices(draw)) {
        EXPECT_EQ(v.z, 0.0f);
        EXPECT_EQ(v.rhw, 1.0f);
        corners.push_back({v.x, v.y, qzColor::FromARGB(v.diffuse)});
    }
    return corners;
}

// The vertices first .. first + want.size() - 1 of a draw.
void ExpectCorners(const qzFakeRenderApi::Draw& draw, D3DPRIMITIVETYPE type, const std::vector<Corner>& want,
                   size_t first = 0) {
    EXPECT_EQ(draw.type, type);
    std::vector<Corner> got = Corners(draw);
    ASSERT_GE(got.size(), first + want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[first + i].x, want[i].x) << "corner " << first + i;
        EXPECT_EQ(got[first + i].y, want[i].y) << "corner " << first + i;
        EXPECT_EQ(got[first + i].color, want[i].color) << "corner " << first + i;
    }
}

// A quad over pixels x1 .. x2-1, y1 .. y2-1: two clockwise triangles shifted by half a pixel.
void ExpectQuad(const qzFakeRenderApi::Draw& draw, float x1, float y1, float x2, float y2, qzColor topleft,
                qzColor topright, qzColor bottomright, qzColor bottomleft, size_t first = 0) {
    x1 -= 0.5f, y1 -= 0.5f, x2 -= 0.5f, y2 -= 0.5f;
    const Corner tl{x1, y1, topleft}, tr{x2, y1, topright}, br{x2, y2, bottomright}, bl{x1, y2, bottomleft};
    ExpectCorners(draw, D3DPT_TRIANGLELIST, {tl, tr, br, br, bl, tl}, first);
}

// A frame through its last pixels inside, without the half-pixel shift.
void ExpectFrame(const qzFakeRenderApi::Draw& draw, float x1, float y1, float x2, float y2, qzColor color,
                 size_t first = 0) {
    const Corner tl{x1, y1, color}, tr{x2, y1, color}, br{x2, y2, color}, bl{x1, y2, color};
    ExpectCorners(draw, D3DPT_LINELIST, {tl, tr, tr, br, br, bl, bl, tl}, first);
}

// A text draw: one glyph quad per glyph in one colour, the first placed where a layout of the first font
// with the same alignment puts it for the anchor.
void ExpectText(const qzFakeRenderApi::Draw& draw, qzBitmapFont& font, const char* text, uint32_t halign,
                uint32_t valign, int32_t x, int32_t y, qzColor color) {
    qzTextLayout reference(&font, 0, 4);
    reference.Layout(qzStringRef::FromText(text), false, false, UINT32_MAX);
    reference.Align(halign, valign);
    EXPECT_EQ(draw.type, D3DPT_TRIANGLELIST);
    std::vector<qzVertex2D> vertices = Vertices(draw);
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
    auto first = [&](const std::string& call) {
        const std::vector<int> at = CallsAt(call);
        return at.empty() ? INT_MAX : at[0];
    };
    const int facedraw = first("DrawPrimitive");
    const std::string font = static_cast<qzFakeTexture*>(app->GetFont(0).tex.GetD3DTexture())->name;
    EXPECT_LT(first("SetScissorRect 105 106 305 256"), first("SetTextureStageState 0 D3DTSS_COLOROP 1"));
    EXPECT_LT(first("SetTextureStageState 0 D3DTSS_COLOROP 1"), facedraw);
    for (const std::string& textstate :
         std::vector<std::string>{"SetTextureStageState 0 D3DTSS_COLOROP 4",
                                  "SetSamplerState 0 D3DSAMP_MINFILTER 1", "SetTexture 0 " + font}) {
        EXPECT_LT(first(textstate), INT_MAX) << textstate;
        EXPECT_GT(first(textstate), facedraw) << textstate;
    }
}

TEST_F(DrawTest, ToggleLooksPressedWhileOnAndItsJoinedEdgeCarriesTheCaption) {
    pw2_Control_Toggle* toggle = new pw2_Control_Toggle(app.get(), panel);
    toggle->SetText("Grid");
    toggle->SetGridPosition(2, 2, 10, 4, true, false, false, false); // 110, 111, 49 x 18, caption at +25
    const pw2_ControlColors& family = pw2_ToggleColors();
    Move(300, 250);
    toggle->SetOnState(qzCallback<bool()>::Bind<&ControlOwner::State>(&owner));
    owner.on = true;
    DrawAlone([&](pw2_GraphicsController& g) { g.DrawToggle(toggle, 0, 0, 800, 600); });
    ASSERT_EQ(Draws().size(), 3u);
    ExpectQuad(Draws()[0], 111, 112, 158, 128, family[PW2_COLOR_CONTROL_BUTTON_PRESSED1],
               family[PW2_COLOR_CONTROL_BUTTON_PRESSED1], family[PW2_COLOR_CONTROL_BUTTON_PRESSED2],
               family[PW2_COLOR_CONTROL_BUTTON_PRESSED2]);
    // a joined left edge moves the frame and carries the caption along
    ExpectFrame(Draws()[1], 110, 111, 158, 128, FRAME);
    ExpectText(Draws()[2], app->GetFont(0), "Grid", QZALIGN_CENTER, QZALIGN_MIDDLE, 110 + 25, 111 + 9, BLACK);
}

TEST_F(DrawTest, DropdownShowsItsArrowAndTheSelectedEntryAndItsListHighlightsARow) {
    pw2_Control_Dropdown* dropdown = new pw2_Control_Dropdown(app.get(), panel);
    dropdown->SetGridPosition(2, 2, 20, 4); // 111, 111, 98 x 18
    const pw2_ControlColors& family = pw2_DropdownColors();
    // The downward arrow at exact coordinates, around (x + w - 7, y + h / 2).
    const std::vector<Corner> arrow = {{199, 118.5f, FRAME}, {205, 118.5f, FRAME}, {202, 121.5f, FRAME}};

    // The owner's index beyond the list shows the last entry; the open list makes the face look pressed.
    const char* entries[] = {"Solid", "Wire", "Point"};
    dropdown->SetStateCount(3);
    for (uint32_t i = 0; i < 3; ++i)
        dropdown->SetState(i, entries[i]);
    owner.index = 7;
    dropdown->SetOnIndex(qzCallback<uint32_t()>::Bind<&ControlOwner::Index>(&owner));
    Move(300, 250);
    Click(150, 120);
    pw2_Control_Dropdown_Popup* popup = dropdown->GetPopup();
    ASSERT_NE(popup, nullptr);
    DrawAlone([&](pw2_GraphicsController& g) { g.DrawDropdown(dropdown, 0, 0, 800, 600); });
    std::vector<qzFakeRenderApi::Draw> draws = Draws();
    ASSERT_EQ(draws.size(), 4u);
    EXPECT_EQ(Corners(draws[0])[0].color, family[PW2_COLOR_CONTROL_BUTTON_PRESSED1]);
    EXPECT_EQ(Corners(draws[0])[2].color, family[PW2_COLOR_CONTROL_BUTTON_PRESSED2]);
    ExpectFrame(draws[1], 111, 111, 208, 128, FRAME);
    ExpectCorners(draws[2], D3DPT_TRIANGLELIST, arrow);
    ExpectText(draws[3], app->GetFont(0), "Point", QZALIGN_CENTER, QZALIGN_MIDDLE, 111 + 49 - 4, 111 + 9,
               BLACK);

    // The list below the box, 52 high: body and highlighted row in one piece, the frame, a text per row.
    const qzColor body(140, 140, 140), row(100, 100, 100);
    // the owner's clamped index is highlighted
    ASSERT_EQ(popup->GetHighlightedIndex(), 2u);
    DrawAlone([&](pw2_GraphicsController& g) { g.DrawDropdownPopup(popup, 0, 0, 800, 600); });
    draws = Draws();
    ASSERT_EQ(draws.size(), 5u);
    ExpectQuad(draws[0], 112, 130, 208, 180, body, body, body, body);
    ExpectQuad(draws[0], 113, 129 + 32 + 2, 207, 129 + 48 + 2, row, row, row, row, 6);
    ExpectFrame(draws[1], 111, 129, 208, 180, FRAME);
    for (uint32_t i = 0; i < 3; ++i)
        ExpectText(draws[2 + i], app->GetFont(0), entries[i], QZALIGN_LEFT, QZALIGN_MIDDLE, 115,
                   129 + 16 * static_cast<int32_t>(i) + 10, BLACK);
    Key(27);
}

TEST_F(DrawTest, SubmenuReachesBeyondItsRectangleInsideTheClipOfItsParent) {
    pw2_Submenu* select = app->GetMenu()->GetSubmenuBar()->GetSubmenus()[1]; // 125, 475, 100 x 120
    const qzColor left = qzColorHSV(0.5, 0.65, 0.85), right = qzColorHSV(0.5, 0.65, 0.7);
    const qzColor body(150, 150, 150), frame(80, 80, 80);
    api.ClearCalls();
    const size_t before = api.draws.size();
    DrawOneFrame();
    // The panel's draws in the frame: the first with its title bar's left colour.
    size_t d = before;
    // the views' scenes come before it, world-space and screen-space points at their depth
    while (d < api.draws.size() && (api.draws[d].fvf != qzVertex2D::FVF ||
                                    qzColor::FromARGB(Vertices(api.draws[d])[0].diffuse) != left))
        ++d;
    ASSERT_LT(d + 2, api.draws.size());
    ExpectQuad(api.draws[d], 123, 473, 227, 491, left, right, right, left);
    ExpectQuad(api.draws[d], 123, 492, 227, 597, body, body, body, body, 6);
    ExpectFrame(api.draws[d + 1], 122, 472, 227, 597, frame);
    ExpectCorners(api.draws[d + 1], D3DPT_LINELIST, {{122, 491, frame}, {227, 491, frame}}, 8);
    ExpectText(api.draws[d + 2], app->GetFont(0), "Select", QZALIGN_LEFT, QZALIGN_MIDDLE, 128, 482, FRAME);

    // Its clip is the submenu bar's visible area, handed down by the tree walk.
    DrawAlone([&](pw2_GraphicsController& g) { g.DrawSubmenu(select, 0, 470, 800, 130); });
    EXPECT_EQ(Calls()[0], "SetRenderState D3DRS_SCISSORTESTENABLE 1");
    EXPECT_EQ(Calls()[1], "SetScissorRect 0 470 800 600");
}

TEST(TooltipPlacement, TiesGoToTheEarlierPlaceAndWithoutAnyTheBoxHangsBelowTheMouse) {
    // a window as high as the client area: left and right of it, equally far; left comes first
    EXPECT_EQ(pw2_PlaceTooltip(800, 600, 100, 0, 50, 600, 105, 300, 40, 20), (pw2_TooltipPosition{60, 320}));
    EXPECT_EQ(pw2_PlaceTooltip(50, 30, 0, 0, 50, 30, 20, 15, 60, 40), (pw2_TooltipPosition{20, 25}));
}

TEST(TooltipPlacement, AChosenPlaceNeverCoversTheWindowAndStaysInsideTheClientArea) {
    std::mt19937 random(44);
    auto below = [&](int32_t n) { return static_cast<int32_t>(random() % static_cast<uint32_t>(n)); };
    for (int round = 0; round < 20000; ++round) {
        const int32_t sw = 200 + below(1800), sh = 200 + below(1000);
        const int32_t x = below(sw), y = below(sh), w = 1 + below(sw - x), h = 1 + below(sh - y);
        const int32_t mx = x + below(w), my = y + below(h);
        const int32_t bw = 8 + below(sw - 8), bh = 8 + below(100);
        const pw2_TooltipPosition p = pw2_PlaceTooltip(sw, sh, x, y, w, h, mx, my, bw, bh);
        if (p == pw2_TooltipPosition{mx, my + 10})
            continue;
        SCOPED_TRACE(testing::Message() << sw << "x" << sh << " window " << x << "," << y << " " << w << "x"
                                        << h << " mouse " << mx << "," << my << " box " << bw << "x" << bh);
        ASSERT_GE(p.x, 0);
        ASSERT_GE(p.y, 0);
        ASSERT_LE(p.x + bw, sw);
        ASSERT_LE(p.y + bh, sh);
        ASSERT_TRUE(p.x >= x + w || x >= p.x + bw || p.y >= y + h || y >= p.y + bh);
    }
}

TEST_F(DrawTest, TooltipIsTheLastThingOfTheFrameUnclippedWithTheMeasuredBoxAtItsPlace) {
    pw2_Window* zoom = new pw2_Window(app.get(), app->GetRootWindow());
    zoom->SetRect(300, 100, 100, 30);
    zoom->SetTooltip("Zoom in and out");
    Move(310, 110);
    testnow += 601;
    api.ClearCalls();
    const size_t before = api.draws.size();
    app->RunOnce();
    ASSERT_TRUE(app->GetTooltipTimer().IsShown());
    ASSERT_GE(api.draws.size(), before + 3);

    qzTextLayout layout(&app->GetFont(0), 0, 4);
    layout.Layout(qzStringRef::FromText("Zoom in and out"), true, true, 300);
    uint32_t tw = 0, th = 0;
    layout.Measure(&tw, &th);
    const int32_t bw = static_cast<int32_t>(tw) + 6, bh = static_cast<int32_t>(th) + 6;
    const pw2_TooltipPosition box = pw2_PlaceTooltip(800, 600, 300, 100, 100, 30, 310, 110, bw, bh);
    EXPECT_EQ(box, (pw2_TooltipPosition{310, 130}));
    const size_t last = api.draws.size() - 3;
    const qzColor yellow(255, 255, 220);
    ExpectQuad(api.draws[last], static_cast<float>(box.x + 1), static_cast<float>(box.y + 1),
               static_cast<float>(box.x + bw - 1), static_cast<float>(box.y + bh - 1), yellow, yellow, yellow,
               yellow);
    ExpectFrame(api.draws[last + 1], static_cast<float>(box.x), static_cast<float>(box.y),
                static_cast<float>(box.x + bw - 1), static_cast<float>(box.y + bh - 1), qzColor(30, 30, 30));
    ExpectText(api.draws[last + 2], app->GetFont(0), "Zoom in and out", QZALIGN_LEFT, QZALIGN_TOP, box.x + 3,
               box.y + 3, BLACK);
    // nothing clips it: the last scissor state of the frame, before the tooltip's draws, is off
    auto scissor = [](const std::string& call) {
        return call.starts_with("SetRenderState D3DRS_SCISSORTESTENABLE");
    };
    auto draw = [](const std::string& call) { return call.starts_with("DrawPrimitive"); };
    const auto lastscissor = std::find_if(api.calls.rbegin(), api.calls.rend(), scissor);
    ASSERT_NE(lastscissor, api.calls.rend());
    EXPECT_EQ(*lastscissor, "SetRenderState D3DRS_SCISSORTESTENABLE 0");
    const auto tooltipdraw = std::find_if(api.calls.rbegin(), api.calls.rend(), draw) + 2;
    EXPECT_LT(lastscissor.base(), tooltipdraw.base());
}
