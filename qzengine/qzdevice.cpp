#include "qzdevice.h"

#include "qzassert.h"
#include "qzexceptions.h"
#include "qzindexbuffer.h"
#include "qzlight.h"
#include "qzmain.h"
#include "qztexture.h"
#include "qzvertexbufferinternal.h"
#include "qzwindow.h"

#include <bit>

namespace {

D3DMATRIX ToD3D(const qzMatrix& matrix) {
    D3DMATRIX converted;
    for (unsigned row = 0; row < 4; ++row)
        for (unsigned column = 0; column < 4; ++column)
            converted.m[row][column] = static_cast<float>(matrix(row, column));
    return converted;
}

} // namespace

qzDevice::~qzDevice() {
    if (window != nullptr)
        Destroy();
}

void qzDevice::Create(qzWindow* _window, bool _reference) {
    QZASSERT(window == nullptr, "window==NULL");
    QZASSERT(_window->main != nullptr, "_window->main!=NULL");
    QZASSERT(_window->device == nullptr, "_window->device==NULL");
    window = _window;
    reference = _reference;
    width = 0;
    height = 0;
    presentparameters = D3DPRESENT_PARAMETERS();
    presentparameters.BackBufferWidth = 0;
    presentparameters.BackBufferHeight = 0;
    presentparameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    presentparameters.BackBufferCount = 1;
    presentparameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    presentparameters.MultiSampleQuality = 0;
    presentparameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    presentparameters.hDeviceWindow = window->GetHandle();
    presentparameters.Windowed = true;
    presentparameters.EnableAutoDepthStencil = false;
    presentparameters.AutoDepthStencilFormat = D3DFMT_UNKNOWN;
    presentparameters.Flags = 0;
    presentparameters.FullScreen_RefreshRateInHz = 0;
    presentparameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    lost = true;
    window->device = this;
}

void qzDevice::Destroy() {
    QZASSERT(window != nullptr, "window!=NULL");
    while (vertexbuffers.first != nullptr)
        vertexbuffers.first->Destroy();
    while (indexbuffers.first != nullptr)
        indexbuffers.first->Destroy();
    while (textures.first != nullptr)
        textures.first->Destroy();
    while (lights.first != nullptr)
        lights.first->Destroy();
    if (device != nullptr) {
        device->Release();
        device = nullptr;
    }
    window->device = nullptr;
    window = nullptr;
}

void qzDevice::SetSize(uint32_t _width, uint32_t _height) {
    width = _width;
    height = _height;
    lost = true;
}

void qzDevice::SetDisplayMode(bool fullscreen, uint32_t refreshrate, bool verticalsync) {
    presentparameters.Windowed = !fullscreen;
    presentparameters.FullScreen_RefreshRateInHz = refreshrate;
    presentparameters.PresentationInterval =
        verticalsync ? D3DPRESENT_INTERVAL_DEFAULT : D3DPRESENT_INTERVAL_IMMEDIATE;
    lost = true;
}

void qzDevice::SetMultisampling(uint32_t levels) {
    presentparameters.MultiSampleType = levels != 0 ? D3DMULTISAMPLE_NONMASKABLE : D3DMULTISAMPLE_NONE;
    presentparameters.MultiSampleQuality = levels != 0 ? levels - 1 : 0;
    lost = true;
}

void qzDevice::SetBufferOptions(bool depthbuffer, bool copyswap, bool triplebuffering) {
    presentparameters.BackBufferCount = triplebuffering ? 2 : 1;
    presentparameters.SwapEffect = copyswap ? D3DSWAPEFFECT_COPY : D3DSWAPEFFECT_DISCARD;
    presentparameters.EnableAutoDepthStencil = depthbuffer;
    presentparameters.AutoDepthStencilFormat = depthbuffer ? D3DFMT_D16 : D3DFMT_UNKNOWN;
    presentparameters.Flags = depthbuffer ? D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL : 0;
    lost = true;
}

uint32_t qzDevice::GetMaxMultisampleQuality() const {
    QZASSERT(window != nullptr, "window!=NULL");
    if (presentparameters.SwapEffect == D3DSWAPEFFECT_COPY)
        return 0;
    qzRenderApi* direct3d = window->main->GetDirect3D();
    QZASSERT(direct3d != nullptr, "direct3d!=NULL");
    D3DDEVTYPE type = reference ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL;
    uint32_t levels = 0;
    if (direct3d->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, type, D3DFMT_X8R8G8B8,
                                             presentparameters.Windowed, D3DMULTISAMPLE_NONMASKABLE,
                                             &levels) != D3D_OK)
        return 0;
    if (presentparameters.EnableAutoDepthStencil) {
        uint32_t depthlevels = 0;
        if (direct3d->CheckDeviceMultiSampleType(
                D3DADAPTER_DEFAULT, type, presentparameters.AutoDepthStencilFormat,
                presentparameters.Windowed, D3DMULTISAMPLE_NONMASKABLE, &depthlevels) != D3D_OK)
            return 0;
        if (depthlevels < levels)
            levels = depthlevels;
    }
    return levels;
}

void qzDevice::_ResetDevice() {
    presentparameters.BackBufferWidth = width;
    presentparameters.BackBufferHeight = height;
    if (device != nullptr) {
        for (qzVertexBufferInternal* buffer = vertexbuffers.first; buffer != nullptr;) {
            qzVertexBufferInternal* next = buffer->next;
            if (!buffer->managed)
                buffer->Destroy();
            buffer = next;
        }
        for (qzIndexBuffer* buffer = indexbuffers.first; buffer != nullptr;) {
            qzIndexBuffer* next = buffer->next;
            if (!buffer->managed)
                buffer->Destroy();
            buffer = next;
        }
        for (qzTexture* texture = textures.first; texture != nullptr;) {
            qzTexture* next = texture->next;
            if (!texture->managed)
                texture->Destroy();
            texture = next;
        }
        for (qzLight* light = lights.first; light != nullptr; light = light->next)
            device->LightEnable(light->GetIndex(), false);
        HRESULT result = device->Reset(&presentparameters);
        if (result == D3D_OK)
            lost = false;
        else if (result == D3DERR_DEVICELOST)
            lost = true;
        else
            throw qzD3DException("qzDevice::_ResetDevice", "IDirect3DDevice9::Reset");
        return;
    }
    qzRenderApi* direct3d = window->main->GetDirect3D();
    QZASSERT(direct3d != nullptr, "direct3d!=NULL");
    qzRenderDevice* created = nullptr;
    HRESULT result = direct3d->CreateDevice(D3DADAPTER_DEFAULT, reference ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL,
                                            window->GetHandle(), D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                            &presentparameters, &created);
    if (result == D3D_OK) {
        device = created;
        lost = false;
        return;
    }
    device = nullptr;
    if (result == D3DERR_DEVICELOST) {
        lost = true;
        return;
    }
    throw qzD3DException("qzDevice::_ResetDevice", "IDirect3D9::CreateDevice");
}

bool qzDevice::Restore() {
    QZASSERT(lost, "lost");
    if (device != nullptr && device->TestCooperativeLevel() == D3DERR_DEVICELOST)
        return false;
    _ResetDevice();
    return !lost;
}

void qzDevice::Present() {
    QZASSERT(window != nullptr, "window!=NULL");
    if (!lost && !drawcallback.IsEmpty()) {
        drawcallback();
        HRESULT result = device->Present();
        if (result == D3DERR_DEVICELOST)
            lost = true;
        else if (result != D3D_OK)
            throw qzD3DException("qzDevice::_ResetDevice", "IDirect3DDevice9::Present");
    }
    qzGetPlatform().ValidateRect(window->GetHandle());
}

void qzDevice::AssertUsable() const {
    QZASSERT(window != nullptr, "window!=NULL");
    QZASSERT(!lost, "!lost");
}

void qzDevice::BeginScene() {
    AssertUsable();
    device->BeginScene();
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    SetRenderTarget(nullptr);
}

void qzDevice::EndScene() {
    AssertUsable();
    device->EndScene();
}

void qzDevice::SetRenderTarget(qzTexture* rendertarget) {
    AssertUsable();
    qzRenderSurface* surface = nullptr;
    if (rendertarget == nullptr) {
        device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface);
        targetwidth = width;
        targetheight = height;
    } else {
        QZASSERT(rendertarget->device == this, "rendertarget->device==this");
        QZASSERT(!rendertarget->managed, "!rendertarget->managed");
        rendertarget->GetD3DTexture()->GetSurfaceLevel(0, &surface);
        targetwidth = rendertarget->GetWidth();
        targetheight = rendertarget->GetHeight();
    }
    if (surface != nullptr) {
        device->SetRenderTarget(0, surface);
        surface->Release();
    }
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, 0);
    D3DVIEWPORT9 viewport{0, 0, targetwidth, targetheight, 0.0f, 1.0f};
    device->SetViewport(&viewport);
}

void qzDevice::Clear(bool target, uint32_t color, bool depth, float z) {
    AssertUsable();
    uint32_t flags = (target ? D3DCLEAR_TARGET : 0) | (depth ? D3DCLEAR_ZBUFFER : 0);
    device->Clear(flags, color, z, 0);
}

void qzDevice::DisableScissor() {
    // Safe on a lost device; before the first creation there is nothing to switch off.
    if (device != nullptr)
        device->SetRenderState(D3DRS_SCISSORTESTENABLE, 0);
}

void qzDevice::SetScissor(int32_t x, int32_t y, int32_t scissorwidth, int32_t scissorheight) {
    AssertUsable();
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, 1);
    qzRect rect{x, y, x + scissorwidth, y + scissorheight};
    device->SetScissorRect(&rect);
}

void qzDevice::SetBlend(uint32_t operation, uint32_t source, uint32_t destination) {
    AssertUsable();
    device->SetRenderState(D3DRS_BLENDOP, operation);
    device->SetRenderState(D3DRS_SRCBLEND, source);
    device->SetRenderState(D3DRS_DESTBLEND, destination);
}

void qzDevice::SetCullMode(uint32_t mode) {
    AssertUsable();
    device->SetRenderState(D3DRS_CULLMODE, mode);
}

void qzDevice::SetMaterialSources(uint32_t ambient, uint32_t diffuse, uint32_t specular, uint32_t emissive) {
    AssertUsable();
    device->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, ambient);
    device->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, diffuse);
    device->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, specular);
    device->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, emissive);
}

void qzDevice::SetMaterial(float ambientr, float ambientg, float ambientb, float diffuser, float diffuseg,
                           float diffuseb, float specularr, float specularg, float specularb, float emissiver,
                           float emissiveg, float emissiveb, float alpha, float power) {
    AssertUsable();
    D3DMATERIAL9 material;
    material.Ambient = D3DCOLORVALUE{ambientr, ambientg, ambientb, 0};
    material.Diffuse = D3DCOLORVALUE{diffuser, diffuseg, diffuseb, alpha};
    material.Specular = D3DCOLORVALUE{specularr, specularg, specularb, 0};
    material.Emissive = D3DCOLORVALUE{emissiver, emissiveg, emissiveb, 0};
    material.Power = power;
    device->SetMaterial(&material);
}

void qzDevice::SetAmbient(uint32_t color) {
    AssertUsable();
    device->SetRenderState(D3DRS_AMBIENT, color);
}

void qzDevice::SetDepth(bool test, bool write) {
    AssertUsable();
    device->SetRenderState(D3DRS_ZENABLE, test ? D3DZB_TRUE : D3DZB_FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, write ? 1 : 0);
}

void qzDevice::SetLighting(bool lighting) {
    AssertUsable();
    device->SetRenderState(D3DRS_LIGHTING, lighting ? 1 : 0);
    device->SetRenderState(D3DRS_SPECULARENABLE, lighting ? 1 : 0);
}

void qzDevice::SetLastPixel(bool lastpixel) {
    AssertUsable();
    device->SetRenderState(D3DRS_LASTPIXEL, lastpixel ? 1 : 0);
}

void qzDevice::SetPointSize(float size) {
    AssertUsable();
    device->SetRenderState(D3DRS_POINTSIZE, std::bit_cast<uint32_t>(size));
}

void qzDevice::SetTextureStage(uint32_t stage, int32_t result, int32_t colorop, int32_t colorarg1,
                               int32_t colorarg2, int32_t alphaop, int32_t alphaarg1, int32_t alphaarg2) {
    AssertUsable();
    const struct {
        D3DTEXTURESTAGESTATETYPE type;
        int32_t value;
    } states[] = {{D3DTSS_RESULTARG, result},    {D3DTSS_COLOROP, colorop}, {D3DTSS_COLORARG1, colorarg1},
                  {D3DTSS_COLORARG2, colorarg2}, {D3DTSS_ALPHAOP, alphaop}, {D3DTSS_ALPHAARG1, alphaarg1},
                  {D3DTSS_ALPHAARG2, alphaarg2}};
    for (const auto& state : states)
        if (state.value != -1)
            device->SetTextureStageState(stage, state.type, static_cast<uint32_t>(state.value));
}

void qzDevice::SetTextureStageModulate(uint32_t stage) {
    SetTextureStage(stage, D3DTA_CURRENT, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_MODULATE,
                    D3DTA_TEXTURE, D3DTA_CURRENT);
}

void qzDevice::DisableTextureStage(uint32_t stage) {
    AssertUsable();
    device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
}

void qzDevice::SetSampler(uint32_t stage, uint32_t minfilter, uint32_t magfilter, bool mipmapping) {
    AssertUsable();
    device->SetSamplerState(stage, D3DSAMP_MINFILTER, minfilter);
    device->SetSamplerState(stage, D3DSAMP_MAGFILTER, magfilter);
    device->SetSamplerState(stage, D3DSAMP_MIPFILTER, mipmapping ? D3DTEXF_LINEAR : D3DTEXF_NONE);
}

void qzDevice::SetWorld(const qzMatrix& matrix) {
    AssertUsable();
    D3DMATRIX converted = ToD3D(matrix);
    device->SetTransform(D3DTS_WORLD, &converted);
}

void qzDevice::SetView(const qzMatrix& matrix) {
    AssertUsable();
    D3DMATRIX converted = ToD3D(matrix);
    device->SetTransform(D3DTS_VIEW, &converted);
}

qzMatrix qzDevice::SubRectangleProjection(const qzMatrix& p, double left, double top, double w, double h) {
    double tx = 2 * left - 1 + w;
    double ty = -(2 * top - 1 + h);
    qzMatrix squeezed;
    for (unsigned i = 0; i < 4; ++i) {
        squeezed(i, 0) = p(i, 0) * w + p(i, 3) * tx;
        squeezed(i, 1) = p(i, 1) * h + p(i, 3) * ty;
        squeezed(i, 2) = p(i, 2);
        squeezed(i, 3) = p(i, 3);
    }
    return squeezed;
}

void qzDevice::SetProjection(const qzMatrix& projection, float left, float top, float w, float h) {
    AssertUsable();
    D3DMATRIX converted = ToD3D(SubRectangleProjection(projection, left, top, w, h));
    device->SetTransform(D3DTS_PROJECTION, &converted);
}
