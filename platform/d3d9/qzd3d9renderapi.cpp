#include "qzd3d9renderapi.h"

#include "qzd3d9device.h"
#include "qzd3d9native.h"

namespace {

native::IDirect3D9* Native(void* direct3d) {
    return static_cast<native::IDirect3D9*>(direct3d);
}

} // namespace

native::D3DPRESENT_PARAMETERS qzToNative(const D3DPRESENT_PARAMETERS& parameters) {
    native::D3DPRESENT_PARAMETERS to{};
    to.BackBufferWidth = parameters.BackBufferWidth;
    to.BackBufferHeight = parameters.BackBufferHeight;
    to.BackBufferFormat = static_cast<native::D3DFORMAT>(parameters.BackBufferFormat);
    to.BackBufferCount = parameters.BackBufferCount;
    to.MultiSampleType = static_cast<native::D3DMULTISAMPLE_TYPE>(parameters.MultiSampleType);
    to.MultiSampleQuality = parameters.MultiSampleQuality;
    to.SwapEffect = static_cast<native::D3DSWAPEFFECT>(parameters.SwapEffect);
    to.hDeviceWindow = reinterpret_cast<HWND>(parameters.hDeviceWindow);
    to.Windowed = parameters.Windowed ? TRUE : FALSE;
    to.EnableAutoDepthStencil = parameters.EnableAutoDepthStencil ? TRUE : FALSE;
    to.AutoDepthStencilFormat = static_cast<native::D3DFORMAT>(parameters.AutoDepthStencilFormat);
    to.Flags = parameters.Flags;
    to.FullScreen_RefreshRateInHz = parameters.FullScreen_RefreshRateInHz;
    to.PresentationInterval = parameters.PresentationInterval;
    return to;
}

void qzFromNative(const native::D3DPRESENT_PARAMETERS& from, D3DPRESENT_PARAMETERS& parameters) {
    parameters.BackBufferWidth = from.BackBufferWidth;
    parameters.BackBufferHeight = from.BackBufferHeight;
    parameters.BackBufferFormat = static_cast<D3DFORMAT>(from.BackBufferFormat);
    parameters.BackBufferCount = from.BackBufferCount;
    parameters.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(from.MultiSampleType);
    parameters.MultiSampleQuality = from.MultiSampleQuality;
    parameters.SwapEffect = static_cast<D3DSWAPEFFECT>(from.SwapEffect);
    parameters.hDeviceWindow = reinterpret_cast<qzWindowHandle>(from.hDeviceWindow);
    parameters.Windowed = from.Windowed != FALSE;
    parameters.EnableAutoDepthStencil = from.EnableAutoDepthStencil != FALSE;
    parameters.AutoDepthStencilFormat = static_cast<D3DFORMAT>(from.AutoDepthStencilFormat);
    parameters.Flags = from.Flags;
    parameters.FullScreen_RefreshRateInHz = from.FullScreen_RefreshRateInHz;
    parameters.PresentationInterval = from.PresentationInterval;
}

qzD3D9RenderApi::qzD3D9RenderApi() : direct3d(native::Direct3DCreate9(D3D_SDK_VERSION)) {}

qzD3D9RenderApi::~qzD3D9RenderApi() {
    if (direct3d != nullptr)
        Native(direct3d)->Release();
}

HRESULT qzD3D9RenderApi::CheckDeviceMultiSampleType(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT format,
                                                    bool windowed, D3DMULTISAMPLE_TYPE multisample,
                                                    uint32_t* qualitylevels) {
    if (direct3d == nullptr)
        return D3DERR_NOTAVAILABLE;
    DWORD levels = 0;
    HRESULT result = Native(direct3d)->CheckDeviceMultiSampleType(
        adapter, static_cast<native::D3DDEVTYPE>(type), static_cast<native::D3DFORMAT>(format),
        windowed ? TRUE : FALSE, static_cast<native::D3DMULTISAMPLE_TYPE>(multisample),
        qualitylevels != nullptr ? &levels : nullptr);
    if (qualitylevels != nullptr)
        *qualitylevels = levels;
    return result;
}

HRESULT qzD3D9RenderApi::CreateDevice(uint32_t adapter, D3DDEVTYPE type, qzWindowHandle focus,
                                      uint32_t behaviour, D3DPRESENT_PARAMETERS* parameters,
                                      qzRenderDevice** device) {
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (parameters == nullptr)
        return D3DERR_INVALIDCALL;
    if (direct3d == nullptr)
        return D3DERR_NOTAVAILABLE;
    native::D3DPRESENT_PARAMETERS requested = qzToNative(*parameters);
    native::IDirect3DDevice9* created = nullptr;
    HRESULT result =
        Native(direct3d)->CreateDevice(adapter, static_cast<native::D3DDEVTYPE>(type),
                                       reinterpret_cast<HWND>(focus), behaviour, &requested, &created);
    if (FAILED(result) || created == nullptr)
        return FAILED(result) ? result : D3DERR_NOTAVAILABLE;
    qzFromNative(requested, *parameters);
    *device = new qzD3D9Device(this, created);
    return result;
}

void qzD3D9RenderApi::LoseDevices() {
    for (qzD3D9Device* device = devices; device != nullptr; device = device->next)
        device->Lose();
}

void qzD3D9RenderApi::CountPresent() {
    if (qzRenderCounters::CountPresent("qzD3D9Device"))
        LoseDevices();
}
