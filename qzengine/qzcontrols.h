// Native child controls: thin wrappers of the platform's push button, edit box and static text, each made
// as a child of a qzWindow and kept in that window's list of its kind, which the window destroys with itself.
// Check boxes, group boxes and list boxes are not carried: nothing makes one.
#pragma once

#include "qzcallback.h"
#include "qzobjectlist.h"
#include "qzplatform.h"

#include <cstdint>

class qzWindow;

// What the controls share: the window they belong to and their handle. Every operation but Create asserts
// "window!=NULL".
class qzControl {
public:
    qzControl() = default;
    qzControl(const qzControl&) = delete;
    qzControl& operator=(const qzControl&) = delete;

    bool IsCreated() const { return window != nullptr; }
    qzWindowHandle GetHandle() const { return controlhandle; }
    void Show();
    void Hide();
    void Move(int32_t x, int32_t y, int32_t width, int32_t height);
    void SetText(const char* text);

protected:
    ~qzControl() = default;

    // Asserts "window==NULL" and "_window->main!=NULL"; throws qzWindowsException with the given place and
    // "CreateWindowEx" when the platform cannot make the control.
    void CreateControl(const char* where, qzWindow* _window, int kind, const char* text, int32_t x, int32_t y,
                       int32_t width, int32_t height);
    void DestroyControl();
    // Static texts take no input, so only the other kinds offer these.
    void Activate();
    void Enable();
    void Disable();

    qzWindow* window = nullptr;
    qzWindowHandle controlhandle = 0;
};

// A control of one kind, in its window's list of that kind; destroyed with the window or by its own end.
template <class T> class qzListedControl : public qzControl, public qzObjectNode<T> {
public:
    ~qzListedControl() {
        if (window != nullptr)
            Destroy();
    }
    void Destroy() {
        DestroyControl();
        this->Unlink();
    }
};

class qzButton : public qzListedControl<qzButton> {
public:
    void Create(qzWindow* window, const char* text, int32_t x, int32_t y, int32_t width, int32_t height);
    using qzControl::Activate;
    using qzControl::Disable;
    using qzControl::Enable;

    // Called when the button is clicked (the command message with BN_CLICKED).
    void SetOnClick(qzCallback<> slot) { onclick = slot; }
    const qzCallback<>& GetOnClick() const { return onclick; }

private:
    qzCallback<> onclick;
};

class qzEdit : public qzListedControl<qzEdit> {
public:
    // A single-line edit box, or a read-only box of several lines (lines end in CR LF) with scroll bars.
    void Create(qzWindow* window, const char* text, int32_t x, int32_t y, int32_t width, int32_t height,
                bool multilinereadonly);
    using qzControl::Activate;
    using qzControl::Disable;
    using qzControl::Enable;
    // Appends the text of the box.
    void GetText(qzString& text) const;
};

class qzStatic : public qzListedControl<qzStatic> {
public:
    void Create(qzWindow* window, const char* text, int32_t x, int32_t y, int32_t width, int32_t height);
};
