// What vertex and index buffers share: a GL buffer object that dynamic buffers map straight into the
// driver's memory, a copy of the bytes of a managed buffer from which it is built again after the context is
// lost, and a scratch area that takes the writes of a lost device. The device keeps every live buffer in one
// list.
#pragma once

#include "qzrenderapi.h"

#include <vector>

class qzGLDevice;

class qzGLBuffer {
public:
    // Target is the GL binding the buffer is filled and drawn through.
    qzGLBuffer(qzGLDevice* device, unsigned target, uint32_t length, uint32_t usage, D3DPOOL pool);
    qzGLBuffer(const qzGLBuffer&) = delete;
    qzGLBuffer& operator=(const qzGLBuffer&) = delete;

    // Direct3D's Lock and Unlock.
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags);
    HRESULT Unlock();
    // Copies bytes out of the copy or the GL object; false while locked or when the context is lost.
    bool Read(uint32_t offset, uint32_t size, void* destination);

    // Makes the GL object (again, from the copy of a managed buffer); false when the driver refuses.
    bool Realize();
    // The GL object is gone with its context.
    void Abandon() { name = 0; }
    // Gives the GL object back, unmapped first if a lock left it mapped.
    void Delete();

    qzGLDevice* device;
    unsigned target;
    uint32_t length;
    uint32_t usage;
    D3DPOOL pool;
    unsigned name = 0;
    bool locked = false;
    qzGLBuffer* next = nullptr;

protected:
    ~qzGLBuffer() = default;

private:
    std::vector<uint8_t> copy; // the bytes of a managed buffer; a scratch area of a lost default one
    bool mapped = false;
    uint32_t lockoffset = 0, locksize = 0;
};
