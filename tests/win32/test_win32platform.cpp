// The Win32 layer on a real display: what the system delivers reaches the engine's windows as their events,
// and what goes through the platform interface comes back from the system.
#include "qzclipboard.h"
#include "qzcontrols.h"
#include "qzexceptions.h"
#include "qzmain.h"
#include "qzmessagequeue.h"
#include "qzresource.h"
#include "qzwin32platform.h"
#include "qzwindow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

// The few system calls the tests make of their own, declared here: <windows.h> clashes with the Direct3D
// names of the engine's headers. A window is its qzWindowHandle, a RECT a qzRect.
extern "C" {
int __stdcall PostMessageA(qzWindowHandle, uint32_t, uintptr_t, intptr_t);
intptr_t __stdcall SendMessageA(qzWindowHandle, uint32_t, uintptr_t, intptr_t);
intptr_t __stdcall GetWindowLongPtrA(qzWindowHandle, int);
int __stdcall IsWindow(qzWindowHandle);
qzWindowHandle __stdcall GetCapture();
int __stdcall GetClientRect(qzWindowHandle, qzRect*);
int __stdcall MapWindowPoints(qzWindowHandle, qzWindowHandle, qzRect*, unsigned);
int __stdcall MoveWindow(qzWindowHandle, int, int, int, int, int);
int __stdcall SetForegroundWindow(qzWindowHandle);
qzWindowHandle __stdcall SetFocus(qzWindowHandle);
qzWindowHandle __stdcall GetForegroundWindow();
void* __stdcall GetCursor();
void* __stdcall LoadCursorA(void*, const char*);
unsigned __stdcall MapVirtualKeyA(unsigned, unsigned);
void __stdcall keybd_event(uint8_t, uint8_t, uint32_t, uintptr_t);
void __stdcall mouse_event(uint32_t, uint32_t, uint32_t, uint32_t, uintptr_t);
void* __stdcall GlobalAlloc(unsigned, size_t);
}

namespace {

using Log = std::vector<std::string>;
constexpr int GWL_STYLE = -16, GWL_EXSTYLE = -20;

struct Win32PlatformTest : ::testing::Test {
    static void SetUpTestSuite() { platform = new qzWin32Platform; }
    static void TearDownTestSuite() { delete platform; }
    // Keeps the pointer off the test windows, whose events the tests read.
    void SetUp() override { platform->SetCursorPos(1279, 1023); }

    static qzWin32Platform* platform;
};
qzWin32Platform* Win32PlatformTest::platform = nullptr;

// The client area in screen pixels.
qzRect ClientOnScreen(qzWindowHandle window) {
    qzRect client;
    GetClientRect(window, &client);
    MapWindowPoints(window, 0, &client, 2);
    return client;
}

std::vector<int32_t> Edges(const qzRect& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// Whether the cursor shown is the system's of this IDC_ number (32513 the I-beam), or none for 0.
bool ShowsCursor(uintptr_t idc) {
    return GetCursor() == (idc == 0 ? nullptr : LoadCursorA(nullptr, reinterpret_cast<const char*>(idc)));
}

// A key pressed or let go through the system's input queue.
void SendKey(uint8_t key, bool down) {
    constexpr uint32_t KEYEVENTF_KEYUP = 2;
    keybd_event(key, static_cast<uint8_t>(MapVirtualKeyA(key, 0)), down ? 0 : KEYEVENTF_KEYUP, 0);
}

// Posts WM_DROPFILES as the shell does: DROPFILES (the offset of the names, the point, two flags), then the
// paths one after the other, each ended by a zero, and a zero after the last.
void PostFileDrop(qzWindowHandle window, const std::vector<std::string>& paths, int32_t x, int32_t y) {
    const uint32_t header[5] = {sizeof header, static_cast<uint32_t>(x), static_cast<uint32_t>(y), 0, 0};
    std::string drop(reinterpret_cast<const char*>(header), sizeof header);
    for (const std::string& path : paths)
        drop += path + '\0';
    drop += '\0';
    void* memory = GlobalAlloc(0, drop.size());
    std::memcpy(memory, drop.data(), drop.size());
    PostMessageA(window, WM_DROPFILES, reinterpret_cast<uintptr_t>(memory), 0);
}

// Pumps until done() holds or the time is up.
template <class Done> bool PumpUntil(Done done, int milliseconds = 3000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
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
    explicit Events(qzWindow& window) : window(&window) {
        window.SetOnClose(qzCallback<>::Bind<&Events::OnClose>(this));
        window.SetOnKeyDown(qzCallback<int8_t, bool>::Bind<&Events::OnKeyDown>(this));
        window.SetOnKeyUp(qzCallback<int8_t>::Bind<&Events::OnKeyUp>(this));
        window.SetOnChar(qzCallback<uint8_t>::Bind<&Events::OnChar>(this));
        window.SetOnMouseMove(qzCallback<>::Bind<&Events::OnMouseMove>(this));
        window.SetOnMouseDown(qzCallback<int, bool>::Bind<&Events::OnMouseDown>(this));
        window.SetOnMouseUp(qzCallback<int>::Bind<&Events::OnMouseUp>(this));
        window.SetOnMouseWheel(qzCallback<int>::Bind<&Events::OnMouseWheel>(this));
    }
    void Add(std::string what, int number) { log.push_back(what + " " + std::to_string(number)); }
    void OnClose() { log.push_back("close"); }
    void OnKeyDown(int8_t key, bool) { Add("key down", static_cast<uint8_t>(key)); }
    void OnKeyUp(int8_t key) { Add("key up", static_cast<uint8_t>(key)); }
    void OnChar(uint8_t character) { Add("char", character); }
    void OnMouseMove() { log.push_back(window->IsMouseInside() ? "move" : "left"); }
    void OnMouseDown(int button, bool) { Add("down", button); }
    void OnMouseUp(int button) { Add("up", button); }
    void OnMouseWheel(int count) { Add("wheel", count); }
    // What arrived since the last call.
    Log Take() { return Settle(), std::exchange(log, {}); }

    qzWindow* window;
    Log log;
};

// What a window's controls and drops have told it.
struct Slots {
    int clicks = 0;
    std::vector<std::string> drop;
    int32_t x = -1, y = -1;
    void OnClick() { ++clicks; }
    void OnDropFiles(const std::vector<std::string>& paths, int32_t dropx, int32_t dropy) {
        drop = paths;
        x = dropx;
        y = dropy;
    }
};

// A shown window of the given type, its placement known to the engine.
void Open(qzMain& root, qzWindow& window, int type, int32_t x, int32_t y, int32_t width, int32_t height,
          int32_t minwidth = 0, int32_t minheight = 0, qzWindow* parent = nullptr) {
    window.Create(&root, "Facetwright test", type, x, y, width, height, minwidth, minheight, parent);
    window.Show(false);
    qzRect client = ClientOnScreen(window.GetHandle());
    PumpUntil([&] { return window.GetClientWidth() == client.right - client.left; });
    Settle();
}

} // namespace

TEST_F(Win32PlatformTest, InputReachesTheFocusedWindowsEvents) {
    qzMain root(1);
    qzWindow window;
    Open(root, window, 2, 100, 100, 300, 200);
    qzWindowHandle handle = window.GetHandle();
    Events events(window);
    SetForegroundWindow(handle);
    SetFocus(handle);
    ASSERT_EQ(GetForegroundWindow(), handle);
    events.Take();

    for (auto [key, down] :
         {std::pair{'A', true}, {'A', false}, {VK_SHIFT, true}, {'A', true}, {'A', false}, {VK_SHIFT, false}})
        SendKey(static_cast<uint8_t>(key), down);
    EXPECT_EQ(events.Take(), (Log{"key down 65", "char 97", "key up 65", "key down 16", "key down 65",
                                  "char 65", "key up 65", "key up 16"}));
    // Up arrow (38) without the extended-key flag is keypad 8 with NumLock off; Alt+X is a system key.
    constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
    PostMessageA(handle, WM_KEYDOWN, 38, 0);
    PostMessageA(handle, WM_KEYUP, 38, 0);
    PostMessageA(handle, WM_KEYDOWN, 38, 1 << 24);
    PostMessageA(handle, WM_SYSKEYDOWN, 'X', 1 << 29);
    EXPECT_EQ(events.Take(), (Log{"key down 104", "key up 104", "key down 38", "key down 88"}));

    qzRect client = ClientOnScreen(handle);
    ASSERT_TRUE(platform->SetCursorPos(client.left + 50, client.top + 60));
    ASSERT_TRUE(PumpUntil([&] { return window.IsMouseInside(); }));
    EXPECT_EQ(window.GetMouseX(), 50);
    EXPECT_EQ(window.GetMouseY(), 60);
    events.Take();
    constexpr uint32_t MOUSEEVENTF_WHEEL = 0x0800;
    mouse_event(MOUSEEVENTF_WHEEL, 0, 0, static_cast<uint32_t>(-120), 0);
    EXPECT_EQ(events.Take(), Log{"wheel 1"});
    // The capture lasts while a button is held.
    PostMessageA(handle, WM_RBUTTONDOWN, 0, qzMakeLParam(50, 60));
    EXPECT_EQ(events.Take(), Log{"down 3"});
    EXPECT_EQ(GetCapture(), handle);
    PostMessageA(handle, WM_RBUTTONUP, 0, qzMakeLParam(50, 60));
    EXPECT_EQ(events.Take(), Log{"up 3"});
    EXPECT_EQ(GetCapture(), 0u);

    // The cursor kind holds in the client area: every move asks the window again.
    constexpr unsigned IDC_ARROW = 32512, IDC_IBEAM = 32513;
    EXPECT_TRUE(ShowsCursor(IDC_ARROW));
    window.SetCursor(7);
    ASSERT_TRUE(platform->SetCursorPos(client.left + 51, client.top + 61));
    Settle();
    EXPECT_TRUE(ShowsCursor(IDC_IBEAM));
    window.SetCursor(1);
    EXPECT_TRUE(ShowsCursor(0));

    // Leaving is heard once.
    events.Take();
    ASSERT_TRUE(platform->SetCursorPos(client.right + 40, client.top + 60));
    ASSERT_TRUE(PumpUntil([&] { return !window.IsMouseInside(); }));
    EXPECT_EQ(events.Take(), Log{"left"});

    // The close box asks; the window stays until the application closes it.
    constexpr uint32_t WM_SYSCOMMAND = 0x0112, SC_CLOSE = 0xF060;
    SendMessageA(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(events.Take(), Log{"close"});
    EXPECT_TRUE(IsWindow(handle));
    window.Destroy();
    EXPECT_FALSE(IsWindow(handle));
}

TEST_F(Win32PlatformTest, WindowTypesGiveTheirStylesAndClientRectangles) {
    // Each opens at its client rectangle; full screen is the screen's, without a frame, on top.
    const qzRect at{200, 150, 520, 390};
    const qzRect screen{0, 0, platform->GetSystemMetrics(SM_CXSCREEN),
                        platform->GetSystemMetrics(SM_CYSCREEN)};
    const struct {
        int type;
        uint32_t style, exstyle;
        qzRect client;
    } cases[] = {{1, 0x00CA0000u, 0, at}, {2, 0x00CF0000u, 0, at}, {3, 0x80000000u, 8, screen},
                 {4, 0x80000000u, 0, at}, {5, 0x80C80000u, 0, at}, {6, 0x80C00000u, 0, at},
                 {7, 0x80C80000u, 1, at}};
    qzMain root(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        qzWindow window;
        const qzRect& r = c.client;
        Open(root, window, c.type, r.left, r.top, r.right - r.left, r.bottom - r.top);
        EXPECT_EQ(GetWindowLongPtrA(window.GetHandle(), GWL_STYLE) & QZSTYLEMASK, c.style);
        EXPECT_EQ(GetWindowLongPtrA(window.GetHandle(), GWL_EXSTYLE) & QZEXSTYLEMASK, c.exstyle);
        EXPECT_EQ(Edges(ClientOnScreen(window.GetHandle())), Edges(r));
        window.Destroy();
    }

    // Dragging the frame smaller stops at the minimum client size.
    qzWindow parent, child;
    Open(root, parent, 2, 100, 100, 400, 300, 400, 300);
    MoveWindow(parent.GetHandle(), 50, 50, 100, 70, 1);
    Settle();
    qzRect around = ClientOnScreen(parent.GetHandle());
    EXPECT_EQ(around.right - around.left, 400);
    EXPECT_EQ(around.bottom - around.top, 300);

    // A child sits in its parent's client area.
    Open(root, child, 9, 10, 20, 100, 50, 0, 0, &parent);
    EXPECT_EQ(GetWindowLongPtrA(child.GetHandle(), GWL_STYLE) & QZSTYLEMASK, 0x40000000u);
    EXPECT_EQ(GetWindowLongPtrA(child.GetHandle(), GWL_EXSTYLE) & QZEXSTYLEMASK, 0x08000000u);
    qzRect inside = ClientOnScreen(child.GetHandle());
    EXPECT_EQ(inside.left - around.left, 10);
    EXPECT_EQ(inside.top - around.top, 20);
    child.Destroy();
    parent.Destroy();
}

TEST_F(Win32PlatformTest, ResourcesAreTheFilesLinkedIn) {
    for (unsigned number : {1001u, 1002u}) {
        std::ifstream in(FACETWRIGHT_RESOURCE_DIR "/font" + std::to_string(number) + ".bmpf",
                         std::ios::binary);
        std::string file{std::istreambuf_iterator<char>(in), {}};
        ASSERT_FALSE(file.empty()) << number;
        qzString data = qzLoadResourceData(number);
        EXPECT_EQ(std::string(data.GetData(), data.GetLength()), file) << number;
    }
    EXPECT_THROW(qzLoadResourceData(1003u), qzIOException);
    EXPECT_THROW(qzLoadResourceData("font1001"), qzIOException);
}

TEST_F(Win32PlatformTest, ClipboardTextComesBackByteForByte) {
    for (const char* text : {"cube 1x1", "", "caf\xe9 \xb0 ~", "two\r\nlines"}) {
        qzSetClipboardText(text);
        EXPECT_EQ(qzGetClipboardText(), qzString(text));
    }
}

TEST_F(Win32PlatformTest, AClickedButtonAndDroppedFilesReachTheirWindow) {
    qzMain root(1);
    qzWindow window;
    Open(root, window, 7, QZDEFAULTPOS, QZDEFAULTPOS, 300, 200);
    qzButton button, other;
    button.Create(&window, "Close", 120, 165, 60, 20);
    other.Create(&window, "Other", 200, 165, 60, 20);
    Slots slots;
    button.SetOnClick(qzCallback<>::Bind<&Slots::OnClick>(&slots));
    constexpr uint32_t BM_CLICK = 0x00F5;
    SendMessageA(other.GetHandle(), BM_CLICK, 0, 0);
    Settle();
    EXPECT_EQ(slots.clicks, 0);
    SendMessageA(button.GetHandle(), BM_CLICK, 0, 0);
    Settle();
    EXPECT_EQ(slots.clicks, 1);

    window.SetOnDropFiles(
        qzCallback<const std::vector<std::string>&, int32_t, int32_t>::Bind<&Slots::OnDropFiles>(&slots));
    window.AcceptFileDrops(true);
    constexpr uint32_t WS_EX_ACCEPTFILES = 0x10;
    EXPECT_NE(GetWindowLongPtrA(window.GetHandle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0u);
    const std::vector<std::string> paths = {"C:\\models\\cube one.obj", "Z:\\tmp\\caf\xe9.off"};
    PostFileDrop(window.GetHandle(), paths, 30, 40);
    ASSERT_TRUE(PumpUntil([&] { return !slots.drop.empty(); }));
    EXPECT_EQ(slots.drop, paths);
    EXPECT_EQ(slots.x, 30);
    EXPECT_EQ(slots.y, 40);
    window.Destroy();
}

TEST(Win32FileList, AMultipleSelectionGivesFullPaths) {
    using Files = std::vector<std::string>;
    EXPECT_EQ(qzWin32SplitFileList("C:\\models\0a.obj\0b c.obj\0"),
              (Files{"C:\\models\\a.obj", "C:\\models\\b c.obj"}));
    EXPECT_EQ(qzWin32SplitFileList("C:\\\0a.obj\0"), Files{"C:\\a.obj"});
    EXPECT_EQ(qzWin32SplitFileList("C:\\models\\a.obj\0"), Files{"C:\\models\\a.obj"});
    EXPECT_EQ(qzWin32SplitFileList("\0"), Files{});
}
