// What a control's drawing emits, as plain values: the graphics controller turns each into its quads,
// frames, lines and text, and tests read them without a device.
#pragma once

#include "pw2_theme.h"
#include "qzcolor.h"

#include <cstdint>

// A quad covering pixels x1 .. x2-1 and y1 .. y2-1, with the colours of its corners.
struct pw2_QuadLook {
    int32_t x1, y1, x2, y2;
    qzColor topleft, topright, bottomright, bottomleft;
    bool operator==(const pw2_QuadLook&) const = default;
};

// A one-pixel frame through the last pixels inside: x2 and y2 are on the frame.
struct pw2_FrameLook {
    int32_t x1, y1, x2, y2;
    qzColor color;
    bool operator==(const pw2_FrameLook&) const = default;
};

// A line from (x1, y1) to (x2, y2).
struct pw2_LineLook {
    int32_t x1, y1, x2, y2;
    qzColor color;
    bool operator==(const pw2_LineLook&) const = default;
};

// A filled triangle at exact coordinates (no half-pixel shift).
struct pw2_TriangleLook {
    float x[3], y[3];
    qzColor color;
    bool operator==(const pw2_TriangleLook&) const = default;
};

// Where and how a text goes: the anchor, the text layout's alignments and the colour.
struct pw2_TextLook {
    int32_t x, y;
    uint32_t halign, valign;
    qzColor color;
    bool operator==(const pw2_TextLook&) const = default;
};

pw2_QuadLook pw2_SolidQuad(int32_t x1, int32_t y1, int32_t x2, int32_t y2, qzColor color);
pw2_QuadLook pw2_VerticalGradientQuad(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                      pw2_ColorPair topbottom);
pw2_QuadLook pw2_HorizontalGradientQuad(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                        pw2_ColorPair leftright);

// The face of a button, toggle, dropdown or submenu button at absolute (x, y) of size (w, h): a gradient
// inside a one-pixel dark frame.
struct pw2_FaceLook {
    pw2_QuadLook quad;
    pw2_FrameLook frame;
    bool operator==(const pw2_FaceLook&) const = default;
};
pw2_FaceLook pw2_ComputeFace(int32_t x, int32_t y, int32_t w, int32_t h, pw2_ColorPair topbottom);

// The look of a captioned control: its face and its caption's placement.
struct pw2_CaptionedLook {
    pw2_FaceLook face;
    pw2_TextLook text;
};
