// The interface's colours: control faces from one hue per family and eight saturation/value pairs shared by
// every family, submenu colours from the submenu's hue, and the fixed greys.
#pragma once

#include "qzcolor.h"
#include "qzstring.h"

constexpr double PW2_HUE_BUTTON = 3.6;
constexpr double PW2_HUE_TOGGLE = 2.4;
constexpr double PW2_HUE_DROPDOWN = 4.3;

// The eight states of a control family, named after the button family; "1" is the top of the face's
// gradient and "2" its bottom.
enum pw2_ControlColorIndex : int {
    PW2_COLOR_CONTROL_BUTTON_NORMAL1,
    PW2_COLOR_CONTROL_BUTTON_NORMAL2,
    PW2_COLOR_CONTROL_BUTTON_PRESSED1,
    PW2_COLOR_CONTROL_BUTTON_PRESSED2,
    PW2_COLOR_CONTROL_BUTTON_NORMAL_HIGHLIGHT1,
    PW2_COLOR_CONTROL_BUTTON_NORMAL_HIGHLIGHT2,
    PW2_COLOR_CONTROL_BUTTON_PRESSED_HIGHLIGHT1,
    PW2_COLOR_CONTROL_BUTTON_PRESSED_HIGHLIGHT2,
    PW2_CONTROL_COLOR_COUNT
};

struct pw2_ControlColorDefinition {
    const char* name;
    double saturation;
    double value;
};
extern const pw2_ControlColorDefinition pw2_controlcolordefinitions[PW2_CONTROL_COLOR_COUNT];

struct pw2_ControlColors {
    qzColor colors[PW2_CONTROL_COLOR_COUNT];
    const qzColor& operator[](int index) const { return colors[index]; }
};

// Two ends of a gradient: top and bottom of a face, or left and right of a title bar.
struct pw2_ColorPair {
    qzColor first;
    qzColor second;
    bool operator==(const pw2_ColorPair&) const = default;
};

pw2_ControlColors pw2_ComputeControlColors(double hue);
// Computed on the first call and kept for the life of the program.
const pw2_ControlColors& pw2_ButtonColors();
const pw2_ControlColors& pw2_ToggleColors();
const pw2_ControlColors& pw2_DropdownColors();

// Hot is the mouse over the control; pressed the button's press, the toggle's state or an open popup.
pw2_ColorPair pw2_SelectFaceColors(const pw2_ControlColors& family, bool hot, bool pressed);
pw2_ColorPair pw2_SubmenuTitleColors(double hue);
pw2_ColorPair pw2_SubmenuButtonColors(double hue, bool hot, bool open);

// The fixed greys.
inline const qzColor PW2_COLOR_BACKGROUND{180, 180, 180};
inline const qzColor PW2_COLOR_CONTROL_FRAME{60, 60, 60};
inline const qzColor PW2_COLOR_SUBMENU_FRAME{80, 80, 80};
inline const qzColor PW2_COLOR_SUBMENU_BODY{150, 150, 150};
inline const qzColor PW2_COLOR_POPUP_BODY{140, 140, 140};
inline const qzColor PW2_COLOR_POPUP_HIGHLIGHT{100, 100, 100};
inline const qzColor PW2_COLOR_TEXT{0, 0, 0};
inline const qzColor PW2_COLOR_TOOLTIP_BODY{255, 255, 220};
inline const qzColor PW2_COLOR_TOOLTIP_FRAME{30, 30, 30};
inline const qzColor PW2_COLOR_PROGRESS{70, 120, 200};
inline const qzColor PW2_COLOR_SELECTION_RECTANGLE{30, 30, 30};

// The button family's eight colours as definitions of HSV constants, one line each, with the numbers read
// back from the RGB colours: a help for whoever writes colour constants, written to the log at start-up.
qzString pw2_ThemeDefinitionText();
