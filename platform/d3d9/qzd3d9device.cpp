// The native device's calls one for one; its only logic of its own is the played loss and the counting.
#include "qzd3d9device.h"

#include "qzd3d9buffer.h"
#include "qzd3d9renderapi.h"
#include "qzd3d9texture.h"

namespace {

// The native object of a wrapper this backend made; null stays null.
template <typename Wrapper, typename Native, typename Base>
Native* Unwrap(Native* const Wrapper::*member, Base* wrapper) {
    return wrapper != nullptr ? static_cast<Wrapper*>(wrapper)->*member : nullptr;
}

} // namespace

qzD3D9Device::qzD3D9Device(qzD3D9RenderApi* api, native::IDirect3DDevice9* device)
    : next(api->devices), api(api), device(device) {
    api->devices = this;
}

qzD3D9Device::~qzD3D9Device() {
    for (qzD3D9Device** link = &api->devices; *link != nullptr; link = &(*link)->next)
        if (*link == this) {
            *link = next;
            break;
        }
    device->Release();
}

uint32_t qzD3D9Device::Release() {
    uint32_t left = --references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT qzD3D9Device::TestCooperativeLevel() {
    if (played == Played::Lost) {
        played = Played::NotReset;
        return D3DERR_DEVICELOST;
    }
    if (played == Played::NotReset)
        return D3DERR_DEVICENOTRESET;
    return device->TestCooperativeLevel();
}

HRESULT qzD3D9Device::Reset(D3DPRESENT_PARAMETERS* parameters) {
    if (parameters == nullptr)
        return D3DERR_INVALIDCALL;
    // As with a real loss, the device cannot be reset before it has said that it may be.
    if (played == Played::Lost)
        return D3DERR_DEVICELOST;
    native::D3DPRESENT_PARAMETERS requested = qzToNative(*parameters);
    HRESULT result = device->Reset(&requested);
    if (SUCCEEDED(result)) {
        qzFromNative(requested, *parameters);
        played = Played::None;
    }
    return result;
}

HRESULT qzD3D9Device::Present() {
    if (played != Played::None)
        return D3DERR_DEVICELOST;
    HRESULT result = device->Present(nullptr, nullptr, nullptr, nullptr);
    if (SUCCEEDED(result))
        api->CountPresent();
    return result;
}

HRESULT qzD3D9Device::BeginScene() {
    return device->BeginScene();
}

HRESULT qzD3D9Device::EndScene() {
    return device->EndScene();
}

HRESULT qzD3D9Device::Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil) {
    return device->Clear(0, nullptr, flags, color, z, stencil);
}

HRESULT qzD3D9Device::SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) {
    return device->SetRenderState(static_cast<native::D3DRENDERSTATETYPE>(state), value);
}

HRESULT qzD3D9Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    return device->SetTransform(static_cast<native::D3DTRANSFORMSTATETYPE>(state),
                                reinterpret_cast<const native::D3DMATRIX*>(matrix));
}

HRESULT qzD3D9Device::SetMaterial(const D3DMATERIAL9* material) {
    return device->SetMaterial(reinterpret_cast<const native::D3DMATERIAL9*>(material));
}

HRESULT qzD3D9Device::SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) {
    return device->SetTextureStageState(stage, static_cast<native::D3DTEXTURESTAGESTATETYPE>(type), value);
}

HRESULT qzD3D9Device::SetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t value) {
    return device->SetSamplerState(sampler, static_cast<native::D3DSAMPLERSTATETYPE>(type), value);
}

HRESULT qzD3D9Device::SetViewport(const D3DVIEWPORT9* viewport) {
    return device->SetViewport(reinterpret_cast<const native::D3DVIEWPORT9*>(viewport));
}

HRESULT qzD3D9Device::SetScissorRect(const qzRect* rect) {
    return device->SetScissorRect(reinterpret_cast<const RECT*>(rect));
}

HRESULT qzD3D9Device::GetBackBuffer(uint32_t swapchain, uint32_t index, D3DBACKBUFFER_TYPE type,
                                    qzRenderSurface** surface) {
    if (surface == nullptr)
        return D3DERR_INVALIDCALL;
    *surface = nullptr;
    native::IDirect3DSurface9* back = nullptr;
    HRESULT result =
        device->GetBackBuffer(swapchain, index, static_cast<native::D3DBACKBUFFER_TYPE>(type), &back);
    if (FAILED(result) || back == nullptr)
        return FAILED(result) ? result : D3DERR_INVALIDCALL;
    *surface = new qzD3D9Surface(back);
    return result;
}

HRESULT qzD3D9Device::SetRenderTarget(uint32_t index, qzRenderSurface* surface) {
    return device->SetRenderTarget(index, Unwrap(&qzD3D9Surface::surface, surface));
}

HRESULT qzD3D9Device::GetRenderTargetData(qzRenderSurface* rendertarget, qzRenderSurface* destination) {
    return device->GetRenderTargetData(Unwrap(&qzD3D9Surface::surface, rendertarget),
                                       Unwrap(&qzD3D9Surface::surface, destination));
}

HRESULT qzD3D9Device::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool,
                                         qzRenderVertexBuffer** buffer) {
    if (buffer == nullptr)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    native::IDirect3DVertexBuffer9* created = nullptr;
    HRESULT result =
        device->CreateVertexBuffer(length, usage, fvf, static_cast<native::D3DPOOL>(pool), &created, nullptr);
    if (FAILED(result) || created == nullptr)
        return FAILED(result) ? result : D3DERR_INVALIDCALL;
    *buffer = new qzD3D9VertexBuffer(created);
    return result;
}

HRESULT qzD3D9Device::SetStreamSource(uint32_t stream, qzRenderVertexBuffer* buffer, uint32_t offset,
                                      uint32_t stride) {
    return device->SetStreamSource(stream, Unwrap(&qzD3D9VertexBuffer::buffer, buffer), offset, stride);
}

HRESULT qzD3D9Device::SetFVF(uint32_t fvf) {
    return device->SetFVF(fvf);
}

void qzD3D9Device::CountDraw(D3DPRIMITIVETYPE type, uint32_t primitivecount) {
    ++api->drawcalls;
    api->vertices += qzVertexCountOf(type, primitivecount);
}

HRESULT qzD3D9Device::DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t startvertex, uint32_t primitivecount) {
    // A lost device draws nothing and says so to no one, as Direct3D's own does.
    if (played != Played::None)
        return D3D_OK;
    HRESULT result =
        device->DrawPrimitive(static_cast<native::D3DPRIMITIVETYPE>(type), startvertex, primitivecount);
    if (SUCCEEDED(result))
        CountDraw(type, primitivecount);
    return result;
}

HRESULT qzD3D9Device::CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                                        qzRenderIndexBuffer** buffer) {
    if (buffer == nullptr)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    native::IDirect3DIndexBuffer9* created = nullptr;
    HRESULT result = device->CreateIndexBuffer(length, usage, static_cast<native::D3DFORMAT>(format),
                                               static_cast<native::D3DPOOL>(pool), &created, nullptr);
    if (FAILED(result) || created == nullptr)
        return FAILED(result) ? result : D3DERR_INVALIDCALL;
    *buffer = new qzD3D9IndexBuffer(created);
    return result;
}

HRESULT qzD3D9Device::SetIndices(qzRenderIndexBuffer* buffer) {
    return device->SetIndices(Unwrap(&qzD3D9IndexBuffer::buffer, buffer));
}

HRESULT qzD3D9Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t basevertexindex,
                                           uint32_t minvertexindex, uint32_t numvertices, uint32_t startindex,
                                           uint32_t primitivecount) {
    if (played != Played::None)
        return D3D_OK;
    HRESULT result =
        device->DrawIndexedPrimitive(static_cast<native::D3DPRIMITIVETYPE>(type), basevertexindex,
                                     minvertexindex, numvertices, startindex, primitivecount);
    if (SUCCEEDED(result))
        CountDraw(type, primitivecount);
    return result;
}

HRESULT qzD3D9Device::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                    D3DFORMAT format, D3DPOOL pool, qzRenderTexture** texture) {
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    native::IDirect3DTexture9* created = nullptr;
    HRESULT result =
        device->CreateTexture(width, height, levels, usage, static_cast<native::D3DFORMAT>(format),
                              static_cast<native::D3DPOOL>(pool), &created, nullptr);
    if (FAILED(result) || created == nullptr)
        return FAILED(result) ? result : D3DERR_INVALIDCALL;
    *texture = new qzD3D9Texture(created);
    return result;
}

HRESULT qzD3D9Device::SetTexture(uint32_t stage, qzRenderTexture* texture) {
    return device->SetTexture(stage, Unwrap(&qzD3D9Texture::texture, texture));
}

HRESULT qzD3D9Device::SetLight(uint32_t index, const D3DLIGHT9* light) {
    return device->SetLight(index, reinterpret_cast<const native::D3DLIGHT9*>(light));
}

HRESULT qzD3D9Device::LightEnable(uint32_t index, bool enable) {
    return device->LightEnable(index, enable ? TRUE : FALSE);
}
