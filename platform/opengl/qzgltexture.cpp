#include "qzgltexture.h"

#include "qzgldevice.h"

#include <QOpenGLFunctions_3_3_Core>

uint32_t qzGLSurface::AddRef() {
    return texture != nullptr ? texture->AddRef() : ++references;
}

uint32_t qzGLSurface::Release() {
    return texture != nullptr ? texture->Release() : --references;
}

qzGLTexture::qzGLTexture(qzGLDevice* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                         D3DPOOL pool)
    : device(device), width(width), height(height), levels(levels), usage(usage), pool(pool) {
    if (pool != D3DPOOL_DEFAULT)
        memory.assign(static_cast<size_t>(width) * height * 4, 0);
    surface.texture = this;
    device->Adopt(this);
}

qzGLTexture::~qzGLTexture() {
    device->Forget(this);
}

uint32_t qzGLTexture::Release() {
    uint32_t left = --references;
    if (left == 0)
        delete this;
    return left;
}

bool qzGLTexture::Realize() {
    if (pool == D3DPOOL_SYSTEMMEM || !device->MakeCurrent())
        return true; // plain memory, or made when the context comes back
    QOpenGLFunctions_3_3_Core* gl = device->gl;
    GLsizei w = static_cast<GLsizei>(width), h = static_cast<GLsizei>(height);
    gl->glGenTextures(1, &name);
    gl->glBindTexture(GL_TEXTURE_2D, name);
    int top = 0;
    while ((width >> (top + 1)) != 0 || (height >> (top + 1)) != 0)
        ++top;
    if (levels != 0 && static_cast<int>(levels) - 1 < top)
        top = static_cast<int>(levels) - 1;
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, top);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                     memory.empty() ? nullptr : memory.data());
    if (gl->glGetError() == GL_OUT_OF_MEMORY) {
        gl->glDeleteTextures(1, &name);
        name = 0;
        return false;
    }
    if (top > 0)
        gl->glGenerateMipmap(GL_TEXTURE_2D);
    if (usage & D3DUSAGE_RENDERTARGET) {
        gl->glGenFramebuffers(1, &framebuffer);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name, 0);
        if (device->HasDepth()) {
            gl->glGenRenderbuffers(1, &depth);
            gl->glBindRenderbuffer(GL_RENDERBUFFER, depth);
            gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, w, h);
            gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        }
        bool complete = gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        // A new render target starts transparent black, as Direct3D's usually does.
        if (complete) {
            gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
            gl->glDisable(GL_SCISSOR_TEST);
            gl->glClearColor(0, 0, 0, 0);
            gl->glClear(GL_COLOR_BUFFER_BIT);
            gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        }
        device->BindTarget();
        if (!complete)
            return false;
    }
    return true;
}

void qzGLTexture::UpdateMipmaps() {
    if (!mipmapsstale)
        return;
    mipmapsstale = false;
    if (levels == 1 || !device->MakeCurrent())
        return;
    device->gl->glBindTexture(GL_TEXTURE_2D, name);
    device->gl->glGenerateMipmap(GL_TEXTURE_2D);
}

HRESULT qzGLTexture::LockRect(uint32_t level, D3DLOCKED_RECT* locked, const qzRect* rect, uint32_t) {
    if (locked == nullptr || level != 0 || pool == D3DPOOL_DEFAULT || this->locked)
        return D3DERR_INVALIDCALL;
    size_t offset = 0;
    if (rect != nullptr) {
        if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<int32_t>(width) ||
            rect->bottom > static_cast<int32_t>(height) || rect->left >= rect->right ||
            rect->top >= rect->bottom)
            return D3DERR_INVALIDCALL;
        offset = (static_cast<size_t>(rect->top) * width + static_cast<size_t>(rect->left)) * 4;
    }
    locked->Pitch = static_cast<int32_t>(width * 4);
    locked->pBits = memory.data() + offset;
    this->locked = true;
    return D3D_OK;
}

HRESULT qzGLTexture::UnlockRect(uint32_t level) {
    if (level != 0 || !locked)
        return D3DERR_INVALIDCALL;
    locked = false;
    if (pool != D3DPOOL_MANAGED || name == 0 || !device->MakeCurrent())
        return D3D_OK;
    QOpenGLFunctions_3_3_Core* gl = device->gl;
    gl->glBindTexture(GL_TEXTURE_2D, name);
    gl->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height),
                        GL_BGRA, GL_UNSIGNED_BYTE, memory.data());
    if (levels != 1)
        gl->glGenerateMipmap(GL_TEXTURE_2D);
    return D3D_OK;
}

HRESULT qzGLTexture::GetSurfaceLevel(uint32_t level, qzRenderSurface** out) {
    if (out == nullptr || level != 0)
        return D3DERR_INVALIDCALL;
    AddRef();
    *out = &surface;
    return D3D_OK;
}
