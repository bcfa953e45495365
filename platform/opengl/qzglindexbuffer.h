// An index buffer of 16- or 32-bit indices: Direct3D's interface over the buffer logic that it shares with
// the vertex buffers. It answers the smallest and largest index of a range, so that a draw is checked
// against the vertices it may fetch before GL fetches any; the answers hold until the next lock.
#pragma once

#include "qzglbuffer.h"
#include "qzrenderapi.h"

#include <map>
#include <utility>

class qzGLDevice;

class qzGLIndexBuffer final : public qzRenderIndexBuffer, public qzGLBuffer {
public:
    qzGLIndexBuffer(qzGLDevice* device, uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool);

    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override;
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override;
    HRESULT Unlock() override { return qzGLBuffer::Unlock(); }

    uint32_t IndexSize() const { return format == D3DFMT_INDEX16 ? 2 : 4; }
    // The smallest and largest of count indices from first; false when they cannot be read.
    bool IndexRange(uint32_t first, uint32_t count, uint32_t& lowest, uint32_t& highest);

    D3DFORMAT format;

private:
    ~qzGLIndexBuffer() override;

    uint32_t references = 1;
    // First and count to lowest and highest, for the ranges drawn since the last lock.
    std::map<std::pair<uint32_t, uint32_t>, std::pair<uint32_t, uint32_t>> ranges;
};
