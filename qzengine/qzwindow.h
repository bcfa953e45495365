// One native top-level (or child) window: its type, placement, mouse and focus state, kept up to date by the
// window procedure, and the event slots through which the application hears about it.
#pragma once

#include "qzcallback.h"
#include "qzmessage.h"
#include "qzobjectlist.h"
#include "qzplatform.h"

#include <cstdint>
#include <string>
#include <vector>

class qzButton;
class qzControl;
class qzDevice;
class qzEdit;
class qzMain;
class qzStatic;

// The platform chooses the position.
constexpr int32_t QZDEFAULTPOS = static_cast<int32_t>(0x80000000u);

// Style and extended style of a window type, and where the outer rectangle lands.
struct qzWindowTypeData {
    uint32_t style = 0;
    uint32_t exstyle = 0;
    // The outer rectangle as x, y, width, height; xx, yy stay QZDEFAULTPOS when the platform places it.
    int32_t xx = 0;
    int32_t yy = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// The window-type table applied to a client rectangle; asserts "false" for a type outside 1 to 9.
qzWindowTypeData qzComputeWindowType(int type, int32_t x, int32_t y, int32_t width, int32_t height);

constexpr uint32_t QZSTYLEMASK = 0xC0CF0000u;
constexpr uint32_t QZEXSTYLEMASK = 0x08000009u;

class qzWindow : public qzObjectNode<qzWindow> {
public:
    qzWindow() = default;
    ~qzWindow();

    void Create(qzMain* main, const char* title, int type, int32_t x, int32_t y, int32_t width,
                int32_t height, int32_t minwidth, int32_t minheight, qzWindow* parent);
    void SetMode(int type, int32_t x, int32_t y, int32_t width, int32_t height, int32_t minwidth,
                 int32_t minheight);
    void Destroy();
    bool IsCreated() const { return main != nullptr; }

    void Show(bool maximised);
    void SetTitle(const char* text);
    void SwitchOffBackground();
    void UseSystemBackground();
    void SetBackgroundColor(uint32_t rgb);
    void SetCursor(int kind);
    // Whether files dropped onto the window reach the drop slot.
    void AcceptFileDrops(bool accept);

    int32_t GetX() const { return x; }
    int32_t GetY() const { return y; }
    int32_t GetClientWidth() const { return clientwidth; }
    int32_t GetClientHeight() const { return clientheight; }
    int32_t GetMouseX() const { return mousex; }
    int32_t GetMouseY() const { return mousey; }
    bool IsMouseInside() const { return mouseinside; }
    bool IsLeftButtonHeld() const { return leftbutton; }
    bool IsAnyButtonHeld() const { return leftbutton || middlebutton || rightbutton; }
    bool HasFocus() const { return hasfocus; }
    qzWindowHandle GetHandle() const { return windowhandle; }
    // The device drawing into this window, if any.
    qzDevice* GetDevice() const { return device; }
    int32_t GetMinimumClientWidth() const { return minclientwidth; }
    int32_t GetMinimumClientHeight() const { return minclientheight; }

    void SetOnClose(qzCallback<> slot) { onclose = slot; }
    void SetOnMove(qzCallback<> slot) { onmove = slot; }
    void SetOnSize(qzCallback<> slot) { onsize = slot; }
    void SetOnKeyDown(qzCallback<int8_t, bool> slot) { onkeydown = slot; }
    void SetOnKeyUp(qzCallback<int8_t> slot) { onkeyup = slot; }
    void SetOnChar(qzCallback<uint8_t> slot) { onchar = slot; }
    void SetOnMouseMove(qzCallback<> slot) { onmousemove = slot; }
    void SetOnMouseDown(qzCallback<int, bool> slot) { onmousedown = slot; }
    void SetOnMouseUp(qzCallback<int> slot) { onmouseup = slot; }
    void SetOnMouseWheel(qzCallback<int> slot) { onmousewheel = slot; }
    void SetOnFocusGained(qzCallback<> slot) { onfocusgained = slot; }
    void SetOnFocusLost(qzCallback<> slot) { onfocuslost = slot; }
    // The dropped files' paths and the drop point in client pixels.
    void SetOnDropFiles(qzCallback<const std::vector<std::string>&, int32_t, int32_t> slot) {
        ondropfiles = slot;
    }

private:
    friend class qzButton;
    friend class qzControl;
    friend class qzDevice;
    friend class qzEdit;
    friend class qzStatic;
    friend intptr_t qzWindowProc(qzWindow& window, const qzMessage& message);
    friend intptr_t qzWindowProcedure(const qzMessage& message);

    void ReleaseOnDestroy();

    qzMain* main = nullptr;
    qzDevice* device = nullptr;
    qzWindow* parent = nullptr;
    qzWindowHandle windowhandle = 0;
    int cursor = 3; // the kind; 0 after the blank cursor destroyed it
    qzPlatformHandle brush = 0;
    bool brushnotowned = true;
    bool brushenabled = false;
    uint32_t brushcolor = 0; // 0xBBGGRR
    int32_t x = 0;
    int32_t y = 0;
    int32_t clientwidth = 0;
    int32_t clientheight = 0;
    int32_t minclientwidth = 0;
    int32_t minclientheight = 0;
    uint32_t style = 0;
    uint32_t exstyle = 0;
    bool hasfocus = false;
    bool mouseinside = false;
    bool leftbutton = false;
    bool middlebutton = false;
    bool rightbutton = false;
    int32_t mousex = 0;
    int32_t mousey = 0;
    int32_t wheelaccumulator = 0;

    qzCallback<> onclose;
    qzCallback<> onmove;
    qzCallback<> onsize;
    qzCallback<int8_t, bool> onkeydown;
    qzCallback<int8_t> onkeyup;
    qzCallback<uint8_t> onchar;
    qzCallback<> onmousemove;
    qzCallback<int, bool> onmousedown;
    qzCallback<int> onmouseup;
    qzCallback<int> onmousewheel;
    qzCallback<> onfocusgained;
    qzCallback<> onfocuslost;
    qzCallback<const std::vector<std::string>&, int32_t, int32_t> ondropfiles;

    // The native child controls of each kind; the buttons serve the command message.
    qzObjectList<qzButton> buttons;
    qzObjectList<qzEdit> edits;
    qzObjectList<qzStatic> statics;
};
