#include "pw2_control_button.h"
#include "pw2_control_toggle.h"
#include "pw2_editor.h"
#include "pw2_historypanel.h"
#include "pw2_menu.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "pw2_submenu.h"
#include "pw2_submenubar.h"
#include "pw2_submenubutton.h"
#include "test_pw2_control_fixture.h"
#include "test_pw2_graphics_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Rect(const pw2_Window* w) {
    return std::to_string(w->GetAbsoluteX()) + "," + std::to_string(w->GetAbsoluteY()) + "," +
           std::to_string(w->GetWidth()) + "," + std::to_string(w->GetHeight());
}

struct MenuTest : ControlTest {
    pw2_SubmenuBar* bar = nullptr;
    void SetUp() override {
        ControlTest::SetUp();
        ASSERT_NE(app->GetMenu(), nullptr);
        bar = app->GetMenu()->GetSubmenuBar();
    }
    pw2_Submenu* Submenu(int i) const { return bar->GetSubmenus()[static_cast<size_t>(i)]; }
    std::vector<pw2_SubmenuButton*> Tabs() const {
        std::vector<pw2_SubmenuButton*> tabs;
        for (pw2_Window* w = app->GetMenu()->GetMenuBar()->GetChildren().first; w != nullptr; w = w->next)
            tabs.push_back(dynamic_cast<pw2_SubmenuButton*>(w));
        return tabs;
    }
    std::vector<int32_t> PanelLefts() const {
        std::vector<int32_t> lefts;
        for (pw2_Submenu* s : bar->GetSubmenus())
            if (s->IsVisible())
                lefts.push_back(s->GetX());
        return lefts;
    }
    // The panels as the layout should place them: side by side, 10 apart, shifted by the offset.
    void ExpectPlacedAt(int32_t offset) {
        int32_t x = 0;
        for (pw2_Submenu* s : bar->GetSubmenus()) {
            if (!s->IsVisible())
                continue;
            EXPECT_EQ(s->GetX(), x - offset + 5) << s->GetTitle().c_str();
            EXPECT_EQ(s->GetY(), 5);
            EXPECT_EQ(s->GetWidth(), s->GetWidthCells() * 5);
            EXPECT_EQ(s->GetHeight(), bar->GetHeight() - 10);
            x += s->GetWidthCells() * 5 + 10;
        }
        EXPECT_EQ(bar->GetContentWidth(), x);
    }
    int32_t MaxOffset() const { return std::max(0, bar->GetContentWidth() - bar->GetWidth()); }

    const pw2_History& History() const { return app->GetModel()->history; }
    uint32_t Points() const { return app->GetModel()->currentgeometry->pointcount; }
    uint32_t Selected() const {
        uint32_t count = 0;
        for (const pw2_ModelPoint* p = app->GetModel()->currentgeometry->firstpoint; p != nullptr;
             p = p->next)
            count += p->selected != 0;
        return count;
    }
    void ClickOn(const pw2_Window* w) {
        Click(w->GetAbsoluteX() + w->GetWidth() / 2, w->GetAbsoluteY() + w->GetHeight() / 2);
    }
    // Every tool is clicked in some test, so every one is seen to have a tip.
    void ClickTool(const std::string& text) {
        for (int i = 0; i < 3; ++i)
            for (pw2_Window* w = Submenu(i)->GetChildren().first; w != nullptr; w = w->next)
                if (text == dynamic_cast<pw2_Control_Button*>(w)->GetText().c_str()) {
                    EXPECT_FALSE(w->GetTooltip().IsEmpty()) << text;
                    return ClickOn(w);
                }
        FAIL() << text;
    }
    // The entries shown, "*" after the one on; each must be named after the step that led to its state.
    std::string Listing() const {
        const pw2_HistoryPanel* panel = bar->GetHistoryPanel();
        std::string listing;
        for (size_t slot = 0; slot < panel->GetEntryCount(); ++slot) {
            const pw2_Control_Toggle* entry = panel->GetEntry(slot);
            EXPECT_TRUE(entry->IsVisible());
            const size_t done = panel->GetEntryDone(slot);
            EXPECT_EQ(done, panel->GetEntryDone(0) + slot);
            EXPECT_EQ(entry->GetText().c_str(), done == 0 ? "Start" : History().GetName(done - 1));
            listing +=
                (slot > 0 ? " " : "") + std::string(entry->GetText().c_str()) + (entry->IsOn() ? "*" : "");
        }
        return listing;
    }
};

// The history panel labels its entries as it is drawn.
using HistoryTest = WithFakeDirect3D<MenuTest>;

} // namespace

TEST_F(MenuTest, ThePanelHoldsTheTabStripAndTheToolTableInOrder) {
    pw2_Menu* menu = app->GetMenu();
    EXPECT_EQ(menu->GetParentWindow(), app->GetRootWindow());
    EXPECT_EQ(Rect(menu), "0,445,800,155");
    EXPECT_EQ(Rect(menu->GetMenuBar()), "5,447,790,20");
    EXPECT_EQ(Rect(bar), "0,470,800,130");

    ASSERT_EQ(bar->GetSubmenus().size(), 6u);
    std::vector<pw2_SubmenuButton*> tabs = Tabs();
    ASSERT_EQ(tabs.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        pw2_Submenu* s = Submenu(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(s->GetHue(), 0.5 * i);
        ASSERT_NE(tabs[static_cast<size_t>(i)], nullptr);
        EXPECT_EQ(tabs[static_cast<size_t>(i)]->GetSubmenu(), s);
        // tab grid (14 * i, 0, 14, 4) inside the strip
        EXPECT_EQ(Rect(tabs[static_cast<size_t>(i)]), std::to_string(5 + 70 * i + 1) + ",448,68,18");
    }
    // the tool table: the first column under the title, the second column, a joined row edge
    auto button = [&](int submenu, int n) {
        pw2_Window* w = Submenu(submenu)->GetChildren().first;
        for (; n > 0; --n)
            w = w->next;
        auto* b = dynamic_cast<pw2_Control_Button*>(w);
        return std::string(b->GetText().c_str()) + " " + std::to_string(b->GetX()) + "," +
               std::to_string(b->GetY()) + "," + std::to_string(b->GetWidth()) + "," +
               std::to_string(b->GetHeight());
    };
    EXPECT_EQ(button(0, 0), "Point 1,21,48,19");
    EXPECT_EQ(button(0, 1), "Edge 1,40,48,20");
    EXPECT_EQ(button(0, 5), "Cylinder 51,21,58,19");
    EXPECT_EQ(button(2, 2), "Merge 1,60,68,19");
    EXPECT_EQ(Submenu(3), bar->GetHistoryPanel());
    EXPECT_EQ(Submenu(5)->GetChildren().first, nullptr);
}

TEST_F(MenuTest, WheelNotchesAndDragsScrollUpToTheClampAndAToolButtonPressDoesNot) {
    Move(300, 585); // over the body of "Actions"
    EXPECT_EQ(app->GetActiveWindow(), Submenu(2));
    const uint32_t before = Redraws();
    Wheel(1);
    EXPECT_EQ(bar->GetScrollOffset(), 50);
    EXPECT_GT(Redraws(), before);
    Wheel(9);
    EXPECT_EQ(bar->GetScrollOffset(), 270);
    Wheel(-9);
    EXPECT_EQ(bar->GetScrollOffset(), 0);
    // a drag past the clamp tracks again as soon as the pointer comes back: 300 - 40 = 260 < 270
    Press(300, 585);
    Move(-400, 585);
    EXPECT_EQ(bar->GetScrollOffset(), 270);
    Move(40, 585);
    Release(40, 585);
    Move(100, 585);
    EXPECT_EQ(bar->GetScrollOffset(), 260);

    Move(400, 300);
    bar->SetScrollOffset(0);
    bar->Layout();
    Press(20, 505); // "Point"
    auto* point = dynamic_cast<pw2_Control_Button*>(app->GetActiveWindow());
    ASSERT_NE(point, nullptr);
    EXPECT_TRUE(point->IsPressed());
    Move(10, 505);
    EXPECT_EQ(bar->GetScrollOffset(), 0);
    Release(10, 505);
    EXPECT_FALSE(point->IsPressed());
}

TEST_F(MenuTest, ScrollOffsetStaysInRangeUnderRandomInput) {
    std::mt19937 random(8);
    for (int step = 0; step < 400; ++step) {
        int32_t x = static_cast<int32_t>(random() % 1000) - 100,
                y = 475 + static_cast<int32_t>(random() % 120);
        switch (random() % 6) {
        case 0:
            Wheel(static_cast<int>(random() % 7) - 3);
            break;
        case 1:
            if (!app->GetMainWindow().IsLeftButtonHeld())
                Press(x, y);
            break;
        case 2:
            Release(x, y);
            break;
        case 3: {
            // a tab: hides or shows a panel
            int tab = static_cast<int>(random() % 6);
            if (!app->GetMainWindow().IsAnyButtonHeld())
                Click(5 + 70 * tab + 10, 455);
            break;
        }
        default:
            Move(x, y);
        }
        ASSERT_GE(bar->GetScrollOffset(), 0) << step;
        ASSERT_LE(bar->GetScrollOffset(), MaxOffset()) << step;
        ExpectPlacedAt(bar->GetScrollOffset());
    }
}

TEST_F(MenuTest, ATabHidesAndShowsItsPanelAndTheOthersMoveUp) {
    bar->SetScrollOffset(270);
    bar->Layout();
    std::vector<int32_t> before = PanelLefts();
    pw2_SubmenuButton* geometry = Tabs()[0];
    Click(20, 455);
    EXPECT_FALSE(Submenu(0)->IsVisible());
    EXPECT_EQ(bar->GetContentWidth(), 950);
    EXPECT_EQ(bar->GetScrollOffset(), 150) << "the clamp lowers the offset";
    bar->SetScrollOffset(0);
    bar->Layout();
    EXPECT_EQ(PanelLefts(), (std::vector<int32_t>{5, 115, 325, 535, 745}));
    Click(20, 455);
    EXPECT_TRUE(Submenu(0)->IsVisible());
    EXPECT_EQ(PanelLefts(), (std::vector<int32_t>{5, 125, 235, 445, 655, 865}));
    // Hidden panels are neither hit nor keep the input.
    Click(20, 455);
    Move(20, 505);
    EXPECT_NE(app->GetActiveWindow(), Submenu(0));
    EXPECT_EQ(geometry->GetSubmenu(), Submenu(0));
    // Only the left button toggles.
    Press(20, 455, WM_RBUTTONDOWN);
    Release(20, 455, WM_RBUTTONUP);
    EXPECT_FALSE(Submenu(0)->IsVisible());
    // With one narrow panel left the content fits and the offset stays 0.
    for (int tab = 1; tab < 5; ++tab)
        Click(5 + 70 * tab + 10, 455);
    EXPECT_EQ(bar->GetContentWidth(), 210);
    Move(700, 585);
    Wheel(5);
    EXPECT_EQ(bar->GetScrollOffset(), 0);
}

TEST_F(MenuTest, TheTabLooksHotPressedAndOpenInItsPanelsHue) {
    pw2_SubmenuButton* tab = Tabs()[1]; // 76, 448, 68 x 18
    Move(400, 300);
    pw2_CaptionedLook face = tab->GetLook();
    EXPECT_EQ(face.face.quad,
              pw2_VerticalGradientQuad(77, 449, 143, 465, pw2_SubmenuButtonColors(0.5, false, true)));
    EXPECT_EQ(face.text, (pw2_TextLook{76 + 34, 448 + 9, 2, 3, qzColor(0, 0, 0)}));
    Move(100, 455);
    EXPECT_EQ(tab->GetLook().face.quad.bottomleft, qzColorHSV(0.5, 0.65, 0.95));
    Press(100, 455);
    EXPECT_EQ(tab->GetLook().face.quad.topleft, qzColorHSV(0.5, 0.4, 0.9));
    Release(100, 455);
    Move(400, 300);
    EXPECT_EQ(tab->GetLook().face.quad.bottomleft, qzColorHSV(0.5, 0.4, 0.65));
}

TEST_F(MenuTest, EveryToolRunsItsOwnCommand) {
    ClickTool("All");
    EXPECT_EQ(Selected(), Points());
    ClickTool("None");
    // with nothing selected these refuse, each under its own name
    for (const char* tool : {"Edge", "Face", "Delete", "Duplicate", "Merge"}) {
        ClickTool(tool);
        EXPECT_EQ(app->GetEditor()->GetMessage().rfind(tool, 0), 0u) << tool;
    }
    // a shape is a step named after it, and its new points are the selection
    for (std::string tool : {"Point", "Plane", "Block", "Cylinder", "Cone", "Sphere", "Torus", "Icosah."}) {
        const uint32_t points = Points();
        ClickTool(tool);
        EXPECT_EQ(History().GetName(History().GetDoneCount() - 1).substr(0, 4), tool.substr(0, 4));
        EXPECT_EQ(Selected(), Points() - points) << tool;
    }
    const uint32_t points = Points();
    ClickTool("Duplicate");
    ClickTool("Merge");
    EXPECT_EQ(Points(), points + 1) << "the icosahedron's copy merged into one point";
    ClickTool("Delete");
    EXPECT_EQ(Points(), points);
}

TEST_F(HistoryTest, TheEntriesFollowTheHistoryAndAClickUndoesOrRedoesToOne) {
    pw2_HistoryPanel* panel = bar->GetHistoryPanel();
    EXPECT_EQ(Listing(), "Start*");
    EXPECT_EQ(Rect(panel->GetEntry(0)), "446,496,98,18");
    const uint32_t start = Points();
    ClickTool("Point");
    ClickTool("All");
    ClickOn(panel->GetEntry(1));
    EXPECT_EQ(Listing(), "Start Point* Select");
    // the points of every state come back with it, whichever way it is reached
    std::vector<uint32_t> points{start, start + 1, start + 1};
    std::mt19937 random(22);
    bool overflowed = false;
    for (int step = 0; step < 150 && !HasFailure(); ++step) {
        const uint32_t pick = random() % 8;
        if (pick < 5) {
            ClickTool(pick % 2 ? "Point" : "Icosah.");
            points.resize(History().GetDoneCount());
            points.push_back(Points());
        } else if (pick == 5) {
            random() % 2 ? app->GetEditor()->OnUndo() : app->GetEditor()->OnRedo();
            app->RunOnce();
        } else {
            const size_t slot = random() % panel->GetEntryCount(), done = panel->GetEntryDone(slot);
            ClickOn(panel->GetEntry(slot));
            EXPECT_EQ(History().GetDoneCount(), done);
        }
        const size_t states = History().GetStepCount() + 1, current = History().GetDoneCount();
        const size_t first = panel->GetEntryDone(0), count = panel->GetEntryCount();
        const std::string listing = Listing();
        EXPECT_EQ(count, std::min(states, pw2_HistoryPanel::SLOTS));
        EXPECT_EQ(std::count(listing.begin(), listing.end(), '*'), 1) << "the current state shows, on";
        EXPECT_LT(first, std::max<size_t>(current, 1)) << "and so does the one before it";
        EXPECT_TRUE(first + count == states || first + 1 >= current) << "else the newest show";
        EXPECT_EQ(Points(), points[current]);
        overflowed |= states > pw2_HistoryPanel::SLOTS;
    }
    EXPECT_TRUE(overflowed);
}
