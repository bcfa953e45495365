#include "qzglvertexbuffer.h"

#include "qzgldevice.h"

#include <QOpenGLFunctions_3_3_Core>

qzGLVertexBuffer::qzGLVertexBuffer(qzGLDevice* device, uint32_t length, uint32_t usage, D3DPOOL pool)
    : qzGLBuffer(device, GL_ARRAY_BUFFER, length, usage, pool) {
    device->Adopt(this);
}

qzGLVertexBuffer::~qzGLVertexBuffer() {
    device->Forget(this);
}

uint32_t qzGLVertexBuffer::Release() {
    uint32_t left = --references;
    if (left == 0)
        delete this;
    return left;
}
