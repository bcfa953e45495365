#include "qzglvertexbuffer.h"

#include "qzgldevice.h"

#include <QOpenGLFunctions_3_3_Core>

#include <cstring>
#include <utility>

qzGLVertexBuffer::qzGLVertexBuffer(qzGLDevice* device, uint32_t length, uint32_t usage, D3DPOOL pool)
    : device(device), length(length), usage(usage), pool(pool) {
    if (pool == D3DPOOL_MANAGED)
        copy.resize(length);
    device->Adopt(this);
}

qzGLVertexBuffer::~qzGLVertexBuffer() {
    if (mapped && device->MakeCurrent()) {
        device->gl->glBindBuffer(GL_ARRAY_BUFFER, name);
        device->gl->glUnmapBuffer(GL_ARRAY_BUFFER);
    }
    device->Forget(this);
}

uint32_t qzGLVertexBuffer::Release() {
    uint32_t left = --references;
    if (left == 0)
        delete this;
    return left;
}

bool qzGLVertexBuffer::Realize() {
    if (!device->MakeCurrent())
        return true; // made when the context comes back
    if (pool != D3DPOOL_MANAGED)
        std::vector<uint8_t>().swap(copy); // the scratch area of a lost device
    QOpenGLFunctions_3_3_Core* gl = device->gl;
    gl->glGenBuffers(1, &name);
    gl->glBindBuffer(GL_ARRAY_BUFFER, name);
    GLenum hint = (usage & D3DUSAGE_DYNAMIC) ? GL_STREAM_DRAW : GL_STATIC_DRAW;
    gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(length), copy.empty() ? nullptr : copy.data(),
                     hint);
    if (gl->glGetError() == GL_OUT_OF_MEMORY) {
        gl->glDeleteBuffers(1, &name);
        name = 0;
        return false;
    }
    return true;
}

HRESULT qzGLVertexBuffer::Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) {
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
        // As in Direct3D, a lost device still takes the frame's vertices: they go to a scratch area and
        // are dropped, since the frame is never shown.
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
        device->gl->glBindBuffer(GL_ARRAY_BUFFER, name);
        *data = device->gl->glMapBufferRange(GL_ARRAY_BUFFER, offset, size, access);
        if (*data == nullptr)
            return D3DERR_INVALIDCALL;
        mapped = true;
    }
    locked = true;
    lockoffset = offset;
    locksize = size;
    return D3D_OK;
}

HRESULT qzGLVertexBuffer::Unlock() {
    if (!locked)
        return D3DERR_INVALIDCALL;
    locked = false;
    bool wasmapped = std::exchange(mapped, false);
    if (pool != D3DPOOL_MANAGED && !wasmapped)
        return D3D_OK; // written to the scratch area of a lost device
    if (!device->MakeCurrent() || name == 0)
        return D3D_OK;
    QOpenGLFunctions_3_3_Core* gl = device->gl;
    gl->glBindBuffer(GL_ARRAY_BUFFER, name);
    if (wasmapped) {
        gl->glUnmapBuffer(GL_ARRAY_BUFFER);
    } else {
        gl->glBufferSubData(GL_ARRAY_BUFFER, lockoffset, locksize, copy.data() + lockoffset);
    }
    return D3D_OK;
}
