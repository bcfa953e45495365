#include "qzglbuffer.h"

#include "qzgldevice.h"

#include <QOpenGLFunctions_3_3_Core>

#include <cstring>
#include <utility>

qzGLBuffer::qzGLBuffer(qzGLDevice* device, unsigned target, uint32_t length, uint32_t usage, D3DPOOL pool)
    : device(device), target(target), length(length), usage(usage), pool(pool) {
    if (pool == D3DPOOL_MANAGED)
        copy.resize(length);
}

bool qzGLBuffer::Realize() {
    if (!device->MakeCurrent())
        return true; // made when the context comes back
    if (pool != D3DPOOL_MANAGED)
        std::vector<uint8_t>().swap(copy); // the scratch area of a lost device
    QOpenGLFunctions_3_3_Core* gl = device->gl;
    gl->glGenBuffers(1, &name);
    gl->glBindBuffer(target, name);
    GLenum hint = (usage & D3DUSAGE_DYNAMIC) ? GL_STREAM_DRAW : GL_STATIC_DRAW;
    gl->glBufferData(target, static_cast<GLsizeiptr>(length), copy.empty() ? nullptr : copy.data(), hint);
    if (gl->glGetError() == GL_OUT_OF_MEMORY) {
        gl->glDeleteBuffers(1, &name);
        name = 0;
        return false;
    }
    return true;
}

void qzGLBuffer::Delete() {
    if (name == 0 || !device->MakeCurrent())
        return;
    if (mapped) {
        device->gl->glBindBuffer(target, name);
        device->gl->glUnmapBuffer(target);
        mapped = false;
    }
    device->gl->glDeleteBuffers(1, &name);
    name = 0;
}

HRESULT qzGLBuffer::Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) {
    if (data == nullptr || locked)
        return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (offset == 0 && size == 0)
        size = length;
    if (offset > length || size > length - offset || size == 0)
        return D3DERR_INVALIDCALL;
    if (pool == D3DPOOL_MANAGED) {
        *data = copy.data() + offset;
    } else if (name == 0 || !device->MakeCurrent()) {
        // As in Direct3D, a lost device still takes the frame's writes: they go to a scratch area and are
        // dropped, since the frame is never shown.
        copy.resize(length);
        *data = copy.data() + offset;
    } else {
        GLbitfield access = GL_MAP_WRITE_BIT;
        if (flags & D3DLOCK_DISCARD)
            access |= GL_MAP_INVALIDATE_BUFFER_BIT;
        else if (flags & D3DLOCK_NOOVERWRITE)
            access |= GL_MAP_UNSYNCHRONIZED_BIT;
        else if (!(usage & D3DUSAGE_WRITEONLY))
            access |= GL_MAP_READ_BIT;
        device->gl->glBindBuffer(target, name);
        *data = device->gl->glMapBufferRange(target, offset, size, access);
        if (*data == nullptr)
            return D3DERR_INVALIDCALL;
        mapped = true;
    }
    locked = true;
    lockoffset = offset;
    locksize = size;
    return D3D_OK;
}

HRESULT qzGLBuffer::Unlock() {
    if (!locked)
        return D3DERR_INVALIDCALL;
    locked = false;
    bool wasmapped = std::exchange(mapped, false);
    if (pool != D3DPOOL_MANAGED && !wasmapped)
        return D3D_OK; // written to the scratch area of a lost device
    if (!device->MakeCurrent() || name == 0)
        return D3D_OK;
    QOpenGLFunctions_3_3_Core* gl = device->gl;
    gl->glBindBuffer(target, name);
    if (wasmapped) {
        gl->glUnmapBuffer(target);
    } else {
        gl->glBufferSubData(target, lockoffset, locksize, copy.data() + lockoffset);
    }
    return D3D_OK;
}

bool qzGLBuffer::Read(uint32_t offset, uint32_t size, void* destination) {
    if (locked || offset > length || size > length - offset)
        return false;
    if (pool == D3DPOOL_MANAGED) {
        std::memcpy(destination, copy.data() + offset, size);
        return true;
    }
    if (name == 0 || !device->MakeCurrent())
        return false;
    device->gl->glBindBuffer(target, name);
    device->gl->glGetBufferSubData(target, offset, size, destination);
    return true;
}
