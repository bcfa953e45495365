#include "pw2_control_grid.h"

#include "pw2_window.h"

pw2_GridPlacement pw2_ComputeGridPlacement(int32_t column, int32_t row, int32_t columns, int32_t rows,
                                           bool joinleft, bool joinright, bool jointop, bool joinbottom) {
    pw2_GridPlacement p;
    p.x = column * PW2_GRID_CELL + 1;
    p.y = row * PW2_GRID_CELL + 1;
    p.width = columns * PW2_GRID_CELL - 2;
    p.height = rows * PW2_GRID_CELL - 2;
    // the caption centre is taken from the unjoined size; a joined left or top edge moves it with the edge
    p.textx = p.width / 2;
    p.texty = p.height / 2;
    if (joinleft) {
        p.x = column * PW2_GRID_CELL;
        p.width = columns * PW2_GRID_CELL - 1;
        p.textx += 1;
    }
    if (joinright)
        p.width += 1;
    if (jointop) {
        p.y = row * PW2_GRID_CELL;
        p.height = rows * PW2_GRID_CELL - 1;
        p.texty += 1;
    }
    if (joinbottom)
        p.height += 1;
    return p;
}

pw2_GridPlacement pw2_PlaceOnGrid(pw2_Window& window, int32_t column, int32_t row, int32_t columns,
                                  int32_t rows, bool joinleft, bool joinright, bool jointop,
                                  bool joinbottom) {
    pw2_GridPlacement p =
        pw2_ComputeGridPlacement(column, row, columns, rows, joinleft, joinright, jointop, joinbottom);
    window.SetRect(p.x, p.y, p.width, p.height);
    return p;
}
