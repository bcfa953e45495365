#include "pw2_testmain.h"
#include "pw2_window.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// A window that records its slot calls, and its draws with their clips, in a shared journal.
struct Probe : pw2_Window {
    Probe(pw2_Main* main, pw2_Window* parent, std::string name, std::vector<std::string>* journal)
        : pw2_Window(main, parent), name(std::move(name)), journal(journal) {}
    void Note(const std::string& what) {
        if (journal != nullptr)
            journal->push_back(name + " " + what);
    }
    void Draw(int32_t x, int32_t y, int32_t w, int32_t h) override {
        Note("draw " + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," +
             std::to_string(h));
    }
    void OnMouseEnter() override { Note("enter"); }
    void OnMouseLeave() override { Note("leave"); }
    void OnMouseDown(int button, bool) override { Note("down " + std::to_string(button)); }
    void OnMouseUp(int button) override { Note("up " + std::to_string(button)); }
    void OnKeyDown(int8_t key, bool) override { Note("key " + std::to_string(key)); }
    void OnMouseWheel(int count) override { Note("wheel " + std::to_string(count)); }
    void OnRectChanged() override { Note("rect"); }
    std::string name;
    std::vector<std::string>* journal;
};

using Journal = std::vector<std::string>;

// The hit as drawing order tells it: the last window drawn that contains the point and all of whose
// ancestors up to the start are visible and contain it too.
void LastDrawnHit(pw2_Window* window, int32_t x, int32_t y, pw2_Window*& hit) {
    for (pw2_Window* child = window->GetChildren().first; child != nullptr; child = child->next) {
        if (child->IsVisible() && child->Contains(x, y)) {
            hit = child;
            LastDrawnHit(child, x, y, hit);
        }
    }
}

} // namespace

TEST_F(MainTest, HitTestingAgreesWithDrawingOrderOnRandomTrees) {
    std::mt19937 random(6);
    for (int round = 0; round < 30; ++round) {
        pw2_Window* root = app->GetRootWindow();
        std::vector<pw2_Window*> windows{root};
        for (int i = 0; i < 25; ++i) {
            pw2_Window* parent = windows[random() % windows.size()];
            pw2_Window* window = new pw2_Window(app.get(), parent);
            window->SetRect(static_cast<int32_t>(random() % 120) - 20,
                            static_cast<int32_t>(random() % 120) - 20, static_cast<int32_t>(random() % 90),
                            static_cast<int32_t>(random() % 90));
            window->SetVisible(random() % 5 != 0);
            windows.push_back(window);
        }
        for (int i = 0; i < 200; ++i) {
            int32_t x = static_cast<int32_t>(random() % 300) - 30;
            int32_t y = static_cast<int32_t>(random() % 300) - 30;
            pw2_Window* expected = root;
            LastDrawnHit(root, x, y, expected);
            ASSERT_EQ(root->FindWindowAt(x, y), expected) << "round " << round << " at " << x << "," << y;
        }
        while (root->GetChildren().last != nullptr)
            delete root->GetChildren().last;
    }
}

TEST_F(MainTest, AbsolutePositionsFollowEveryAncestor) {
    pw2_Window* root = app->GetRootWindow();
    Journal journal;
    Probe* a = new Probe(app.get(), root, "a", &journal);
    Probe* b = new Probe(app.get(), a, "b", &journal);
    b->SetRect(5, 6, 10, 10);
    a->SetRect(100, 200, 50, 50);
    EXPECT_EQ(b->GetAbsoluteX(), 105);
    EXPECT_EQ(b->GetAbsoluteY(), 206);
    // A child made later starts at its parent's absolute position.
    Probe* c = new Probe(app.get(), b, "c", &journal);
    EXPECT_EQ(c->GetAbsoluteX(), 105);
    EXPECT_EQ(journal, (Journal{"b rect", "a rect"}));
    // the right and bottom edges are outside
    EXPECT_TRUE(b->Contains(114, 215));
    EXPECT_FALSE(b->Contains(115, 210));
    EXPECT_FALSE(b->Contains(110, 216));
}

TEST_F(MainTest, DrawingClipsEachWindowToItsAncestorsInChildOrder) {
    // a bare window over the program's own ones, whose controls draw through the device only in a frame
    pw2_Window* root = new pw2_Window(app.get(), app->GetRootWindow());
    root->SetRect(0, 0, 800, 600);
    Journal journal;
    Probe* a = new Probe(app.get(), root, "a", &journal);
    Probe* b = new Probe(app.get(), a, "b", &journal);
    Probe* c = new Probe(app.get(), b, "c", &journal);
    Probe* d = new Probe(app.get(), root, "d", &journal);
    Probe* outside = new Probe(app.get(), a, "outside", &journal);
    Probe* hidden = new Probe(app.get(), root, "hidden", &journal);
    new Probe(app.get(), hidden, "hiddenchild", &journal);
    a->SetRect(10, 10, 100, 100);
    b->SetRect(50, 50, 100, 100); // reaches past a: clipped to 60..110
    c->SetRect(0, 0, 10, 10);
    d->SetRect(0, 0, 5, 5);
    outside->SetRect(200, 0, 10, 10); // its clip from a is empty, but a's clip itself is not
    hidden->SetRect(0, 0, 800, 600);
    hidden->SetVisible(false);
    journal.clear();
    root->DrawTree(0, 0, 800, 600);
    EXPECT_EQ(journal, (Journal{"a draw 0,0,800,600", "b draw 10,10,100,100", "c draw 60,60,50,50",
                                "outside draw 10,10,100,100", "d draw 0,0,800,600"}));
    journal.clear();
    // An empty clip stops the walk at once.
    root->DrawTree(0, 0, 0, 600);
    a->DrawTree(200, 0, 5, 5); // a's clip is its own; the intersection for its children is empty
    EXPECT_EQ(journal, (Journal{"a draw 200,0,5,5"}));
}

TEST_F(MainTest, HeldButtonKeepsTheActiveWindowUntilReleased) {
    pw2_Window* root = app->GetRootWindow();
    Journal journal;
    Probe* left = new Probe(app.get(), root, "left", &journal);
    Probe* right = new Probe(app.get(), root, "right", &journal);
    left->SetRect(0, 0, 100, 100);
    right->SetRect(100, 0, 100, 100);
    journal.clear();
    MoveMouse(10, 10);
    Send(WM_LBUTTONDOWN);
    MoveMouse(150, 10);
    Send(WM_LBUTTONUP);
    EXPECT_EQ(app->GetActiveWindow(), left);
    MoveMouse(151, 10);
    EXPECT_EQ(app->GetActiveWindow(), right);
    EXPECT_TRUE(right->IsActive());
    EXPECT_EQ(journal, (Journal{"left enter", "left down 1", "left up 1", "left leave", "right enter"}));
}

TEST_F(MainTest, PopupCapturesInputAndLeavesTheStackWhenDeleted) {
    pw2_Window* root = app->GetRootWindow();
    Journal journal;
    Probe* control = new Probe(app.get(), root, "control", &journal);
    Probe* popup = new Probe(app.get(), root, "popup", &journal);
    Probe* item = new Probe(app.get(), popup, "item", &journal);
    control->SetRect(0, 0, 100, 100);
    popup->SetRect(300, 300, 100, 100);
    item->SetRect(0, 0, 50, 50);
    journal.clear();
    MoveMouse(10, 10);
    app->OpenPopup(popup);
    EXPECT_EQ(app->GetActiveWindow(), popup);
    MoveMouse(20, 20); // over the control, but the popup holds the input
    EXPECT_EQ(app->GetActiveWindow(), popup);
    Send(WM_KEYDOWN, 65);
    MoveMouse(310, 310);
    EXPECT_EQ(app->GetActiveWindow(), item);
    Send(WM_MOUSELEAVE);
    EXPECT_EQ(app->GetActiveWindow(), popup); // outside the main window: the popup itself
    delete popup;
    EXPECT_TRUE(app->GetPopups().empty());
    EXPECT_EQ(app->GetActiveWindow(), root);
    MoveMouse(20, 20);
    EXPECT_EQ(app->GetActiveWindow(), control);
    EXPECT_EQ(journal, (Journal{"control enter", "control leave", "popup enter", "popup key 65",
                                "popup leave", "item enter", "item leave", "popup enter", "control enter"}));
}

TEST_F(MainTest, DeletingOrHidingTheActiveWindowHandsInputToTheParent) {
    pw2_Window* root = app->GetRootWindow();
    Probe* panel = new Probe(app.get(), root, "panel", nullptr);
    Probe* button = new Probe(app.get(), panel, "button", nullptr);
    panel->SetRect(0, 0, 200, 200);
    button->SetRect(10, 10, 50, 50);
    MoveMouse(20, 20);
    ASSERT_EQ(app->GetActiveWindow(), button);
    delete button;
    EXPECT_EQ(app->GetActiveWindow(), panel);
    Probe* other = new Probe(app.get(), panel, "other", nullptr);
    other->SetRect(10, 10, 50, 50);
    MoveMouse(21, 20);
    ASSERT_EQ(app->GetActiveWindow(), other);
    // Hiding an ancestor of the active window takes the input away from the whole branch.
    panel->SetVisible(false);
    EXPECT_EQ(app->GetActiveWindow(), root);
    Send(WM_LBUTTONDOWN); // reaches the root and nothing dies
    Send(WM_LBUTTONUP);
    EXPECT_DEATH(app->OnWindowGone(root), "Expression: window->GetParentWindow\\(\\)!=NULL");
}

TEST_F(MainTest, TooltipShowsOnlyAfterMoreThan600msEvenAcrossTheClockWrapAndInputHidesIt) {
    pw2_Window* root = app->GetRootWindow();
    pw2_Window* plain = new pw2_Window(app.get(), root);
    pw2_Window* tipped = new pw2_Window(app.get(), root);
    plain->SetRect(0, 0, 100, 100);
    tipped->SetRect(100, 0, 100, 100);
    tipped->SetTooltip("Top view");
    pw2_TooltipTimer& timer = app->GetTooltipTimer();

    testnow = 0xFFFFFF00u - 5000; // the tooltip's 600 ms run across the wrap
    MoveMouse(10, 10);
    testnow += 5000;
    app->RunOnce();
    EXPECT_FALSE(timer.IsShown()); // no tooltip text, nothing to show

    MoveMouse(150, 20);
    EXPECT_TRUE(timer.IsArmed());
    testnow += 600;
    app->RunOnce();
    EXPECT_FALSE(timer.IsShown());
    MoveMouse(152, 21); // moving inside the same window keeps the time stamp
    testnow += 1;
    uint32_t redraws = app->GetRedrawRequestCount();
    app->RunOnce();
    EXPECT_TRUE(timer.IsShown());
    EXPECT_EQ(timer.GetShownX(), 152);
    EXPECT_EQ(timer.GetShownY(), 21);
    EXPECT_EQ(app->GetRedrawRequestCount(), redraws + 1);

    Send(WM_RBUTTONDOWN);
    EXPECT_FALSE(timer.IsShown());
    EXPECT_FALSE(timer.IsArmed());
    Send(WM_RBUTTONUP);
    testnow += 10000;
    app->RunOnce();
    EXPECT_FALSE(timer.IsShown()); // disarmed until the hover changes again
}
