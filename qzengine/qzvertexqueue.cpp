#include "qzvertexqueue.h"

#include "qzassert.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsList(int32_t type) {
    return type == D3DPT_POINTLIST || type == D3DPT_LINELIST || type == D3DPT_TRIANGLELIST;
}

} // namespace

void qzVertexQueueBase::CreateBuffer(qzDevice* device, uint32_t vertexcapacity) {
    QZASSERT(vbi.device == nullptr, "vbi.device==NULL");
    capacity = vertexcapacity;
    type = -1;
    start = 0;
    count = 0;
    vbi.Create(device, vertexcapacity, format, stride, false, true, true);
}

void qzVertexQueueBase::Flush() {
    QZASSERT(vbi.device != nullptr, "vbi.device!=NULL");
    if (count > 0) {
        if (vbi.IsLocked())
            vbi.Unlock();
        vbi.Draw(static_cast<uint32_t>(type), start, count, format, stride);
        start += count;
        count = 0;
    }
    type = -1;
}

void qzVertexQueueBase::Reset() {
    QZASSERT(vbi.device != nullptr, "vbi.device!=NULL");
    count = 0;
    type = -1;
    if (vbi.IsLocked())
        vbi.Unlock();
}

void qzVertexQueueBase::ReleaseEmptyLock() {
    // an array chunk that found too little room leaves the buffer locked with nothing written
    if (vbi.IsLocked())
        vbi.Unlock();
}

void qzVertexQueueBase::OpenBatch(uint32_t newtype) {
    Flush();
    ReleaseEmptyLock();
    if (capacity - start < capacity / 64) {
        start = 0;
        vbi._Lock(QZLOCKTYPE_DISCARD, 0, 0);
    } else {
        vbi._Lock(QZLOCKTYPE_NOOVERWRITE, 0, 0);
    }
    type = static_cast<int32_t>(newtype);
}

void qzVertexQueueBase::DiscardBuffer(uint32_t keeptype) {
    Flush();
    ReleaseEmptyLock();
    start = 0;
    vbi._Lock(QZLOCKTYPE_DISCARD, 0, 0);
    type = static_cast<int32_t>(keeptype);
}

void* qzVertexQueueBase::EnqueueVertices(uint32_t newtype, uint32_t n) {
    QZASSERT(vbi.device != nullptr, "vbi.device!=NULL");
    if (n == 0)
        return nullptr;
    if (n > capacity)
        throw bad_vertex_enqueue();
    if (static_cast<uint64_t>(start) + count + n > capacity)
        DiscardBuffer(newtype);
    else if (!(static_cast<int32_t>(newtype) == type && IsList(type)))
        OpenBatch(newtype);
    type = static_cast<int32_t>(newtype);
    count += n;
    return vbi.data + static_cast<size_t>(start + count - n) * stride;
}

void qzVertexQueueBase::EnqueueVertexArray(uint32_t newtype, const void* vertices, uint32_t n) {
    QZASSERT(vbi.device != nullptr, "vbi.device!=NULL");
    QZASSERT(capacity >= 100, "false");
    if (n == 0)
        return;
    if (!(static_cast<int32_t>(newtype) == type && IsList(type)))
        OpenBatch(newtype);
    if (capacity - start - count < capacity / 64)
        DiscardBuffer(newtype);

    const uint8_t* source = static_cast<const uint8_t*>(vertices);
    auto copy = [&](int64_t first, int64_t k) {
        std::memcpy(vbi.data + static_cast<size_t>(start + count) * stride,
                    source + static_cast<size_t>(first) * stride, static_cast<size_t>(k) * stride);
        count += static_cast<uint32_t>(k);
    };
    const int64_t total = n;
    int64_t i = 0;
    bool firstchunk = true;
    for (;;) {
        const int64_t free = capacity - start - count;
        const int64_t left = total - i;
        bool finished = false;
        // A chunk too small for one primitive is not begun while more vertices follow: the buffer is
        // refilled first, so that no chunk stalls or repeats a vertex in a triangle of its own.
        int64_t k = 0;
        switch (newtype) {
        case D3DPT_POINTLIST:
            k = std::min(left, free);
            copy(i, k);
            i += k;
            finished = i >= total;
            break;
        case D3DPT_LINELIST:
            k = std::min(left, free & ~int64_t(1));
            copy(i, k);
            i += k;
            finished = i >= total;
            break;
        case D3DPT_TRIANGLELIST:
            k = std::min(left, free - free % 3);
            copy(i, k);
            i += k;
            finished = i >= total;
            break;
        case D3DPT_LINESTRIP:
            k = std::min(left, free);
            if (k < 2 && k < left)
                break;
            copy(i, k);
            i += k - 1;
            finished = i >= total - 1;
            break;
        case D3DPT_TRIANGLESTRIP:
            k = std::min(left, free & ~int64_t(1));
            if (k < 3 && k < left)
                break;
            copy(i, k);
            i += k - 2;
            finished = i >= total - 2;
            break;
        case D3DPT_TRIANGLEFAN:
            if (firstchunk) {
                k = std::min(left, free);
                if (k < 3 && k < left)
                    break;
                copy(0, k);
                i = k - 1;
                firstchunk = false;
            } else {
                // the centre, then the last vertex of the previous chunk and every vertex after it
                k = std::min(left + 1, free);
                if (k < 3 && k < left + 1)
                    break;
                copy(0, 1);
                copy(i, k - 1);
                i += k - 2;
            }
            finished = i >= total - 1;
            break;
        default:
            QZASSERT(false, "false");
        }
        if (finished)
            return;
        DiscardBuffer(newtype);
    }
}
