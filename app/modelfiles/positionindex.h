// The points of a mesh by their exact position: an open-addressing hash table over the position bits, sized
// once, that gives each position the index of its first point. The weld joins a mesh's points through it,
// and the binary STL reader joins its corners as it reads them.
#pragma once

#include "qzvector.h"

#include <bit>
#include <cstdint>
#include <utility>
#include <vector>

class pw2_PositionIndex {
public:
    // Room for up to capacity distinct positions; the table is at most four fifths full then, and files that
    // share their corners fill far less of it.
    explicit pw2_PositionIndex(size_t capacity)
        : table(std::bit_ceil(capacity + capacity / 4 + 2), EMPTY),
          shift(64 - std::countr_zero(table.size())) {
        positions.reserve(capacity);
    }

    // -0.0 + 0.0 is +0.0, so both zeros hash alike. The top bits are the well-mixed ones (doubles widened
    // from floats have 29 zero low bits), so the slot is taken from them.
    static uint64_t Hash(const qzVector3& p) {
        uint64_t h = std::bit_cast<uint64_t>(p.x + 0.0) * 0x9E3779B97F4A7C15ull;
        h = (std::rotl(h, 32) ^ std::bit_cast<uint64_t>(p.y + 0.0)) * 0xBF58476D1CE4E5B9ull;
        return (std::rotl(h, 32) ^ std::bit_cast<uint64_t>(p.z + 0.0)) * 0x94D049BB133111EBull;
    }
    void Prefetch(uint64_t hash) const { __builtin_prefetch(&table[hash >> shift]); }

    // The index of the first point at p's position, with hash = Hash(p); p becomes that point when it is the
    // first. Equal positions compare equal with ==, and no position is NaN.
    uint32_t Join(const qzVector3& p, uint64_t hash) {
        size_t mask = table.size() - 1;
        for (size_t slot = hash >> shift;; slot = (slot + 1) & mask) {
            uint32_t index = table[slot];
            if (index == EMPTY) {
                index = uint32_t(positions.size());
                table[slot] = index;
                positions.push_back(p);
                return index;
            }
            const qzVector3& q = positions[index];
            if (q.x == p.x && q.y == p.y && q.z == p.z)
                return index;
        }
    }

    // The distinct positions in the order of their first points; the index is spent.
    std::vector<qzVector3> TakePositions() { return std::move(positions); }

private:
    static constexpr uint32_t EMPTY = UINT32_MAX;

    std::vector<uint32_t> table;
    int shift;
    std::vector<qzVector3> positions;
};

// Joins the count points that position(i) gives, in order, and calls joined(i, index) with the index of each.
// The table slot of a point some places ahead is fetched, so that the cache misses of the probes overlap.
template <typename Position, typename Joined>
void pw2_JoinPositions(pw2_PositionIndex& index, size_t count, Position&& position, Joined&& joined) {
    constexpr size_t AHEAD = 32;
    qzVector3 points[AHEAD];
    uint64_t hashes[AHEAD];
    for (size_t i = 0; i < count && i < AHEAD; ++i) {
        points[i] = position(i);
        hashes[i] = pw2_PositionIndex::Hash(points[i]);
    }
    for (size_t i = 0; i < count; ++i) {
        const qzVector3 point = points[i % AHEAD];
        const uint64_t hash = hashes[i % AHEAD];
        if (i + AHEAD < count) {
            points[i % AHEAD] = position(i + AHEAD);
            hashes[i % AHEAD] = pw2_PositionIndex::Hash(points[i % AHEAD]);
            index.Prefetch(hashes[i % AHEAD]);
        }
        joined(i, index.Join(point, hash));
    }
}
