#include "pw2_window.h"

#include "pw2_main.h"

#include <algorithm>

pw2_Window::pw2_Window(pw2_Main* main, pw2_Window* parent) : main(main), parent(parent) {
    if (parent != nullptr) {
        parent->children.Append(this);
        absolutex = parent->absolutex;
        absolutey = parent->absolutey;
    }
}

pw2_Window::~pw2_Window() {
    while (children.last != nullptr)
        delete children.last;
    if (parent != nullptr) {
        Unlink();
        if (main != nullptr)
            main->OnWindowGone(this);
    }
}

void pw2_Window::Draw(int32_t, int32_t, int32_t, int32_t) {}
void pw2_Window::OnMouseEnter() {}
void pw2_Window::OnMouseLeave() {}
void pw2_Window::OnRectChanged() {}
void pw2_Window::OnChar(uint8_t) {}
void pw2_Window::OnKeyDown(int8_t, bool) {}
void pw2_Window::OnKeyUp(int8_t) {}
void pw2_Window::OnMouseDown(int, bool) {}
void pw2_Window::OnMouseUp(int) {}
void pw2_Window::OnMouseMove() {}
void pw2_Window::OnMouseWheel(int) {}

void pw2_Window::SetRect(int32_t _x, int32_t _y, int32_t _width, int32_t _height) {
    x = _x;
    y = _y;
    width = _width;
    height = _height;
    UpdateAbsolutePosition();
    OnRectChanged();
}

void pw2_Window::UpdateAbsolutePosition() {
    absolutex = parent != nullptr ? parent->absolutex + x : x;
    absolutey = parent != nullptr ? parent->absolutey + y : y;
    for (pw2_Window* child = children.first; child != nullptr; child = child->next)
        child->UpdateAbsolutePosition();
}

void pw2_Window::SetVisible(bool _visible) {
    visible = _visible;
    if (!visible && parent != nullptr && main != nullptr)
        main->OnWindowGone(this);
}

bool pw2_Window::IsActive() const {
    return main != nullptr && main->GetActiveWindow() == this;
}

bool pw2_Window::Contains(int32_t px, int32_t py) const {
    return absolutex <= px && px < absolutex + width && absolutey <= py && py < absolutey + height;
}

pw2_Window* pw2_Window::FindWindowAt(int32_t px, int32_t py) {
    for (pw2_Window* child = children.last; child != nullptr; child = child->prev) {
        if (child->visible && child->Contains(px, py))
            return child->FindWindowAt(px, py);
    }
    return this;
}

void pw2_Window::DrawTree(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) {
    if (!visible || clipwidth < 1 || clipheight < 1)
        return;
    Draw(clipx, clipy, clipwidth, clipheight);
    int32_t left = std::max(clipx, absolutex);
    int32_t top = std::max(clipy, absolutey);
    int32_t right = std::min(clipx + clipwidth, absolutex + width);
    int32_t bottom = std::min(clipy + clipheight, absolutey + height);
    for (pw2_Window* child = children.first; child != nullptr; child = child->next)
        child->DrawTree(left, top, right - left, bottom - top);
}
