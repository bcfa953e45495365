// Point records to a number each, such as their place in the geometry's list: open addressing over the
// records' addresses, sized once for the points it will hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct pw2_ModelPoint;

class pw2_PointIndex {
public:
    explicit pw2_PointIndex(uint32_t count);

    // Each point is inserted once, and at most count of them.
    void Insert(const pw2_ModelPoint* point, uint32_t index);
    // The number of a point that was inserted.
    uint32_t Find(const pw2_ModelPoint* point) const;

private:
    size_t Slot(const pw2_ModelPoint* point) const;

    std::vector<const pw2_ModelPoint*> keys;
    std::vector<uint32_t> values;
    size_t mask = 0;
};
