#include "qzvertexbufferinternal.h"

#include "qzassert.h"
#include "qzbufferaccess.h"
#include "qzdevice.h"
#include "qzindexbuffer.h"

qzVertexBufferInternal::~qzVertexBufferInternal() {
    if (device != nullptr)
        Destroy();
}

void qzVertexBufferInternal::Create(qzDevice* _device, uint32_t vertexcount, uint32_t _format,
                                    uint32_t _stride, bool _managed, bool dynamic, bool writeonly) {
    QZASSERT(device == nullptr, "device==NULL");
    QZASSERT(!_device->lost, "!_device->lost");
    QZASSERT(!(_managed && dynamic), "!(_managed && dynamic)");
    const uint32_t usage = (dynamic ? D3DUSAGE_DYNAMIC : 0) | (writeonly ? D3DUSAGE_WRITEONLY : 0);
    buffer = qzCreateBuffer<qzRenderVertexBuffer>(
        static_cast<uint64_t>(vertexcount) * _stride,
        [&](uint32_t length, qzRenderVertexBuffer** created) {
            return _device->GetD3DDevice()->CreateVertexBuffer(
                length, usage, _format, _managed ? D3DPOOL_MANAGED : D3DPOOL_DEFAULT, created);
        },
        "qzVertexBufferInternal::Create", "IDirect3DDevice9::CreateVertexBuffer");
    device = _device;
    format = _format;
    stride = _stride;
    managed = _managed;
    data = nullptr;
    device->vertexbuffers.Append(this);
}

void qzVertexBufferInternal::Destroy() {
    QZASSERT(device != nullptr, "device!=NULL");
    // a buffer released while locked gives its memory back with it
    buffer->Release();
    buffer = nullptr;
    data = nullptr;
    Unlink();
    device = nullptr;
}

uint8_t* qzVertexBufferInternal::_Lock(uint32_t locktype, uint32_t pos, uint32_t len) {
    QZASSERT(device != nullptr, "device!=NULL");
    QZASSERT(!device->lost, "!device->lost");
    QZASSERT(data == nullptr, "data==NULL");
    QZASSERT(!managed || (locktype == QZLOCKTYPE_NORMAL && pos == 0 && len == 0),
             "!managed || (locktype==QZLOCKTYPE_NORMAL && pos==0 && len==0)");
    void* locked =
        qzLockBuffer(buffer, static_cast<uint64_t>(pos) * stride, static_cast<uint64_t>(len) * stride,
                     locktype, "qzVertexBufferInternal::_Lock", "IDirect3DVertexBuffer9::Lock");
    data = static_cast<uint8_t*>(locked);
    return data;
}

void qzVertexBufferInternal::Unlock() {
    QZASSERT(device != nullptr, "device!=NULL");
    QZASSERT(!device->lost, "!device->lost");
    QZASSERT(data != nullptr, "data!=NULL");
    buffer->Unlock();
    data = nullptr;
}

uint32_t qzVertexBufferInternal::PrimitiveCount(uint32_t type, uint32_t n) {
    switch (type) {
    case D3DPT_POINTLIST:
        return n;
    case D3DPT_LINELIST:
        return n / 2;
    case D3DPT_LINESTRIP:
        return n <= 1 ? 0 : n - 1;
    case D3DPT_TRIANGLELIST:
        return n / 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        return n <= 2 ? 0 : n - 2;
    default:
        QZASSERT(false, "false");
    }
    return 0;
}

void qzVertexBufferInternal::Draw(uint32_t type, uint32_t first, uint32_t count, uint32_t drawformat,
                                  uint32_t drawstride) {
    QZASSERT(device != nullptr, "device!=NULL");
    QZASSERT(!device->lost, "!device->lost");
    QZASSERT(data == nullptr, "data==NULL");
    uint32_t primitives = PrimitiveCount(type, count);
    if (primitives == 0)
        return;
    qzRenderDevice* d3d = device->GetD3DDevice();
    d3d->SetFVF(drawformat);
    d3d->SetStreamSource(0, buffer, 0, drawstride);
    d3d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(type), first, primitives);
}

void qzVertexBufferInternal::DrawIndexed(uint32_t type, const qzIndexBuffer& indices, uint32_t firstindex,
                                         uint32_t indexcount, uint32_t vertexcount, uint32_t drawformat,
                                         uint32_t drawstride) {
    QZASSERT(device != nullptr, "device!=NULL");
    QZASSERT(!device->lost, "!device->lost");
    QZASSERT(data == nullptr, "data==NULL");
    QZASSERT(indices.device == device, "indices.device==device");
    QZASSERT(indices.data == nullptr, "indices.data==NULL");
    uint32_t primitives = PrimitiveCount(type, indexcount);
    if (primitives == 0)
        return;
    qzRenderDevice* d3d = device->GetD3DDevice();
    d3d->SetFVF(drawformat);
    d3d->SetStreamSource(0, buffer, 0, drawstride);
    d3d->SetIndices(indices.buffer);
    d3d->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(type), 0, 0, vertexcount, firstindex, primitives);
}
