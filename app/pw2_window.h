// A custom-drawn rectangle of the window tree. Children are owned and drawn after (over) their parent, in the
// order they were added; input reaches whichever window pw2_Main keeps active.
#pragma once

#include "qzobjectlist.h"
#include "qzstring.h"

#include <cstdint>

class pw2_Main;

class pw2_Window : public qzObjectNode<pw2_Window> {
public:
    pw2_Window(pw2_Main* main, pw2_Window* parent);
    virtual ~pw2_Window();
    pw2_Window(const pw2_Window&) = delete;
    pw2_Window& operator=(const pw2_Window&) = delete;

    // Clip rectangle in main-window client coordinates.
    virtual void Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight);
    virtual void OnMouseEnter();
    virtual void OnMouseLeave();
    virtual void OnRectChanged();
    virtual void OnChar(uint8_t character);
    virtual void OnKeyDown(int8_t key, bool repeat);
    virtual void OnKeyUp(int8_t key);
    virtual void OnMouseDown(int button, bool doubleclick);
    virtual void OnMouseUp(int button);
    virtual void OnMouseMove();
    virtual void OnMouseWheel(int count);

    void SetRect(int32_t x, int32_t y, int32_t width, int32_t height);
    void SetVisible(bool visible);
    bool IsVisible() const { return visible; }
    bool IsActive() const;
    bool Contains(int32_t px, int32_t py) const;
    pw2_Window* FindWindowAt(int32_t px, int32_t py);
    // Draws this window and its descendants inside the clip, later children over earlier ones.
    void DrawTree(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight);

    void SetTooltip(const qzString& text) { tooltip = text; }
    const qzString& GetTooltip() const { return tooltip; }

    int32_t GetX() const { return x; }
    int32_t GetY() const { return y; }
    int32_t GetWidth() const { return width; }
    int32_t GetHeight() const { return height; }
    int32_t GetAbsoluteX() const { return absolutex; }
    int32_t GetAbsoluteY() const { return absolutey; }
    pw2_Main* GetMain() const { return main; }
    pw2_Window* GetParentWindow() const { return parent; }
    const qzObjectList<pw2_Window>& GetChildren() const { return children; }

private:
    void UpdateAbsolutePosition();

    pw2_Main* main;
    pw2_Window* parent;
    qzObjectList<pw2_Window> children;
    bool visible = true;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t absolutex = 0;
    int32_t absolutey = 0;
    qzString tooltip;
};
