// How the 3D views turn and animate; owned by the main object and shared by every view.
#pragma once

#include <cstdint>

struct pw2_ViewSettings {
    // 1 turntable drags and turns, 2 the trackball on a plain sphere, others the stereographic trackball
    uint32_t rotationmode = 3;
    // the scale of the virtual sphere of a rotate drag
    double trackballsize = 1.5;
    // milliseconds of an animated turn; 0 jumps at once
    uint32_t animationtime = 400;
};
