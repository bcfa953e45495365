#include "pw2_pointindex.h"

pw2_PointIndex::pw2_PointIndex(uint32_t count) {
    size_t capacity = 16;
    while (capacity < size_t(count) * 2)
        capacity *= 2;
    keys.assign(capacity, nullptr);
    values.resize(capacity);
    mask = capacity - 1;
}

void pw2_PointIndex::Insert(const pw2_ModelPoint* point, uint32_t index) {
    size_t slot = Slot(point);
    while (keys[slot] != nullptr)
        slot = (slot + 1) & mask;
    keys[slot] = point;
    values[slot] = index;
}

uint32_t pw2_PointIndex::Find(const pw2_ModelPoint* point) const {
    size_t slot = Slot(point);
    while (keys[slot] != point)
        slot = (slot + 1) & mask;
    return values[slot];
}

size_t pw2_PointIndex::Slot(const pw2_ModelPoint* point) const {
    uint64_t h = uint64_t(reinterpret_cast<uintptr_t>(point)) * 0x9E3779B97F4A7C15ull;
    return size_t(h >> 20) & mask;
}
