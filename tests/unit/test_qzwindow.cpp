#include "failure.h"
#include "qzdropfiles.h"
#include "qzfakeplatform.h"
#include "qzmain.h"
#include "qzmessagequeue.h"
#include "qzwindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records every slot call of a window as text.
struct SlotLog {
    std::vector<std::string> calls;
    void OnClose() { calls.push_back("close"); }
    void OnMove() { calls.push_back("move"); }
    void OnSize() { calls.push_back("size"); }
    void OnKeyDown(int8_t key, bool repeat) {
        calls.push_back("keydown " + std::to_string(key) + (repeat ? " repeat" : ""));
    }
    void OnKeyUp(int8_t key) { calls.push_back("keyup " + std::to_string(key)); }
    void OnChar(uint8_t character) { calls.push_back("char " + std::to_string(character)); }
    void OnMouseMove() { calls.push_back("mousemove"); }
    void OnMouseDown(int button, bool doubleclick) {
        calls.push_back("down " + std::to_string(button) + (doubleclick ? " double" : ""));
    }
    void OnMouseUp(int button) { calls.push_back("up " + std::to_string(button)); }
    void OnMouseWheel(int count) { calls.push_back("wheel " + std::to_string(count)); }
    void OnFocusGained() { calls.push_back("focus"); }
    void OnFocusLost() { calls.push_back("nofocus"); }

    void Install(qzWindow& window) {
        window.SetOnClose(qzCallback<>::Bind<&SlotLog::OnClose>(this));
        window.SetOnMove(qzCallback<>::Bind<&SlotLog::OnMove>(this));
        window.SetOnSize(qzCallback<>::Bind<&SlotLog::OnSize>(this));
        window.SetOnKeyDown(qzCallback<int8_t, bool>::Bind<&SlotLog::OnKeyDown>(this));
        window.SetOnKeyUp(qzCallback<int8_t>::Bind<&SlotLog::OnKeyUp>(this));
        window.SetOnChar(qzCallback<uint8_t>::Bind<&SlotLog::OnChar>(this));
        window.SetOnMouseMove(qzCallback<>::Bind<&SlotLog::OnMouseMove>(this));
        window.SetOnMouseDown(qzCallback<int, bool>::Bind<&SlotLog::OnMouseDown>(this));
        window.SetOnMouseUp(qzCallback<int>::Bind<&SlotLog::OnMouseUp>(this));
        window.SetOnMouseWheel(qzCallback<int>::Bind<&SlotLog::OnMouseWheel>(this));
        window.SetOnFocusGained(qzCallback<>::Bind<&SlotLog::OnFocusGained>(this));
        window.SetOnFocusLost(qzCallback<>::Bind<&SlotLog::OnFocusLost>(this));
    }
};

struct WindowTest : ::testing::Test {
    qzFakePlatform platform;
    qzMain root{1};
    qzWindow window;
    SlotLog log;

    void SetUp() override {
        window.Create(&root, "Test", 2, QZDEFAULTPOS, QZDEFAULTPOS, 800, 600, 800, 600, nullptr);
        log.Install(window);
    }
    void Send(uint32_t message, uintptr_t wparam = 0, intptr_t lparam = 0) {
        platform.Deliver(qzFakeMessage(window.GetHandle(), message, wparam, lparam));
        ASSERT_TRUE(PumpMessages());
    }
    void Wheel(int delta) { Send(WM_MOUSEWHEEL, static_cast<uintptr_t>(static_cast<uint16_t>(delta)) << 16); }
};

using Calls = std::vector<std::string>;

} // namespace

TEST_F(WindowTest, CreationGrowsTheClientAreaByTheFrameAndOnlyNewPlacementsCallSlots) {
    EXPECT_EQ(platform.CallsStartingWith("CreateWindow"),
              Calls{"CreateWindow Test cf0000 0 -1 -1 808 624 parent 0"});
    EXPECT_EQ(root.windows.first, &window);
    EXPECT_EQ(root.windows.count, 1);
    // Until the first move and size messages the placement is the outer rectangle.
    EXPECT_EQ(window.GetX(), 40);
    EXPECT_EQ(window.GetClientWidth(), 808);
    Send(WM_MOVE, 0, qzMakeLParam(44, 50));
    Send(WM_SIZE, SIZE_RESTORED, qzMakeLParam(800, 600));
    EXPECT_EQ(window.GetX(), 44);
    EXPECT_EQ(window.GetY(), 50);
    EXPECT_EQ(window.GetClientWidth(), 800);
    // A repeated or minimised placement calls no slot.
    Send(WM_SIZE, SIZE_RESTORED, qzMakeLParam(900, 700));
    Send(WM_SIZE, SIZE_RESTORED, qzMakeLParam(900, 700));
    Send(WM_SIZE, SIZE_MINIMIZED, qzMakeLParam(0, 0));
    EXPECT_EQ(window.GetClientWidth(), 900);
    EXPECT_EQ(window.GetClientHeight(), 700);
    Send(WM_MOVE, 0, qzMakeLParam(-10, -20));
    Send(WM_MOVE, 0, qzMakeLParam(-10, -20));
    // Positions are signed words: a window left of the screen keeps its negative x.
    EXPECT_EQ(window.GetX(), -10);
    EXPECT_EQ(window.GetY(), -20);
    EXPECT_EQ(log.calls, (Calls{"move", "size", "size", "move"}));
}

TEST_F(WindowTest, WheelNotchesFireWhenWholeAndRemaindersGoOnEntryAndFocusLoss) {
    Wheel(60);
    Wheel(60);
    Wheel(240);
    Wheel(60);
    Wheel(-60);
    Wheel(-130);
    Wheel(-110); // the 10 left over from -130 was dropped
    Wheel(-10);
    Wheel(370); // three notches; the rest goes
    Wheel(-119);
    EXPECT_EQ(log.calls, (Calls{"wheel -1", "wheel -2", "wheel 1", "wheel 1", "wheel -3"}));
    log.calls.clear();
    Wheel(100);
    Send(WM_KILLFOCUS);
    Wheel(100);
    Send(WM_MOUSEMOVE, 0, qzMakeLParam(5, 5)); // enters
    Wheel(100);
    Send(WM_MOUSEMOVE, 0, qzMakeLParam(6, 5)); // already inside: keeps the 100
    Wheel(20);
    EXPECT_EQ(log.calls, (Calls{"nofocus", "mousemove", "mousemove", "wheel -1"}));
}

TEST_F(WindowTest, CaptureLastsUntilEveryButtonIsReleased) {
    Send(WM_LBUTTONDOWN);
    Send(WM_RBUTTONDOWN);
    Send(WM_LBUTTONUP);
    EXPECT_EQ(platform.capture, window.GetHandle());
    EXPECT_TRUE(window.IsAnyButtonHeld());
    EXPECT_FALSE(window.IsLeftButtonHeld());
    Send(WM_MBUTTONDBLCLK);
    Send(WM_RBUTTONUP);
    EXPECT_EQ(platform.capture, window.GetHandle());
    Send(WM_MBUTTONUP);
    EXPECT_EQ(platform.capture, 0u);
    EXPECT_FALSE(window.IsAnyButtonHeld());
    EXPECT_EQ(platform.CallsStartingWith("ReleaseCapture").size(), 1u);
    EXPECT_EQ(log.calls, (Calls{"down 1", "down 3", "up 1", "down 2 double", "up 3", "up 2"}));
}

TEST_F(WindowTest, LeavingReportsOneMoreMoveWithTheMouseOutside) {
    Send(WM_MOUSEMOVE, 0, qzMakeLParam(-3, 700));
    EXPECT_TRUE(window.IsMouseInside());
    EXPECT_EQ(window.GetMouseX(), -3);
    EXPECT_EQ(window.GetMouseY(), 700);
    Send(WM_MOUSEMOVE, 0, qzMakeLParam(4, 7));
    Send(WM_MOUSELEAVE);
    EXPECT_FALSE(window.IsMouseInside());
    Send(WM_MOUSEMOVE, 0, qzMakeLParam(4, 7));
    EXPECT_EQ(log.calls, (Calls{"mousemove", "mousemove", "mousemove", "mousemove"}));
    // Leave tracking starts at each entry only.
    EXPECT_EQ(platform.CallsStartingWith("TrackMouseLeave").size(), 2u);
}

TEST_F(WindowTest, KeysAreSignedLowBytesWithTheRepeatBitAndCharactersUnsigned) {
    Send(WM_KEYDOWN, 122, 0);
    Send(WM_KEYDOWN, 122, 1 << 30);
    Send(WM_KEYDOWN, 0x1A0, 0); // only the low byte counts, as a signed value
    Send(WM_KEYUP, 0xFF);
    Send(WM_CHAR, 0x1E9);
    Send(WM_SETFOCUS);
    Send(WM_CLOSE);
    EXPECT_TRUE(window.HasFocus());
    EXPECT_EQ(log.calls, (Calls{"keydown 122", "keydown 122 repeat", "keydown -96", "keyup -1", "char 233",
                                "focus", "close"}));
    EXPECT_TRUE(window.IsCreated()); // closing is the application's decision
}

TEST_F(WindowTest, EmptySlotsAndUnknownMessagesAreQuiet) {
    qzWindow other;
    other.Create(&root, "Other", 1, 10, 10, 100, 100, 0, 0, nullptr);
    platform.Deliver(qzFakeMessage(other.GetHandle(), WM_MOUSEWHEEL, 240u << 16));
    platform.Deliver(qzFakeMessage(other.GetHandle(), 0x7777));
    platform.Deliver(qzFakeMessage(9999, WM_CLOSE)); // a window the engine does not know
    EXPECT_TRUE(PumpMessages());
    EXPECT_TRUE(log.calls.empty());
}

TEST_F(WindowTest, MinMaxInfoGrowsTheMinimumClientSizeByTheFrame) {
    qzMinMaxInfo info;
    info.mintrackwidth = 100;
    info.maxtrackwidth = 5000;
    info.maxtrackheight = 300;
    qzSendMessage(qzFakeMessage(window.GetHandle(), WM_GETMINMAXINFO, 0, reinterpret_cast<intptr_t>(&info)));
    EXPECT_EQ(info.mintrackwidth, 808);
    EXPECT_EQ(info.mintrackheight, 624);
    EXPECT_EQ(info.maxtrackwidth, 5000);
    EXPECT_EQ(info.maxtrackheight, 624);
    EXPECT_EQ(qzSendMessage(qzFakeMessage(window.GetHandle(), WM_ERASEBKGND)), 1);
}

TEST_F(WindowTest, CursorIsSetOnEntryAndTheBlankOneAtOnceAndTheBackgroundInPlatformOrder) {
    EXPECT_EQ(qzSendMessage(qzFakeMessage(window.GetHandle(), WM_SETCURSOR)), 0); // outside: the default
    Send(WM_MOUSEMOVE, 0, qzMakeLParam(1, 1));
    platform.ClearCalls();
    EXPECT_EQ(qzSendMessage(qzFakeMessage(window.GetHandle(), WM_SETCURSOR)), 1);
    window.SetCursor(1);
    window.SetCursor(7);
    EXPECT_EQ(platform.CallsStartingWith("SetCursor"),
              (Calls{"SetCursor 1 3", "SetCursor 1 1", "SetCursor 1 7"}));
    platform.failcursor = true;
    EXPECT_THROW(window.SetCursor(4), qzWindowsException);
    // The background colour is swapped into platform order.
    platform.ClearCalls();
    window.SetBackgroundColor(0x123456);
    window.SwitchOffBackground();
    EXPECT_EQ(platform.CallsStartingWith("SetBackground"),
              (Calls{"SetBackground 1 1 563412", "SetBackground 1 0 000000"}));
    EXPECT_EQ(platform.CallsStartingWith("InvalidateRect").size(), 2u);
}

TEST_F(WindowTest, ModeChangeReplacesTheMaskedStyles) {
    platform.ClearCalls();
    window.SetMode(3, 0, 0, 0, 0, 0, 0);
    window.SetMode(1, 100, 50, 640, 480, 320, 200);
    EXPECT_EQ(platform.calls,
              (Calls{"SetWindowStyle 1 80000000 8", "SetMinimumClientSize 1 0 0",
                     "SetWindowPos 1 0 0 1280 1024", "InvalidateRect 1", "SetWindowStyle 1 ca0000 0",
                     "SetMinimumClientSize 1 320 200", "SetWindowPos 1 96 30 648 504", "InvalidateRect 1"}));
    EXPECT_EQ(window.GetMinimumClientWidth(), 320);
}

TEST(WindowTypes, FramedTypesGrowByTheFrameAndCentredOnesSitMidScreen) {
    qzFakePlatform platform;
    // Client 400 x 300 on the 1280 x 1024 screen; types 3 and 8 keep the place they are given.
    const int32_t rows[][5] = {{1, QZDEFAULTPOS, QZDEFAULTPOS, 408, 324},
                               {3, 7, 9, 400, 300},
                               {4, 440, 362, 400, 300},
                               {5, 436, 342, 408, 324},
                               {8, 7, 9, 400, 300}};
    for (const auto& row : rows) {
        bool given = row[0] == 3 || row[0] == 8;
        qzWindowTypeData data =
            qzComputeWindowType(row[0], given ? 7 : QZDEFAULTPOS, given ? 9 : QZDEFAULTPOS, 400, 300);
        EXPECT_EQ((std::vector<int32_t>{data.xx, data.yy, data.width, data.height}),
                  (std::vector<int32_t>{row[1], row[2], row[3], row[4]}))
            << row[0];
    }
    // A zero size of a full-screen popup is the screen's; centring needs a coordinate left to the platform.
    EXPECT_EQ(qzComputeWindowType(3, 0, 0, 0, 0).width, 1280);
    EXPECT_EQ(qzComputeWindowType(4, 3, 4, 10, 10).xx, 3);
}

TEST(WindowLifetime, DestroyingLeavesTheListDropsQueuedMessagesAndTheRootDestroysTheRest) {
    qzFakePlatform platform;
    SlotLog log;
    qzWindow first, second;
    {
        qzMain root(0);
        first.Create(&root, "A", 2, 0, 0, 100, 100, 0, 0, nullptr);
        second.Create(&root, "B", 2, 0, 0, 100, 100, 0, 0, nullptr);
        log.Install(first);
        platform.Deliver(qzFakeMessage(first.GetHandle(), WM_CLOSE));
        platform.ProcessEvents();
        first.Destroy();
        EXPECT_FALSE(first.IsCreated());
        EXPECT_EQ(root.windows.count, 1);
        EXPECT_EQ(qzGetQueuedMessageCount(), 0u);
        EXPECT_TRUE(PumpMessages());
        EXPECT_TRUE(log.calls.empty());
        EXPECT_DEATH(first.Destroy(), "Expression: main!=NULL");
    }
    EXPECT_FALSE(second.IsCreated());
    EXPECT_EQ(platform.CallsStartingWith("DestroyWindow"), (Calls{"DestroyWindow 1", "DestroyWindow 2"}));
    // The engine root gives back what it made, fonts last.
    EXPECT_EQ(platform.calls.back(), "DeleteFont 201");
    EXPECT_EQ(platform.CallsStartingWith("LoadIcon").size(), 0u);
}

TEST(WindowLifetime, FailedCreationThrowsAndLeavesTheWindowDetached) {
    qzFakePlatform platform;
    qzMain root(1);
    qzWindow window;
    platform.failcreatewindow = true;
    EXPECT_EQ(Failure([&] { window.Create(&root, "X", 2, 0, 0, 10, 10, 0, 0, nullptr); }),
              "qzMain::CreateWindow CreateWindowEx");
    EXPECT_FALSE(window.IsCreated());
    EXPECT_EQ(root.windows.count, 0);
}

TEST(EngineRoot, FailuresReleaseWhatWasAlreadyMade) {
    qzFakePlatform platform;
    platform.failfont2 = true;
    EXPECT_EQ(Failure([] { qzMain root(1); }), "qzMain::qzMain CreateFont");
    EXPECT_EQ(platform.CallsStartingWith("DeleteFont"), Calls{"DeleteFont 201"});
    platform.failfont2 = false;
    platform.failclass = true;
    platform.ClearCalls();
    EXPECT_EQ(Failure([] { qzMain root(1); }), "qzMain::qzMain RegisterClassEx");
    EXPECT_EQ(platform.CallsStartingWith("DeleteFont").size(), 2u);
    EXPECT_TRUE(platform.CallsStartingWith("UnregisterClass").empty());
}

TEST_F(WindowTest, QuitStopsThePumpAndLeavesTheMessagesBehindIt) {
    platform.Deliver(qzFakeMessage(window.GetHandle(), WM_KEYDOWN, 65));
    platform.ProcessEvents();
    PostQuitMessage(3);
    platform.Deliver(qzFakeMessage(window.GetHandle(), WM_KEYDOWN, 66));
    EXPECT_FALSE(PumpMessages());
    EXPECT_EQ(qzGetQuitCode(), 3);
    EXPECT_EQ(log.calls, Calls{"keydown 65"});
    EXPECT_EQ(qzGetQueuedMessageCount(), 1u);
    EXPECT_TRUE(PumpMessages());
    EXPECT_EQ(log.calls, (Calls{"keydown 65", "keydown 66"}));
}

TEST_F(WindowTest, AWindowHasAtMostOnePaintWaiting) {
    qzPostMessage(qzFakeMessage(window.GetHandle(), WM_PAINT));
    qzPostMessage(qzFakeMessage(window.GetHandle(), WM_KEYDOWN, 65));
    qzPostMessage(qzFakeMessage(window.GetHandle(), WM_PAINT));
    qzPostMessage(qzFakeMessage(window.GetHandle() + 1, WM_PAINT));
    EXPECT_EQ(qzGetQueuedMessageCount(), 3u);
    EXPECT_TRUE(PumpMessages());
    EXPECT_EQ(log.calls, Calls{"keydown 65"});
    // Once taken, the next expose is painted again.
    qzPostMessage(qzFakeMessage(window.GetHandle(), WM_PAINT));
    EXPECT_EQ(qzGetQueuedMessageCount(), 1u);
    EXPECT_TRUE(PumpMessages());
}

TEST_F(WindowTest, WaitingSleepsOnlyWithAnEmptyQueueAndATimeout) {
    qzPostMessage(qzFakeMessage(window.GetHandle(), WM_MOUSEMOVE));
    platform.ClearCalls();
    qzWaitForMessage(QZINFINITE);
    EXPECT_TRUE(platform.CallsStartingWith("WaitForEvents").empty()) << "a queued message is work at once";
    EXPECT_TRUE(PumpMessages());
    qzWaitForMessage(0);
    EXPECT_TRUE(platform.CallsStartingWith("WaitForEvents").empty());
    qzWaitForMessage(601);
    qzWaitForMessage(QZINFINITE);
    EXPECT_EQ(platform.CallsStartingWith("WaitForEvents"),
              (Calls{"WaitForEvents 601", "WaitForEvents 4294967295"}));
}

namespace {

struct DropLog {
    std::vector<std::string> calls;
    void OnDropFiles(const std::vector<std::string>& paths, int32_t x, int32_t y) {
        std::string call = "drop " + std::to_string(x) + " " + std::to_string(y);
        for (const std::string& path : paths)
            call += " [" + path + "]";
        calls.push_back(call);
    }
};

} // namespace

TEST_F(WindowTest, DroppedFilesReachTheSlotWithTheirPointAndEveryDropIsReleased) {
    window.AcceptFileDrops(true);
    window.AcceptFileDrops(false);
    EXPECT_EQ(platform.CallsStartingWith("DragAcceptFiles"),
              (Calls{"DragAcceptFiles 1 1", "DragAcceptFiles 1 0"}));
    const size_t open = qzGetOpenDropCount();
    // Without a slot, and for a window the engine does not know, the drop goes all the same.
    platform.DropFiles(window.GetHandle(), {"/tmp/a.obj"}, 1, 2);
    platform.DropFiles(9999, {"/tmp/b.obj"}, 1, 2);
    EXPECT_EQ(qzGetOpenDropCount(), open + 2);
    ASSERT_TRUE(PumpMessages());
    EXPECT_EQ(qzGetOpenDropCount(), open);

    DropLog drops;
    window.SetOnDropFiles(
        qzCallback<const std::vector<std::string>&, int32_t, int32_t>::Bind<&DropLog::OnDropFiles>(&drops));
    platform.DropFiles(window.GetHandle(), {"/home/u/cube.obj", "/home/u/a b/\xc3\xa9t\xc3\xa9.gltf"}, 640,
                       17);
    platform.DropFiles(window.GetHandle(), {"/x.ply"}, 0, 599);
    // A drop of nothing is no drop.
    platform.DropFiles(window.GetHandle(), {}, 5, 5);
    ASSERT_TRUE(PumpMessages());
    EXPECT_EQ(drops.calls, (Calls{"drop 640 17 [/home/u/cube.obj] [/home/u/a b/\xc3\xa9t\xc3\xa9.gltf]",
                                  "drop 0 599 [/x.ply]"}));
    EXPECT_EQ(qzGetOpenDropCount(), open);
    EXPECT_TRUE(log.calls.empty());
}

TEST(DropFiles, AFinishedDropIsGoneAndItsHandleNeverComesBack) {
    qzDropHandle first = qzCreateDrop({"a", "b"}, -3, 4);
    std::string path;
    int32_t x = 0, y = 0;
    EXPECT_TRUE(qzDragQueryFile(first, 1, path) && path == "b");
    EXPECT_FALSE(qzDragQueryFile(first, 2, path));
    EXPECT_TRUE(qzDragQueryPoint(first, x, y) && x == -3 && y == 4);
    qzDragFinish(first);
    qzDropHandle second = qzCreateDrop({"c"}, 0, 0);
    EXPECT_NE(second, first);
    EXPECT_EQ(qzDragQueryFileCount(first), 0u);
    EXPECT_FALSE(qzDragQueryFile(first, 0, path) || qzDragQueryPoint(first, x, y));
    qzDragFinish(second);
}

namespace {

// What a slot finds of Shift and Control while its message is handled.
struct HeldLog {
    std::vector<std::string> seen;
    void Note(const std::string& what) {
        seen.push_back(what + ((qzGetMessageKeyState(VK_CONTROL) & 0x8000) ? " ctrl" : "") +
                       ((qzGetMessageKeyState(VK_SHIFT) & 0x8000) ? " shift" : ""));
    }
    void OnKeyDown(int8_t key, bool) { Note("key " + std::to_string(key)); }
    void OnMouseDown(int, bool) { Note("down"); }
    void OnMouseMove() { Note("move"); }
};

} // namespace

// A quick Ctrl+O whose four messages all wait for a busy frame still reaches the window as Ctrl+O, as a
// click reaches it with the keys held at the click; a window that loses the focus holds nothing.
TEST_F(WindowTest, KeysHeldAreThoseOfTheMessageBeingHandled) {
    HeldLog held;
    window.SetOnKeyDown(qzCallback<int8_t, bool>::Bind<&HeldLog::OnKeyDown>(&held));
    window.SetOnMouseDown(qzCallback<int, bool>::Bind<&HeldLog::OnMouseDown>(&held));
    window.SetOnMouseMove(qzCallback<>::Bind<&HeldLog::OnMouseMove>(&held));
    const qzWindowHandle w = window.GetHandle();
    for (auto [message, wparam] : std::vector<std::pair<uint32_t, uintptr_t>>{{WM_KEYDOWN, VK_CONTROL},
                                                                              {WM_KEYDOWN, 'O'},
                                                                              {WM_KEYUP, 'O'},
                                                                              {WM_KEYUP, VK_CONTROL},
                                                                              {WM_KEYDOWN, 'O'},
                                                                              {WM_LBUTTONDOWN, MK_SHIFT},
                                                                              {WM_MOUSEMOVE, 0},
                                                                              {WM_KEYDOWN, VK_CONTROL},
                                                                              {WM_KILLFOCUS, 0},
                                                                              {WM_KEYDOWN, 'O'}})
        qzPostMessage(qzFakeMessage(w, message, wparam));
    ASSERT_TRUE(PumpMessages());
    EXPECT_EQ(held.seen,
              (Calls{"key 17 ctrl", "key 79 ctrl", "key 79", "down shift", "move", "key 17 ctrl", "key 79"}));
}
