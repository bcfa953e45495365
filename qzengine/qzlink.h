// A 32-bit link between records of one qzBatchAllocator: the record's place in the allocator's address range,
// in units of 4 bytes, with 0 for none. The range is aligned to its own size, so a link finds the range's
// start from its own address, and a copy of a whole range stays valid in the copy without changing a link. A
// link therefore lives only inside the range of the records it joins, and is not copied out of it: reading
// one gives the record's pointer.
#pragma once

#include "qzassert.h"
#include "qzbatchallocator.h"

#include <cstddef>
#include <cstdint>

template <class T> class qzLink {
public:
    qzLink() = default;
    qzLink(const qzLink&) = delete;
    qzLink& operator=(const qzLink&) = delete;

    qzLink& operator=(T* record) {
        const uintptr_t self = reinterpret_cast<uintptr_t>(this);
        const uintptr_t target = reinterpret_cast<uintptr_t>(record);
        if (record == nullptr) {
            offset = 0;
            return *this;
        }
        QZASSERT(((self ^ target) >> qzBatchAllocator::RANGEBITS) == 0, "a link within one range");
        offset = static_cast<uint32_t>((target & RANGEMASK) >> UNITBITS);
        return *this;
    }
    qzLink& operator=(std::nullptr_t) {
        offset = 0;
        return *this;
    }

    operator T*() const {
        const uintptr_t start = reinterpret_cast<uintptr_t>(this) & ~RANGEMASK;
        return offset == 0 ? nullptr : reinterpret_cast<T*>(start + (uintptr_t(offset) << UNITBITS));
    }
    T* operator->() const { return *this; }

private:
    static constexpr uintptr_t RANGEMASK = (uintptr_t(1) << qzBatchAllocator::RANGEBITS) - 1;
    static constexpr int UNITBITS = qzBatchAllocator::RANGEBITS - 32;

    uint32_t offset = 0;
};
