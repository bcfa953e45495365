// What the engine's vertex and index buffers share: the creation of a Direct3D buffer of a given length
// and the lock of a byte range of it, each failing with the engine's exception.
#pragma once

#include "qzexceptions.h"
#include "qzrenderapi.h"

#include <cstdint>

// Creates a buffer of length bytes through create(length32, &buffer), which returns the device's answer. A
// length beyond 32 bits cannot be asked for; it fails as the creation would.
template <class Buffer, class Create>
Buffer* qzCreateBuffer(uint64_t length, Create create, const char* function, const char* call) {
    Buffer* created = nullptr;
    if (length > UINT32_MAX || create(static_cast<uint32_t>(length), &created) != D3D_OK ||
        created == nullptr)
        throw qzD3DException(function, call);
    return created;
}

// Locks size bytes from offset (0 and 0: the whole buffer). A range beyond 32 bits is refused as the lock
// would refuse it; a lock that succeeded without a pointer is given back before the failure is reported.
template <class Buffer>
void* qzLockBuffer(Buffer* buffer, uint64_t offset, uint64_t size, uint32_t locktype, const char* function,
                   const char* call) {
    void* locked = nullptr;
    HRESULT result = D3DERR_INVALIDCALL;
    if (offset <= UINT32_MAX && size <= UINT32_MAX)
        result = buffer->Lock(static_cast<uint32_t>(offset), static_cast<uint32_t>(size), &locked, locktype);
    if (result != D3D_OK || locked == nullptr) {
        if (result == D3D_OK)
            buffer->Unlock();
        throw qzD3DException(function, call);
    }
    return locked;
}
