#include "qzindexbuffer.h"

#include "qzassert.h"
#include "qzbufferaccess.h"
#include "qzdevice.h"

qzIndexBuffer::~qzIndexBuffer() {
    if (device != nullptr)
        Destroy();
}

void qzIndexBuffer::Create(qzDevice* _device, uint32_t indexcount, bool _managed, bool dynamic,
                           bool writeonly) {
    QZASSERT(device == nullptr, "device==NULL");
    QZASSERT(!_device->lost, "!_device->lost");
    QZASSERT(!(_managed && dynamic), "!(_managed && dynamic)");
    const uint32_t usage = (dynamic ? D3DUSAGE_DYNAMIC : 0) | (writeonly ? D3DUSAGE_WRITEONLY : 0);
    buffer = qzCreateBuffer<qzRenderIndexBuffer>(
        static_cast<uint64_t>(indexcount) * sizeof(uint32_t),
        [&](uint32_t length, qzRenderIndexBuffer** created) {
            return _device->GetD3DDevice()->CreateIndexBuffer(
                length, usage, D3DFMT_INDEX32, _managed ? D3DPOOL_MANAGED : D3DPOOL_DEFAULT, created);
        },
        "qzIndexBuffer::Create", "IDirect3DDevice9::CreateIndexBuffer");
    device = _device;
    managed = _managed;
    data = nullptr;
    device->indexbuffers.Append(this);
}

void qzIndexBuffer::Destroy() {
    QZASSERT(device != nullptr, "device!=NULL");
    // a buffer released while locked gives its memory back with it
    buffer->Release();
    buffer = nullptr;
    data = nullptr;
    Unlink();
    device = nullptr;
}

uint32_t* qzIndexBuffer::Lock(uint32_t locktype, uint32_t pos, uint32_t len) {
    QZASSERT(device != nullptr, "device!=NULL");
    QZASSERT(!device->lost, "!device->lost");
    QZASSERT(data == nullptr, "data==NULL");
    QZASSERT(!managed || (locktype == QZLOCKTYPE_NORMAL && pos == 0 && len == 0),
             "!managed || (locktype==QZLOCKTYPE_NORMAL && pos==0 && len==0)");
    void* locked = qzLockBuffer(buffer, static_cast<uint64_t>(pos) * sizeof(uint32_t),
                                static_cast<uint64_t>(len) * sizeof(uint32_t), locktype,
                                "qzIndexBuffer::Lock", "IDirect3DIndexBuffer9::Lock");
    data = static_cast<uint32_t*>(locked);
    return data;
}

void qzIndexBuffer::Unlock() {
    QZASSERT(device != nullptr, "device!=NULL");
    QZASSERT(!device->lost, "!device->lost");
    QZASSERT(data != nullptr, "data!=NULL");
    buffer->Unlock();
    data = nullptr;
}
