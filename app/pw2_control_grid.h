// Placement of controls on the grid of 5-pixel cells: a one-pixel margin inside the cells on every edge,
// so that neighbours stand two pixels apart, unless a join flag puts that edge on the cell boundary.
#pragma once

#include <cstdint>

class pw2_Window;

constexpr int32_t PW2_GRID_CELL = 5;

struct pw2_GridPlacement {
    int32_t x, y, width, height;
    // The caption's centre, relative to the control.
    int32_t textx, texty;
    bool operator==(const pw2_GridPlacement&) const = default;
};

pw2_GridPlacement pw2_ComputeGridPlacement(int32_t column, int32_t row, int32_t columns, int32_t rows,
                                           bool joinleft = false, bool joinright = false,
                                           bool jointop = false, bool joinbottom = false);

// Computes the placement and applies it to the window's rectangle.
pw2_GridPlacement pw2_PlaceOnGrid(pw2_Window& window, int32_t column, int32_t row, int32_t columns,
                                  int32_t rows, bool joinleft = false, bool joinright = false,
                                  bool jointop = false, bool joinbottom = false);
