// The one object that draws: it owns the device of the main window, the screen-space and world-space vertex
// queues and the two lights, takes the device through its lost/reset cycle, draws a frame only when one was
// requested, and has one drawing operation per kind of window. The window tree's draw slots call these
// operations; nothing else in the program issues drawing calls.
#pragma once

#include "pw2_control_look.h"
#include "pw2_modelbuffers.h"
#include "qzcolor.h"
#include "qzdevice.h"
#include "qzlight.h"
#include "qzstring.h"
#include "qzvertexqueue.h"

#include <cstdint>
#include <string>

class pw2_Main;
class pw2_Window;
class pw2_Control_Button;
class pw2_Control_Toggle;
class pw2_Control_Dropdown;
class pw2_Control_Dropdown_Popup;
class pw2_Submenu;
class pw2_SubmenuButton;
class pw2_ViewImage;
class qzTextLayout;

constexpr uint32_t PW2_QUEUE_VERTICES = 10000;

// t8 = trunc(t * 255 + 0.5); every channel (a * (255 - t8) + b * t8 + 127) / 255.
qzColor pw2_Lerp(qzColor a, qzColor b, double t);
// The frame blends with source factor one, so every translucent colour goes in premultiplied.
qzColor pw2_Premultiplied(qzColor c);

struct pw2_TooltipPosition {
    int32_t x, y;
    bool operator==(const pw2_TooltipPosition&) const = default;
};

// Where a tooltip box of bw x bh goes for the mouse at (mx, my) over the window (x, y, w, h) in a client
// area of screenwidth x screenheight: the candidate below or above the mouse nearest to 10 pixels below it
// that neither covers the window nor leaves the client area, else (mx, my + 10).
pw2_TooltipPosition pw2_PlaceTooltip(int32_t screenwidth, int32_t screenheight, int32_t x, int32_t y,
                                     int32_t w, int32_t h, int32_t mx, int32_t my, int32_t bw, int32_t bh);

// A screen-space vertex at (x, y) of the render target, pixel centres at integer coordinates.
qzVertex2D pw2_ScreenVertex(double x, double y, qzColor color, float u = 0, float v = 0);
// Six vertices covering the quad's pixels exactly, with texture coordinates from (0, 0) to (u2, v2).
void pw2_EnqueueQuad(qzVertexQueue2D& queue, const pw2_QuadLook& quad, float u2 = 0, float v2 = 0);

// The progress box of a long load over the views (viewswidth x viewsheight from the top left).
struct pw2_ProgressLook {
    pw2_QuadLook box;
    pw2_FrameLook frame;
    pw2_FrameLook barframe;
    pw2_QuadLook bar;
    pw2_TextLook caption;
    pw2_TextLook hint;
};
pw2_ProgressLook pw2_ComputeProgress(int32_t viewswidth, int32_t viewsheight, double fraction);

class pw2_GraphicsController {
public:
    explicit pw2_GraphicsController(pw2_Main* main);
    ~pw2_GraphicsController();
    pw2_GraphicsController(const pw2_GraphicsController&) = delete;
    pw2_GraphicsController& operator=(const pw2_GraphicsController&) = delete;

    // Once per pass of the main loop: recovers a lost device, then draws and presents a requested frame.
    void Update();
    void RequestRedraw() { redrawRequested = true; }
    // The back buffer takes the client size, but never less than 800 x 600.
    void OnResize();
    void OnDeviceReset();
    // The device's draw callback.
    void DrawFrame();

    // Each takes the clip rectangle its window's draw slot was handed.
    void DrawButton(const pw2_Control_Button* button, int32_t clipx, int32_t clipy, int32_t clipwidth,
                    int32_t clipheight);
    void DrawToggle(const pw2_Control_Toggle* toggle, int32_t clipx, int32_t clipy, int32_t clipwidth,
                    int32_t clipheight);
    void DrawDropdown(const pw2_Control_Dropdown* dropdown, int32_t clipx, int32_t clipy, int32_t clipwidth,
                      int32_t clipheight);
    void DrawDropdownPopup(const pw2_Control_Dropdown_Popup* popup, int32_t clipx, int32_t clipy,
                           int32_t clipwidth, int32_t clipheight);
    void DrawSubmenu(const pw2_Submenu* submenu, int32_t clipx, int32_t clipy, int32_t clipwidth,
                     int32_t clipheight);
    void DrawSubmenuButton(const pw2_SubmenuButton* button, int32_t clipx, int32_t clipy, int32_t clipwidth,
                           int32_t clipheight);
    // The view's scene into the image's own render target, then composited inside a sunken bevel.
    void DrawViewImage(pw2_ViewImage* image, int32_t clipx, int32_t clipy, int32_t clipwidth,
                       int32_t clipheight);
    // Unclipped, over the window tree: the progress of a load that has run long enough to show it.
    void DrawProgress();
    // Why the last command could not apply, in a box at the foot of the views.
    void DrawMessage(const std::string& text);
    // Unclipped, over everything, at the mouse position taken when the tooltip was shown.
    void DrawTooltip(const pw2_Window* window, int32_t mousex, int32_t mousey);

    bool IsReady() const { return ready; }
    // Frames drawn whole so far.
    uint64_t GetDrawnFrames() const { return drawnframes; }
    bool IsRedrawRequested() const { return redrawRequested; }
    qzDevice& GetDevice() { return device; }
    bool IsDeviceLost() const { return device.IsLost(); }
    qzVertexQueue2D& GetScreenQueue() { return screenQueue; }
    qzVertexQueue3D& GetModelQueue() { return modelQueue; }

private:
    // The states every 2D drawing starts from: clipped, and the interface's pass.
    void BeginShapes(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight);
    // Flushes the shapes and switches to the first font's texture, modulated, point-sampled.
    void BeginText();
    // One unwrapped line of the first font at the look's anchor and alignment, flushed.
    void DrawCaption(const qzString& text, const pw2_TextLook& look);
    void DrawLayout(const qzTextLayout& layout, qzColor color, int32_t x, int32_t y);

    void Quad(const pw2_QuadLook& quad);
    void Frame(const pw2_FrameLook& frame);
    void Line(const pw2_LineLook& line);
    void Triangle(const pw2_TriangleLook& triangle);
    void Face(const pw2_FaceLook& face);
    // A face with its caption: buttons, toggles and submenu tabs.
    void DrawCaptionedFace(const pw2_CaptionedLook& look, const qzString& text, int32_t clipx, int32_t clipy,
                           int32_t clipwidth, int32_t clipheight);

    pw2_Main* main;
    qzDevice device;
    qzVertexQueue2D screenQueue;
    qzVertexQueue3D modelQueue;
    // the model on the device, shared by both views
    pw2_ModelBuffers modelBuffers;
    qzLight lights[2];
    bool firstReset = true;
    bool ready = false;
    bool redrawRequested = false;
    uint64_t drawnframes = 0;
};
