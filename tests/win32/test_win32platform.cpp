// The Win32 layer on a real display: what goes through the platform interface comes back from the system,
// and what the system delivers reaches the engine's windows as their events.
#include "nativewin32.h"
#include "qzclipboard.h"
#include "qzcontrols.h"
#include "qzdropfiles.h"
#include "qzexceptions.h"
#include "qzmain.h"
#include "qzmessagequeue.h"
#include "qzresource.h"
#include "qzwin32platform.h"
#include "qzwindow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Log = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

struct Win32PlatformTest : ::testing::Test {
    static void SetUpTestSuite() { platform = new qzWin32Platform; }
    static void TearDownTestSuite() { delete platform; }
    // Keeps the pointer off the test windows, whose events the tests read.
    void SetUp() override { platform->SetCursorPos(1279, 1023); }

    static qzWin32Platform* platform;
};
qzWin32Platform* Win32PlatformTest::platform = nullptr;

// Pumps until done() holds or the time is up.
template <class Done> bool PumpUntil(Done done, int milliseconds = 3000) {
    Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (Clock::now() < end) {
        EXPECT_TRUE(PumpMessages());
        if (done())
            return true;
        qzWaitForMessage(5);
    }
    return done();
}

// Lets everything on its way arrive.
void Settle() {
    PumpUntil([] { return false; }, 150);
}

// The events of a window, one line each.
struct Events {
    explicit Events(qzWindow& window) {
        window.SetOnClose(qzCallback<>::Bind<&Events::OnClose>(this));
        window.SetOnKeyDown(qzCallback<int8_t, bool>::Bind<&Events::OnKeyDown>(this));
        window.SetOnKeyUp(qzCallback<int8_t>::Bind<&Events::OnKeyUp>(this));
        window.SetOnChar(qzCallback<uint8_t>::Bind<&Events::OnChar>(this));
        window.SetOnMouseMove(qzCallback<>::Bind<&Events::OnMouseMove>(this));
        window.SetOnMouseDown(qzCallback<int, bool>::Bind<&Events::OnMouseDown>(this));
        window.SetOnMouseUp(qzCallback<int>::Bind<&Events::OnMouseUp>(this));
        window.SetOnMouseWheel(qzCallback<int>::Bind<&Events::OnMouseWheel>(this));
        this->window = &window;
    }
    void OnClose() { log.push_back("close"); }
    void OnKeyDown(int8_t key, bool repeat) {
        log.push_back("key down " + std::to_string(static_cast<uint8_t>(key)) + (repeat ? " repeat" : ""));
    }
    void OnKeyUp(int8_t key) { log.push_back("key up " + std::to_string(static_cast<uint8_t>(key))); }
    void OnChar(uint8_t character) { log.push_back("char " + std::to_string(character)); }
    void OnMouseMove() {
        if (!window->IsMouseInside()) {
            log.push_back("left");
            return;
        }
        bool shift = qzGetPlatform().GetKeyState(VK_SHIFT) < 0;
        log.push_back("move " + std::to_string(window->GetMouseX()) + " " +
                      std::to_string(window->GetMouseY()) + (shift ? " shift" : ""));
    }
    void OnMouseDown(int button, bool doubleclick) {
        log.push_back("down " + std::to_string(button) + (doubleclick ? " double" : ""));
    }
    void OnMouseUp(int button) { log.push_back("up " + std::to_string(button)); }
    void OnMouseWheel(int count) { log.push_back("wheel " + std::to_string(count)); }

    qzWindow* window = nullptr;
    Log log;
};

// A shown window of the given type, its placement known to the engine.
void Open(qzMain& root, qzWindow& window, int type, int32_t x, int32_t y, int32_t width, int32_t height,
          int32_t minwidth = 0, int32_t minheight = 0, qzWindow* parent = nullptr) {
    window.Create(&root, "Facetwright test", type, x, y, width, height, minwidth, minheight, parent);
    window.Show(false);
    qzRect client = nativewin32::GetClientOnScreen(window.GetHandle());
    PumpUntil([&] { return window.GetClientWidth() == client.right - client.left; });
    Settle();
}

} // namespace

TEST_F(Win32PlatformTest, SystemMessagesBecomeTheWindowsEvents) {
    qzMain root(1);
    qzWindow window;
    Open(root, window, 2, 100, 100, 300, 200, 300, 200);
    Events events(window);
    qzWindowHandle handle = window.GetHandle();
    auto post = [&](uint32_t message, uintptr_t wparam, intptr_t lparam) {
        events.log.clear();
        nativewin32::PostNative(handle, message, wparam, lparam);
        Settle();
        return events.log;
    };

    EXPECT_EQ(post(WM_MOUSEMOVE, MK_SHIFT, qzMakeLParam(30, 40)), Log{"move 30 40 shift"});
    EXPECT_EQ(post(WM_MOUSEMOVE, 0, qzMakeLParam(-5, -7)), Log{"move -5 -7"});

    // The capture lasts while any button is held.
    EXPECT_EQ(post(WM_LBUTTONDOWN, 0, qzMakeLParam(30, 40)), Log{"down 1"});
    EXPECT_EQ(nativewin32::GetCapture(), handle);
    EXPECT_EQ(post(WM_RBUTTONDOWN, 0, qzMakeLParam(30, 40)), Log{"down 3"});
    EXPECT_EQ(post(WM_LBUTTONUP, 0, qzMakeLParam(30, 40)), Log{"up 1"});
    EXPECT_EQ(nativewin32::GetCapture(), handle);
    EXPECT_EQ(post(WM_RBUTTONUP, 0, qzMakeLParam(30, 40)), Log{"up 3"});
    EXPECT_EQ(nativewin32::GetCapture(), 0u);
    EXPECT_EQ(post(WM_MBUTTONDBLCLK, 0, qzMakeLParam(30, 40)), Log{"down 2 double"});
    EXPECT_EQ(post(WM_MBUTTONUP, 0, qzMakeLParam(30, 40)), Log{"up 2"});

    // Half notches add up; away from the user is negative.
    EXPECT_EQ(post(WM_MOUSEWHEEL, 60u << 16, 0), Log{});
    EXPECT_EQ(post(WM_MOUSEWHEEL, 60u << 16, 0), Log{"wheel -1"});
    EXPECT_EQ(post(WM_MOUSEWHEEL, uintptr_t{static_cast<uint16_t>(-240)} << 16, 0), Log{"wheel 2"});

    // Up arrow (38) without the extended-key flag is keypad 8 with NumLock off.
    constexpr intptr_t EXTENDED = 1 << 24, REPEATED = 1 << 30;
    EXPECT_EQ(post(WM_KEYDOWN, 38, 0), Log{"key down 104"});
    EXPECT_EQ(post(WM_KEYUP, 38, 0), Log{"key up 104"});
    EXPECT_EQ(post(WM_KEYDOWN, 38, EXTENDED), Log{"key down 38"});
    EXPECT_EQ(post(WM_KEYDOWN, 38, EXTENDED | REPEATED), Log{"key down 38 repeat"});

    // The close box asks; the window stays until the application closes it.
    events.log.clear();
    nativewin32::RequestClose(handle);
    Settle();
    EXPECT_EQ(events.log, Log{"close"});
    EXPECT_TRUE(nativewin32::IsWindow(handle));
    EXPECT_TRUE(window.IsCreated());
    window.Destroy();
    EXPECT_FALSE(nativewin32::IsWindow(handle));
}

TEST_F(Win32PlatformTest, TypingAndThePointerReachTheFocusedWindow) {
    qzMain root(1);
    qzWindow window;
    Open(root, window, 2, 100, 100, 300, 200, 300, 200);
    Events events(window);
    ASSERT_TRUE(nativewin32::BringToFront(window.GetHandle()));
    Settle();

    events.log.clear();
    nativewin32::SendKey('A', true);
    nativewin32::SendKey('A', false);
    nativewin32::SendKey(VK_SHIFT, true);
    nativewin32::SendKey('A', true);
    nativewin32::SendKey('A', false);
    nativewin32::SendKey(VK_SHIFT, false);
    Settle();
    EXPECT_EQ(events.log, (Log{"key down 65", "char 97", "key up 65", "key down 16", "key down 65", "char 65",
                               "key up 65", "key up 16"}));

    qzRect client = nativewin32::GetClientOnScreen(window.GetHandle());
    events.log.clear();
    ASSERT_TRUE(platform->SetCursorPos(client.left + 50, client.top + 60));
    ASSERT_TRUE(PumpUntil([&] { return window.IsMouseInside(); }));
    EXPECT_EQ(window.GetMouseX(), 50);
    EXPECT_EQ(window.GetMouseY(), 60);
    int32_t x = 0, y = 0;
    ASSERT_TRUE(platform->GetCursorPos(x, y));
    EXPECT_EQ(x, client.left + 50);
    EXPECT_EQ(y, client.top + 60);

    events.log.clear();
    nativewin32::SendWheel(-120);
    Settle();
    EXPECT_EQ(events.log, Log{"wheel 1"});

    // Leaving is heard once, and coming back is a move again.
    events.log.clear();
    ASSERT_TRUE(platform->SetCursorPos(client.right + 40, client.top + 60));
    ASSERT_TRUE(PumpUntil([&] { return !window.IsMouseInside(); }));
    Settle();
    EXPECT_EQ(events.log, Log{"left"});
    ASSERT_TRUE(platform->SetCursorPos(client.left + 50, client.top + 60));
    EXPECT_TRUE(PumpUntil([&] { return window.IsMouseInside(); }));
    window.Destroy();
}

TEST_F(Win32PlatformTest, ACursorKindStaysInTheClientArea) {
    constexpr unsigned IDC_ARROW = 32512, IDC_IBEAM = 32513;
    qzMain root(1);
    qzWindow window;
    Open(root, window, 2, 100, 100, 300, 200, 300, 200);
    ASSERT_TRUE(nativewin32::BringToFront(window.GetHandle()));
    qzRect client = nativewin32::GetClientOnScreen(window.GetHandle());
    ASSERT_TRUE(platform->SetCursorPos(client.left + 50, client.top + 60));
    ASSERT_TRUE(PumpUntil([&] { return window.IsMouseInside(); }));
    EXPECT_EQ(nativewin32::GetCursor(), nativewin32::GetSystemCursor(IDC_ARROW));

    window.SetCursor(7);
    EXPECT_EQ(nativewin32::GetCursor(), nativewin32::GetSystemCursor(IDC_IBEAM));
    // Every move asks the window for its cursor again.
    ASSERT_TRUE(platform->SetCursorPos(client.left + 51, client.top + 61));
    Settle();
    EXPECT_EQ(nativewin32::GetCursor(), nativewin32::GetSystemCursor(IDC_IBEAM));
    window.SetCursor(1);
    EXPECT_EQ(nativewin32::GetCursor(), 0u);
    ASSERT_TRUE(platform->SetCursorPos(client.left + 50, client.top + 60));
    Settle();
    EXPECT_EQ(nativewin32::GetCursor(), 0u);
    window.Destroy();
}

TEST_F(Win32PlatformTest, WindowTypesGiveTheirStylesAndClientRectangles) {
    struct Case {
        int type;
        uint32_t style;
        uint32_t exstyle;
    };
    const Case cases[] = {{1, 0x00CA0000u, 0}, {2, 0x00CF0000u, 0}, {4, 0x80000000u, 0},
                          {5, 0x80C80000u, 0}, {6, 0x80C00000u, 0}, {7, 0x80C80000u, 1}};
    qzMain root(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        qzWindow window;
        Open(root, window, c.type, 200, 150, 320, 240);
        qzWindowHandle handle = window.GetHandle();
        EXPECT_EQ(nativewin32::GetStyle(handle) & QZSTYLEMASK, c.style);
        EXPECT_EQ(nativewin32::GetExStyle(handle) & QZEXSTYLEMASK, c.exstyle);
        qzRect client = nativewin32::GetClientOnScreen(handle);
        EXPECT_EQ(client.left, 200);
        EXPECT_EQ(client.top, 150);
        EXPECT_EQ(client.right - client.left, 320);
        EXPECT_EQ(client.bottom - client.top, 240);
        EXPECT_EQ(window.GetX(), 200);
        EXPECT_EQ(window.GetY(), 150);
        EXPECT_EQ(window.GetClientWidth(), 320);
        EXPECT_EQ(window.GetClientHeight(), 240);
        window.Destroy();
    }

    // Full screen: no frame, on top, the screen's size.
    qzWindow screen;
    Open(root, screen, 3, 0, 0, 0, 0);
    EXPECT_EQ(nativewin32::GetStyle(screen.GetHandle()) & QZSTYLEMASK, 0x80000000u);
    EXPECT_EQ(nativewin32::GetExStyle(screen.GetHandle()) & QZEXSTYLEMASK, 8u);
    EXPECT_EQ(screen.GetClientWidth(), platform->GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(screen.GetClientHeight(), platform->GetSystemMetrics(SM_CYSCREEN));
    screen.Destroy();

    // A child sits in its parent's client area.
    qzWindow parent, child;
    Open(root, parent, 2, 100, 100, 300, 200);
    Open(root, child, 9, 10, 20, 100, 50, 0, 0, &parent);
    EXPECT_EQ(nativewin32::GetParent(child.GetHandle()), parent.GetHandle());
    EXPECT_EQ(nativewin32::GetStyle(child.GetHandle()) & QZSTYLEMASK, 0x40000000u);
    EXPECT_EQ(nativewin32::GetExStyle(child.GetHandle()) & QZEXSTYLEMASK, 0x08000000u);
    qzRect inside = nativewin32::GetClientOnScreen(child.GetHandle());
    qzRect around = nativewin32::GetClientOnScreen(parent.GetHandle());
    EXPECT_EQ(inside.left - around.left, 10);
    EXPECT_EQ(inside.top - around.top, 20);
    EXPECT_EQ(inside.right - inside.left, 100);
    child.Destroy();
    parent.Destroy();
}

TEST_F(Win32PlatformTest, ModeChangesKeepTheMinimumAndComeBack) {
    qzMain root(1);
    qzWindow window;
    Open(root, window, 2, 100, 120, 400, 300, 400, 300);
    qzWindowHandle handle = window.GetHandle();

    // Dragging the frame smaller stops at the minimum client size.
    nativewin32::MoveWindowTo(handle, {50, 50, 150, 120});
    Settle();
    qzRect client = nativewin32::GetClientOnScreen(handle);
    EXPECT_EQ(client.right - client.left, 400);
    EXPECT_EQ(client.bottom - client.top, 300);
    // Larger is heard as a size event.
    int sizes = 0;
    struct Counter {
        int* count;
        void OnSize() { ++*count; }
    } counter{&sizes};
    window.SetOnSize(qzCallback<>::Bind<&Counter::OnSize>(&counter));
    nativewin32::MoveWindowTo(handle, {50, 50, 700, 600});
    ASSERT_TRUE(PumpUntil([&] { return sizes > 0; }));
    client = nativewin32::GetClientOnScreen(handle);
    EXPECT_EQ(window.GetClientWidth(), client.right - client.left);
    EXPECT_EQ(window.GetClientHeight(), client.bottom - client.top);

    window.SetMode(3, 0, 0, 0, 0, 0, 0);
    ASSERT_TRUE(
        PumpUntil([&] { return window.GetClientWidth() == platform->GetSystemMetrics(SM_CXSCREEN); }));
    EXPECT_EQ(window.GetClientHeight(), platform->GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(window.GetX(), 0);
    EXPECT_EQ(window.GetY(), 0);
    EXPECT_EQ(nativewin32::GetExStyle(handle) & QZEXSTYLEMASK, 8u);

    // Back, asking for less than the minimum: the minimum holds.
    window.SetMode(2, 100, 120, 200, 100, 400, 300);
    ASSERT_TRUE(PumpUntil([&] { return window.GetClientWidth() == 400 && window.GetX() == 100; }));
    EXPECT_EQ(window.GetY(), 120);
    EXPECT_EQ(window.GetClientHeight(), 300);
    EXPECT_EQ(nativewin32::GetStyle(handle) & QZSTYLEMASK, 0x00CF0000u);
    EXPECT_EQ(nativewin32::GetExStyle(handle) & QZEXSTYLEMASK, 0u);
    constexpr uint32_t WS_VISIBLE = 0x10000000u;
    EXPECT_NE(nativewin32::GetStyle(handle) & WS_VISIBLE, 0u);
    window.Destroy();
}

TEST_F(Win32PlatformTest, APaintFillsTheClientAreaWithTheBackground) {
    qzMain root(1);
    qzWindow window;
    Open(root, window, 4, 100, 100, 200, 100);
    ASSERT_TRUE(nativewin32::BringToFront(window.GetHandle()));
    window.SetBackgroundColor(0x2060A0);
    Settle();
    EXPECT_EQ(nativewin32::GetClientPixel(window.GetHandle(), 10, 10), 0x2060A0u);
    EXPECT_EQ(nativewin32::GetClientPixel(window.GetHandle(), 199, 99), 0x2060A0u);
    window.Destroy();
}

TEST_F(Win32PlatformTest, ResourcesAreTheFilesLinkedIn) {
    const std::string directory = FACETWRIGHT_RESOURCE_DIR;
    for (unsigned number : {1001u, 1002u}) {
        std::string file = nativewin32::ReadFile(directory + "/font" + std::to_string(number) + ".bmpf");
        ASSERT_FALSE(file.empty()) << number;
        qzString data = qzLoadResourceData(number);
        EXPECT_EQ(std::string(data.GetData(), data.GetLength()), file) << number;
    }
    EXPECT_THROW(qzLoadResourceData(1003u), qzIOException);
    EXPECT_THROW(qzLoadResourceData("font1001"), qzIOException);

    // The icon is resource 1, and there is no other.
    EXPECT_NO_THROW(qzMain(1));
    try {
        qzMain root(2);
        ADD_FAILURE() << "no icon 2, yet the root was built";
    } catch (const qzWindowsException& failure) {
        EXPECT_STREQ(failure.call, "LoadIcon");
    }
}

TEST_F(Win32PlatformTest, ClipboardTextComesBackByteForByte) {
    const char* texts[] = {"cube 1x1", "", "caf\xe9 \xb0 ~", "two\r\nlines"};
    for (const char* text : texts) {
        qzSetClipboardText(text);
        EXPECT_EQ(qzGetClipboardText(), qzString(text));
    }
    nativewin32::ClearClipboard();
    EXPECT_FALSE(platform->HasClipboardText());
    EXPECT_EQ(qzGetClipboardText(), qzString(""));
}

namespace {

struct Clicks {
    int count = 0;
    void OnClick() { ++count; }
};

} // namespace

TEST_F(Win32PlatformTest, ControlsKeepTheirTextsAndAClickedButtonReachesItsWindow) {
    qzMain root(1);
    qzWindow window;
    Open(root, window, 7, QZDEFAULTPOS, QZDEFAULTPOS, 300, 200, 300, 200);
    qzEdit box, line;
    box.Create(&window, "first\r\nsecond\r\n", 10, 10, 280, 100, true);
    line.Create(&window, "caf\xe9", 10, 120, 280, 20, false);
    qzStatic label;
    label.Create(&window, "A & B", 10, 145, 100, 14);
    qzButton button, other;
    button.Create(&window, "Close", 120, 165, 60, 20);
    other.Create(&window, "Other", 200, 165, 60, 20);
    Clicks clicks;
    button.SetOnClick(qzCallback<>::Bind<&Clicks::OnClick>(&clicks));

    auto text = [](qzEdit& edit) {
        qzString text;
        edit.GetText(text);
        return text;
    };
    EXPECT_EQ(text(box), "first\r\nsecond\r\n");
    box.SetText("one\r\ntwo");
    EXPECT_EQ(text(box), "one\r\ntwo");
    EXPECT_EQ(text(line), "caf\xe9");
    for (qzWindowHandle control : {box.GetHandle(), line.GetHandle(), label.GetHandle(), button.GetHandle()})
        EXPECT_EQ(nativewin32::GetControlFont(control), root.GetFont(1));
    EXPECT_EQ(nativewin32::GetParent(button.GetHandle()), window.GetHandle());

    nativewin32::ClickButton(other.GetHandle());
    Settle();
    EXPECT_EQ(clicks.count, 0);
    nativewin32::ClickButton(button.GetHandle());
    ASSERT_TRUE(PumpUntil([&] { return clicks.count > 0; }));
    Settle();
    EXPECT_EQ(clicks.count, 1);

    // The window takes its controls with it.
    qzWindowHandle handle = box.GetHandle();
    window.Destroy();
    EXPECT_FALSE(nativewin32::IsWindow(handle));
    EXPECT_FALSE(box.IsCreated());
}

namespace {

struct Drops {
    std::vector<std::string> paths;
    int32_t x = -1, y = -1;
    int count = 0;
    void OnDropFiles(const std::vector<std::string>& dropped, int32_t dropx, int32_t dropy) {
        paths = dropped;
        x = dropx;
        y = dropy;
        ++count;
    }
};

} // namespace

TEST_F(Win32PlatformTest, DroppedFilesReachTheSlotWithTheirPoint) {
    constexpr uint32_t WS_EX_ACCEPTFILES = 0x10;
    qzMain root(1);
    qzWindow window;
    Open(root, window, 2, 100, 100, 300, 200);
    Drops drops;
    window.SetOnDropFiles(
        qzCallback<const std::vector<std::string>&, int32_t, int32_t>::Bind<&Drops::OnDropFiles>(&drops));
    EXPECT_EQ(nativewin32::GetExStyle(window.GetHandle()) & WS_EX_ACCEPTFILES, 0u);
    window.AcceptFileDrops(true);
    EXPECT_NE(nativewin32::GetExStyle(window.GetHandle()) & WS_EX_ACCEPTFILES, 0u);

    const std::vector<std::string> paths = {"C:\\models\\cube one.obj", "Z:\\tmp\\caf\xe9.off"};
    nativewin32::PostFileDrop(window.GetHandle(), paths, 30, 40);
    ASSERT_TRUE(PumpUntil([&] { return drops.count > 0; }));
    EXPECT_EQ(drops.paths, paths);
    EXPECT_EQ(drops.x, 30);
    EXPECT_EQ(drops.y, 40);
    EXPECT_EQ(qzGetOpenDropCount(), 0u);
    window.AcceptFileDrops(false);
    EXPECT_EQ(nativewin32::GetExStyle(window.GetHandle()) & WS_EX_ACCEPTFILES, 0u);
    window.Destroy();
}

TEST_F(Win32PlatformTest, WaitsEndAtTheTimeoutOrAtTheFirstMessage) {
    qzMain root(1);
    qzWindow window;
    Open(root, window, 2, 100, 100, 300, 200);
    auto milliseconds = [](Clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    Clock::time_point start = Clock::now();
    platform->WaitForEvents(60);
    EXPECT_GE(milliseconds(start), 55);
    EXPECT_LT(milliseconds(start), 200);

    // A message posted from another thread wakes an endless wait and is in the queue after it.
    std::thread poster([handle = window.GetHandle()] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        nativewin32::PostNative(handle, WM_MOUSEMOVE, 0, qzMakeLParam(7, 8));
    });
    start = Clock::now();
    while (qzGetQueuedMessageCount() == 0 && milliseconds(start) < 2000)
        platform->WaitForEvents(QZINFINITE);
    poster.join();
    EXPECT_LT(milliseconds(start), 1000);
    ASSERT_TRUE(PumpMessages());
    EXPECT_EQ(window.GetMouseX(), 7);
    EXPECT_EQ(window.GetMouseY(), 8);
    window.Destroy();
}

TEST_F(Win32PlatformTest, FileDialogsGiveFullPathsWithTheDefaultExtension) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "facetwright dialogs";
    std::filesystem::create_directories(folder);
    for (const char* name : {"a.obj", "b.obj"})
        std::ofstream(folder / name) << "v 0 0 0\n";
    const std::string directory = folder.string();

    qzFileDialogRequest request;
    request.save = true;
    request.initialdirectory = directory;
    request.filters = {{"Models (*.obj)", {"*.obj"}}};
    request.defaultextension = "obj";
    std::vector<std::string> files;
    qzWindowHandle owner = 0;
    std::thread answer = nativewin32::AnswerDialog("Save As", IDOK, "out", &owner);
    EXPECT_TRUE(platform->FileDialog(request, files));
    answer.join();
    EXPECT_EQ(owner, 0u) << "no dialog came up";
    EXPECT_EQ(files, (std::vector<std::string>{directory + "\\out.obj"}));

    request.save = false;
    request.multiselect = true;
    files.clear();
    answer = nativewin32::AnswerDialog("Open", IDOK, "\"a.obj\" \"b.obj\"", &owner);
    EXPECT_TRUE(platform->FileDialog(request, files));
    answer.join();
    EXPECT_EQ(owner, 0u) << "no dialog came up";
    EXPECT_EQ(files, (std::vector<std::string>{directory + "\\a.obj", directory + "\\b.obj"}));

    files.clear();
    answer = nativewin32::AnswerDialog("Open", IDCANCEL, "", &owner);
    EXPECT_FALSE(platform->FileDialog(request, files));
    answer.join();
    EXPECT_EQ(owner, 0u) << "no dialog came up";
    EXPECT_TRUE(files.empty());
    std::filesystem::remove_all(folder);
}
