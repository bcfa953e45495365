#include "pw2_control_look.h"

pw2_QuadLook pw2_SolidQuad(int32_t x1, int32_t y1, int32_t x2, int32_t y2, qzColor color) {
    return {x1, y1, x2, y2, color, color, color, color};
}

pw2_QuadLook pw2_VerticalGradientQuad(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                      pw2_ColorPair topbottom) {
    return {x1, y1, x2, y2, topbottom.first, topbottom.first, topbottom.second, topbottom.second};
}

pw2_QuadLook pw2_HorizontalGradientQuad(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                        pw2_ColorPair leftright) {
    return {x1, y1, x2, y2, leftright.first, leftright.second, leftright.second, leftright.first};
}

pw2_FaceLook pw2_ComputeFace(int32_t x, int32_t y, int32_t w, int32_t h, pw2_ColorPair topbottom) {
    return {pw2_VerticalGradientQuad(x + 1, y + 1, x + w - 1, y + h - 1, topbottom),
            {x, y, x + w - 1, y + h - 1, PW2_COLOR_CONTROL_FRAME}};
}
