#include "qzcontrols.h"

#include "qzassert.h"
#include "qzexceptions.h"
#include "qzmain.h"
#include "qzwindow.h"

void qzControl::CreateControl(const char* where, qzWindow* _window, int kind, const char* text, int32_t x,
                              int32_t y, int32_t width, int32_t height) {
    QZASSERT(window == nullptr, "window==NULL");
    QZASSERT(_window->main != nullptr, "_window->main!=NULL");
    // Tahoma, the second of the root's fonts, as the platform's dialogs use it.
    qzWindowHandle handle = qzGetPlatform().CreateControl(
        _window->windowhandle, kind, text, qzRect{x, y, x + width, y + height}, _window->main->GetFont(1));
    if (handle == 0)
        throw qzWindowsException(where, "CreateWindowEx");
    window = _window;
    controlhandle = handle;
}

void qzControl::DestroyControl() {
    QZASSERT(window != nullptr, "window!=NULL");
    qzGetPlatform().DestroyControl(controlhandle);
    window = nullptr;
    controlhandle = 0;
}

void qzControl::Show() {
    QZASSERT(window != nullptr, "window!=NULL");
    qzGetPlatform().ShowControl(controlhandle, true);
}

void qzControl::Hide() {
    QZASSERT(window != nullptr, "window!=NULL");
    qzGetPlatform().ShowControl(controlhandle, false);
}

void qzControl::Activate() {
    QZASSERT(window != nullptr, "window!=NULL");
    qzGetPlatform().FocusControl(controlhandle);
}

void qzControl::Enable() {
    QZASSERT(window != nullptr, "window!=NULL");
    qzGetPlatform().EnableControl(controlhandle, true);
}

void qzControl::Disable() {
    QZASSERT(window != nullptr, "window!=NULL");
    qzGetPlatform().EnableControl(controlhandle, false);
}

void qzControl::Move(int32_t x, int32_t y, int32_t width, int32_t height) {
    QZASSERT(window != nullptr, "window!=NULL");
    qzGetPlatform().MoveControl(controlhandle, qzRect{x, y, x + width, y + height});
}

void qzControl::SetText(const char* text) {
    QZASSERT(window != nullptr, "window!=NULL");
    qzGetPlatform().SetControlText(controlhandle, text);
}

void qzButton::Create(qzWindow* _window, const char* text, int32_t x, int32_t y, int32_t width,
                      int32_t height) {
    CreateControl("qzButton::Create", _window, QZCONTROL_BUTTON, text, x, y, width, height);
    window->buttons.Append(this);
}

void qzEdit::Create(qzWindow* _window, const char* text, int32_t x, int32_t y, int32_t width, int32_t height,
                    bool multilinereadonly) {
    CreateControl("qzEdit::Create", _window, multilinereadonly ? QZCONTROL_TEXTBOX : QZCONTROL_EDIT, text, x,
                  y, width, height);
    window->edits.Append(this);
}

void qzEdit::GetText(qzString& text) const {
    QZASSERT(window != nullptr, "window!=NULL");
    qzGetPlatform().GetControlText(controlhandle, text);
}

void qzStatic::Create(qzWindow* _window, const char* text, int32_t x, int32_t y, int32_t width,
                      int32_t height) {
    CreateControl("qzStatic::Create", _window, QZCONTROL_STATIC, text, x, y, width, height);
    window->statics.Append(this);
}
