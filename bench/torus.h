// The torus of the large-model benchmarks (R = 3, r = 1), rings x segments points: each point of the grid
// and the quad of each cell, its corners in the order the files hold them.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

struct TorusGrid {
    uint32_t rings, segments;

    // The point of ring i and segment j.
    std::array<double, 3> Point(uint32_t i, uint32_t j) const {
        const double u = 2 * std::numbers::pi * i / rings, v = 2 * std::numbers::pi * j / segments;
        return {(3 + std::cos(v)) * std::cos(u), (3 + std::cos(v)) * std::sin(u), std::sin(v)};
    }
    // The point indices a, c, d, b of cell (i, j); split into triangles it is a c d and a d b.
    std::array<uint32_t, 4> Quad(uint32_t i, uint32_t j) const {
        const uint32_t next = (i + 1) % rings;
        return {i * segments + j, next * segments + j, next * segments + (j + 1) % segments,
                i * segments + (j + 1) % segments};
    }
};
