#include "pw2_theme.h"

const pw2_ControlColorDefinition pw2_controlcolordefinitions[PW2_CONTROL_COLOR_COUNT] = {
    {"PW2_COLOR_CONTROL_BUTTON_NORMAL1", 0.35, 0.8},
    {"PW2_COLOR_CONTROL_BUTTON_NORMAL2", 0.35, 0.7},
    {"PW2_COLOR_CONTROL_BUTTON_PRESSED1", 0.53, 0.5},
    {"PW2_COLOR_CONTROL_BUTTON_PRESSED2", 0.53, 0.6},
    {"PW2_COLOR_CONTROL_BUTTON_NORMAL_HIGHLIGHT1", 0.35, 0.9},
    {"PW2_COLOR_CONTROL_BUTTON_NORMAL_HIGHLIGHT2", 0.35, 0.8},
    {"PW2_COLOR_CONTROL_BUTTON_PRESSED_HIGHLIGHT1", 0.53, 0.6},
    {"PW2_COLOR_CONTROL_BUTTON_PRESSED_HIGHLIGHT2", 0.53, 0.7},
};

pw2_ControlColors pw2_ComputeControlColors(double hue) {
    pw2_ControlColors family;
    for (int i = 0; i < PW2_CONTROL_COLOR_COUNT; ++i) {
        const pw2_ControlColorDefinition& definition = pw2_controlcolordefinitions[i];
        family.colors[i] = qzColorHSV(hue, definition.saturation, definition.value);
    }
    return family;
}

const pw2_ControlColors& pw2_ButtonColors() {
    static const pw2_ControlColors family = pw2_ComputeControlColors(PW2_HUE_BUTTON);
    return family;
}

const pw2_ControlColors& pw2_ToggleColors() {
    static const pw2_ControlColors family = pw2_ComputeControlColors(PW2_HUE_TOGGLE);
    return family;
}

const pw2_ControlColors& pw2_DropdownColors() {
    static const pw2_ControlColors family = pw2_ComputeControlColors(PW2_HUE_DROPDOWN);
    return family;
}

pw2_ColorPair pw2_SelectFaceColors(const pw2_ControlColors& family, bool hot, bool pressed) {
    if (hot && pressed)
        return {family[PW2_COLOR_CONTROL_BUTTON_PRESSED_HIGHLIGHT1],
                family[PW2_COLOR_CONTROL_BUTTON_PRESSED_HIGHLIGHT2]};
    if (hot)
        return {family[PW2_COLOR_CONTROL_BUTTON_NORMAL_HIGHLIGHT1],
                family[PW2_COLOR_CONTROL_BUTTON_NORMAL_HIGHLIGHT2]};
    if (pressed)
        return {family[PW2_COLOR_CONTROL_BUTTON_PRESSED1], family[PW2_COLOR_CONTROL_BUTTON_PRESSED2]};
    return {family[PW2_COLOR_CONTROL_BUTTON_NORMAL1], family[PW2_COLOR_CONTROL_BUTTON_NORMAL2]};
}

pw2_ColorPair pw2_SubmenuTitleColors(double hue) {
    return {qzColorHSV(hue, 0.65, 0.85), qzColorHSV(hue, 0.65, 0.7)};
}

pw2_ColorPair pw2_SubmenuButtonColors(double hue, bool hot, bool open) {
    // an open submenu's button looks sunken: darker at the top, lighter at the bottom
    if (open)
        return hot ? pw2_ColorPair{qzColorHSV(hue, 0.65, 0.8), qzColorHSV(hue, 0.65, 0.95)}
                   : pw2_ColorPair{qzColorHSV(hue, 0.65, 0.7), qzColorHSV(hue, 0.65, 0.85)};
    return hot ? pw2_ColorPair{qzColorHSV(hue, 0.4, 0.9), qzColorHSV(hue, 0.4, 0.75)}
               : pw2_ColorPair{qzColorHSV(hue, 0.4, 0.8), qzColorHSV(hue, 0.4, 0.65)};
}

qzString pw2_ThemeDefinitionText() {
    const pw2_ControlColors family = pw2_ComputeControlColors(PW2_HUE_BUTTON);
    qzString text;
    for (int i = 0; i < PW2_CONTROL_COLOR_COUNT; ++i) {
        double hue, saturation, value;
        family[i].GetHSV(&hue, &saturation, &value);
        text.Append("#define ");
        text.Append(pw2_controlcolordefinitions[i].name);
        text.Append(" qzColorHSV(");
        text.AppendDouble(hue);
        text.Append(", ");
        text.AppendDouble(saturation);
        text.Append(", ");
        text.AppendDouble(value);
        text.Append(")\n");
    }
    return text;
}
