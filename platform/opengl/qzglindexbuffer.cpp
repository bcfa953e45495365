#include "qzglindexbuffer.h"

#include "qzgldevice.h"

#include <QOpenGLFunctions_3_3_Core>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Ranges of many draws are kept; a caller that draws more distinct ones only pays a scan more often.
constexpr size_t KEPTRANGES = 256;
// Indices are read back this many at a time.
constexpr uint32_t CHUNK = 16384;

} // namespace

qzGLIndexBuffer::qzGLIndexBuffer(qzGLDevice* device, uint32_t length, uint32_t usage, D3DFORMAT format,
                                 D3DPOOL pool)
    : qzGLBuffer(device, GL_ELEMENT_ARRAY_BUFFER, length, usage, pool), format(format) {
    device->Adopt(this);
}

qzGLIndexBuffer::~qzGLIndexBuffer() {
    device->Forget(this);
}

uint32_t qzGLIndexBuffer::Release() {
    uint32_t left = --references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT qzGLIndexBuffer::Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) {
    HRESULT result = qzGLBuffer::Lock(offset, size, data, flags);
    if (result == D3D_OK)
        ranges.clear();
    return result;
}

bool qzGLIndexBuffer::IndexRange(uint32_t first, uint32_t count, uint32_t& lowest, uint32_t& highest) {
    auto kept = ranges.find({first, count});
    if (kept != ranges.end()) {
        lowest = kept->second.first;
        highest = kept->second.second;
        return true;
    }
    const uint32_t size = IndexSize();
    if (count == 0 || first > length / size || count > length / size - first)
        return false;
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min(count, CHUNK)) * size);
    uint32_t low = UINT32_MAX, high = 0;
    for (uint32_t done = 0; done < count;) {
        uint32_t n = std::min(count - done, CHUNK);
        if (!Read((first + done) * size, n * size, chunk.data()))
            return false;
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t index;
            if (size == 2) {
                uint16_t shortindex;
                std::memcpy(&shortindex, chunk.data() + i * 2, 2);
                index = shortindex;
            } else {
                std::memcpy(&index, chunk.data() + i * 4, 4);
            }
            low = std::min(low, index);
            high = std::max(high, index);
        }
        done += n;
    }
    if (ranges.size() >= KEPTRANGES)
        ranges.clear();
    ranges[{first, count}] = {low, high};
    lowest = low;
    highest = high;
    return true;
}
