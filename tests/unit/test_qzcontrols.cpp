#include "failure.h"
#include "qzcontrols.h"
#include "qzfakeplatform.h"
#include "qzmain.h"
#include "qzmessagequeue.h"
#include "qzwindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Clicks {
    int count = 0;
    void OnClick() { ++count; }
};

struct ControlTest : ::testing::Test {
    qzFakePlatform platform;
    qzMain root{0};
    qzWindow window;

    void SetUp() override {
        window.Create(&root, "Controls", 7, QZDEFAULTPOS, QZDEFAULTPOS, 500, 400, 500, 400, nullptr);
        platform.ClearCalls();
    }
    void Command(qzWindowHandle control, uint16_t code) {
        platform.Deliver(qzFakeMessage(window.GetHandle(), WM_COMMAND, static_cast<uintptr_t>(code) << 16,
                                       static_cast<intptr_t>(control)));
        ASSERT_TRUE(PumpMessages());
    }
};

using Calls = std::vector<std::string>;

} // namespace

TEST_F(ControlTest, ControlsAreChildrenOfTheirWindowInTheSecondFontOfTheRoot) {
    qzStatic text;
    qzEdit line, box;
    qzButton button;
    text.Create(&window, "Static", 10, 10, 480, 20);
    line.Create(&window, "Line", 10, 40, 200, 20, false);
    box.Create(&window, "One\r\nTwo", 10, 70, 480, 300, true);
    button.Create(&window, "Close", 220, 370, 60, 20);
    // The parent's handle, the kind, the rectangle in the client area, the font.
    EXPECT_EQ(platform.CallsStartingWith("CreateControl"),
              (Calls{"CreateControl 1 4 10 10 480 20 font 202 Static",
                     "CreateControl 1 2 10 40 200 20 font 202 Line",
                     "CreateControl 1 3 10 70 480 300 font 202 One\r\nTwo",
                     "CreateControl 1 1 220 370 60 20 font 202 Close"}));
    EXPECT_TRUE(button.IsCreated());
}

TEST_F(ControlTest, OnlyAClickOfAKnownButtonCallsItsCallback) {
    qzButton first, second;
    qzStatic text;
    Clicks firstclicks, secondclicks;
    first.Create(&window, "First", 0, 0, 60, 20);
    second.Create(&window, "Second", 70, 0, 60, 20);
    text.Create(&window, "Text", 0, 30, 60, 20);
    first.SetOnClick(qzCallback<>::Bind<&Clicks::OnClick>(&firstclicks));
    second.SetOnClick(qzCallback<>::Bind<&Clicks::OnClick>(&secondclicks));

    Command(second.GetHandle(), BN_CLICKED);
    EXPECT_EQ(firstclicks.count, 0);
    EXPECT_EQ(secondclicks.count, 1);
    Command(first.GetHandle(), BN_CLICKED);
    EXPECT_EQ(firstclicks.count, 1);
    // Another notification, a control that is no button, or no control at all: nothing is clicked.
    Command(first.GetHandle(), 5);
    Command(text.GetHandle(), BN_CLICKED);
    Command(0, BN_CLICKED);
    EXPECT_EQ(firstclicks.count + secondclicks.count, 2);

    // A button without a callback takes the click quietly; a destroyed one no longer takes it.
    qzButton silent;
    silent.Create(&window, "Silent", 140, 0, 60, 20);
    Command(silent.GetHandle(), BN_CLICKED);
    qzWindowHandle gone = second.GetHandle();
    second.Destroy();
    Command(gone, BN_CLICKED);
    EXPECT_EQ(secondclicks.count, 1);
}

TEST_F(ControlTest, TheWindowDestroysItsControlsKindByKindAndTheyForgetIt) {
    qzStatic text;
    qzEdit box;
    qzButton button, early;
    text.Create(&window, "Text", 0, 0, 10, 10);
    box.Create(&window, "Box", 0, 0, 10, 10, true);
    button.Create(&window, "Button", 0, 0, 10, 10);
    {
        // A control that ends first leaves its window's list.
        qzButton brief;
        brief.Create(&window, "Brief", 0, 0, 10, 10);
        early.Create(&window, "Early", 0, 0, 10, 10);
    }
    const qzWindowHandle t = text.GetHandle(), x = box.GetHandle(), b = button.GetHandle(),
                         e = early.GetHandle();
    platform.ClearCalls();
    window.Destroy();
    EXPECT_EQ(platform.CallsStartingWith("Destroy"),
              (Calls{"DestroyControl " + std::to_string(b), "DestroyControl " + std::to_string(e),
                     "DestroyControl " + std::to_string(x), "DestroyControl " + std::to_string(t),
                     "DestroyWindow 1"}));
    EXPECT_FALSE(button.IsCreated());
    EXPECT_FALSE(box.IsCreated());
    EXPECT_FALSE(text.IsCreated());
    // The controls are detached: their own ends call nothing more, and they may be made again.
    platform.ClearCalls();
    window.Create(&root, "Again", 7, QZDEFAULTPOS, QZDEFAULTPOS, 500, 400, 500, 400, nullptr);
    button.Create(&window, "Button", 0, 0, 10, 10);
    EXPECT_EQ(platform.CallsStartingWith("CreateControl").size(), 1u);
}

TEST_F(ControlTest, AFailedCreationThrowsWithItsPlaceAndLeavesTheControlUnmade) {
    platform.failcontrol = true;
    qzButton button;
    qzEdit box;
    qzStatic text;
    EXPECT_EQ(Failure([&] { button.Create(&window, "B", 0, 0, 1, 1); }), "qzButton::Create CreateWindowEx");
    EXPECT_EQ(Failure([&] { box.Create(&window, "E", 0, 0, 1, 1, false); }), "qzEdit::Create CreateWindowEx");
    EXPECT_EQ(Failure([&] { text.Create(&window, "S", 0, 0, 1, 1); }), "qzStatic::Create CreateWindowEx");
    EXPECT_FALSE(button.IsCreated());
    platform.ClearCalls();
    window.Destroy();
    EXPECT_TRUE(platform.CallsStartingWith("DestroyControl").empty());
}
