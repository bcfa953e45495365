#include "qzindexbuffer.h"

#include "qzassert.h"
#include "qzdevice.h"
#include "qzexceptions.h"

qzIndexBuffer::~qzIndexBuffer() {
    if (device != nullptr)
        Destroy();
}

void qzIndexBuffer::Create(qzDevice* _device, uint32_t indexcount, bool _managed, bool dynamic,
                           bool writeonly) {
    QZASSERT(device == nullptr, "device==NULL");
    QZASSERT(!_device->lost, "!_device->lost");
    QZASSERT(!(_managed && dynamic), "!(_managed && dynamic)");
    uint64_t length = static_cast<uint64_t>(indexcount) * sizeof(uint32_t);
    uint32_t usage = (dynamic ? D3DUSAGE_DYNAMIC : 0) | (writeonly ? D3DUSAGE_WRITEONLY : 0);
    qzRenderIndexBuffer* created = nullptr;
    // a length beyond 32 bits cannot be asked for; it fails as the creation would
    if (length > UINT32_MAX ||
        _device->GetD3DDevice()->CreateIndexBuffer(static_cast<uint32_t>(length), usage, D3DFMT_INDEX32,
                                                   _managed ? D3DPOOL_MANAGED : D3DPOOL_DEFAULT,
                                                   &created) != D3D_OK ||
        created == nullptr)
        throw qzD3DException("qzIndexBuffer::Create", "IDirect3DDevice9::CreateIndexBuffer");
    device = _device;
    buffer = created;
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
    // a range beyond 32 bits of bytes is refused as the lock would refuse it
    uint64_t offset = static_cast<uint64_t>(pos) * sizeof(uint32_t);
    uint64_t size = static_cast<uint64_t>(len) * sizeof(uint32_t);
    void* locked = nullptr;
    HRESULT result = D3DERR_INVALIDCALL;
    if (offset <= UINT32_MAX && size <= UINT32_MAX)
        result = buffer->Lock(static_cast<uint32_t>(offset), static_cast<uint32_t>(size), &locked, locktype);
    if (result != D3D_OK || locked == nullptr) {
        // a lock that succeeded without a pointer is given back before the failure is reported
        if (result == D3D_OK)
            buffer->Unlock();
        throw qzD3DException("qzIndexBuffer::Lock", "IDirect3DIndexBuffer9::Lock");
    }
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
