#include "qztexture.h"

#include "qzassert.h"
#include "qzdevice.h"
#include "qzexceptions.h"
#include "qzimage.h"

#include <cstring>

uint32_t qzRoundUpToPowerOfTwo(uint32_t value) {
    uint32_t p = 1;
    while (p < value && p < 0x80000000u)
        p <<= 1;
    return p;
}

qzTexture::~qzTexture() {
    if (device != nullptr)
        Destroy();
}

void qzTexture::Create(qzDevice* _device, uint32_t _width, uint32_t _height, bool mipmaps,
                       bool rendertarget) {
    QZASSERT(device == nullptr, "device==NULL");
    QZASSERT(!_device->lost, "!_device->lost");
    uint32_t roundedw = qzRoundUpToPowerOfTwo(_width);
    uint32_t roundedh = qzRoundUpToPowerOfTwo(_height);
    uint32_t usage = (mipmaps ? D3DUSAGE_AUTOGENMIPMAP : 0) | (rendertarget ? D3DUSAGE_RENDERTARGET : 0);
    qzRenderTexture* created = nullptr;
    // a size that cannot be rounded up to a power of two is refused as the device would refuse it
    if (_width > roundedw || _height > roundedh ||
        _device->GetD3DDevice()->CreateTexture(roundedw, roundedh, mipmaps ? 0 : 1, usage, D3DFMT_A8R8G8B8,
                                               rendertarget ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED,
                                               &created) != D3D_OK ||
        created == nullptr)
        throw qzD3DException("qzTexture::Create", "IDirect3DDevice9::CreateTexture");
    device = _device;
    texture = created;
    originalw = _width;
    originalh = _height;
    width = roundedw;
    height = roundedh;
    managed = !rendertarget;
    data = nullptr;
    pitch = 0;
    device->textures.Append(this);
}

void qzTexture::CreateFromImage(qzDevice* _device, const qzImage* img, bool mipmaps) {
    QZASSERT(img->Exists(), "img->Exists()");
    Create(_device, img->GetWidth(), img->GetHeight(), mipmaps, false);
    Lock();
    Upload(img);
    Unlock();
}

void qzTexture::Destroy() {
    QZASSERT(device != nullptr, "device!=NULL");
    texture->Release();
    texture = nullptr;
    data = nullptr;
    pitch = 0;
    Unlink();
    device = nullptr;
}

void qzTexture::Lock() {
    QZASSERT(device != nullptr, "device!=NULL");
    QZASSERT(!device->lost, "!device->lost");
    QZASSERT(managed, "managed");
    QZASSERT(data == nullptr, "data==NULL");
    D3DLOCKED_RECT locked;
    HRESULT result = texture->LockRect(0, &locked, nullptr, 0);
    if (result != D3D_OK || locked.pBits == nullptr) {
        // a lock that succeeded without bits is given back before the failure is reported
        if (result == D3D_OK)
            texture->UnlockRect(0);
        throw qzD3DException("qzTexture::Lock", "IDirect3DTexture9::LockRect");
    }
    data = static_cast<uint8_t*>(locked.pBits);
    pitch = static_cast<uint32_t>(locked.Pitch);
    QZASSERT(data != nullptr, "data!=NULL");
}

void qzTexture::Unlock() {
    QZASSERT(device != nullptr, "device!=NULL");
    QZASSERT(!device->lost, "!device->lost");
    QZASSERT(managed, "managed");
    QZASSERT(data != nullptr, "data!=NULL");
    texture->UnlockRect(0);
    data = nullptr;
}

void qzTexture::Upload(const qzImage* img) {
    QZASSERT(device != nullptr, "device!=NULL");
    QZASSERT(!device->lost, "!device->lost");
    QZASSERT(data != nullptr, "data!=NULL");
    QZASSERT(originalw == img->GetWidth() && originalh == img->GetHeight(),
             "originalw==img->GetWidth() && originalh==img->GetHeight()");
    for (uint32_t y = 0; y < originalh; ++y) {
        uint8_t* row = data + static_cast<size_t>(pitch) * y;
        std::memcpy(row, img->GetRow(y), static_cast<size_t>(originalw) * 4);
        std::memset(row + static_cast<size_t>(originalw) * 4, 0, static_cast<size_t>(width - originalw) * 4);
    }
}

void qzTexture::Download(qzImage* img) const {
    QZASSERT(device != nullptr, "device!=NULL");
    QZASSERT(!device->lost, "!device->lost");
    QZASSERT(data != nullptr, "data!=NULL");
    img->Create(originalw, originalh);
    for (uint32_t y = 0; y < originalh; ++y)
        std::memcpy(img->GetRow(y), data + static_cast<size_t>(pitch) * y,
                    static_cast<size_t>(originalw) * 4);
}

void qzTexture::SetTexture(uint32_t stage) const {
    QZASSERT(device != nullptr, "device!=NULL");
    QZASSERT(!device->lost, "!device->lost");
    device->GetD3DDevice()->SetTexture(stage, texture);
}
