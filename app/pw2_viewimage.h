// The drawing area of a 3D view and its input: the middle button (or the left one in move mode) rotates,
// moves (Shift) or zooms (Ctrl) the camera, the right button cancels such a drag, the wheel zooms, and the
// numeric keypad takes the standard turns. Outside move mode the left button selects points (a click, or a
// rectangle dragged from empty space; Shift adds) and drags the selection in the grid plane.
#pragma once

#include "pw2_window.h"
#include "qzquaternion.h"
#include "qztexture.h"
#include "qzvector.h"

#include <cstdint>

class pw2_View;
struct pw2_ModelPoint;
struct pw2_ViewPick;

enum : int {
    PW2_KEY_NUMPAD0 = 96,
    PW2_KEY_NUMPAD9 = 105,
    PW2_KEY_MULTIPLY = 106,
    PW2_KEY_ADD = 107,
    PW2_KEY_SUBTRACT = 109,
    PW2_KEY_DECIMAL = 110,
    PW2_KEY_DIVIDE = 111
};
enum : uint32_t { PW2_DRAG_ROTATE = 1, PW2_DRAG_MOVE = 2, PW2_DRAG_ZOOM = 3 };
// cursor kinds of the move mode
enum : int { PW2_CURSOR_ARROW = 3, PW2_CURSOR_SIZEALL = 9 };

class pw2_ViewImage : public pw2_Window {
public:
    pw2_ViewImage(pw2_Main* main, pw2_View* view);

    void Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) override;

    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnKeyDown(int8_t key, bool repeat) override;
    void OnMouseDown(int button, bool doubleclick) override;
    void OnMouseUp(int button) override;
    void OnMouseMove() override;
    void OnMouseWheel(int count) override;

    void EndDrag();
    void SetMoveMode(bool flag);
    bool GetMoveMode() const { return movemode; }
    bool IsDragging() const { return dragging; }
    uint32_t GetDragMode() const { return dragmode; }
    pw2_View* GetView() const { return view; }
    // The scene's render target; the device releases it at every reset, the drawing makes it again.
    qzTexture& GetTexture() { return texture; }

    // One drag step from the stored position to (cx, cy), relative to the image; stores (cx, cy).
    void Drag(int32_t cx, int32_t cy);

    // The selection rectangle being dragged, relative to the image; false when there is none.
    bool GetSelectionRectangle(int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1) const;
    // The points as this image shows them, for picking.
    pw2_ViewPick GetPick() const;

    // A click selects the point within this many pixels; a press moves this far before it drags.
    static constexpr double PICKRADIUS = 5;
    static constexpr int32_t DRAGSTART = 3;

private:
    void StartDrag();
    void CancelDrag();
    void DragZoom(int32_t cx);
    void DragMove(int32_t cx, int32_t cy);
    void DragTrackball(int32_t cx, int32_t cy);
    void DragTurntable(int32_t cx, int32_t cy);
    int32_t MouseX() const;
    int32_t MouseY() const;
    // The left button outside move mode.
    void PressSelect();
    void DragSelect(int32_t cx, int32_t cy);
    void ReleaseSelect();
    // Right button: a selection drag ends without effect; true when there was one.
    bool CancelSelect();

    pw2_View* view;
    bool movemode = false;
    bool dragging = false;
    uint32_t dragmode = PW2_DRAG_ROTATE;
    // the camera at the drag start, put back by a cancel
    qzQuaternion savedrotation;
    qzVector3 savedtarget;
    double savedzoom = 0;
    // the mouse at the previous drag step
    int32_t startx = 0;
    int32_t starty = 0;
    qzTexture texture;
    // what the left button is doing outside move mode
    enum class Press { NONE, POINT, MOVE, RECTANGLE };
    Press press = Press::NONE;
    int32_t pressx = 0, pressy = 0, cornerx = 0, cornery = 0;
    bool pressshift = false;
    // the point the press was on, and whether it was selected before the press
    pw2_ModelPoint* presspoint = nullptr;
    bool pointwasselected = false;
    // the editor's geometry at the press: a press on one that went acts no more
    uint64_t pressgeneration = 0;
};
