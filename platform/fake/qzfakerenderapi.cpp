#include "qzfakerenderapi.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

std::string Hex(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%x", value);
    return buffer;
}

std::string Float(float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
    return buffer;
}

std::string Number(uint32_t value) {
    return std::to_string(value);
}

std::string ObjectName(qzRenderVertexBuffer* buffer) {
    return buffer == nullptr ? "NULL" : static_cast<qzFakeVertexBuffer*>(buffer)->name;
}

std::string ObjectName(qzRenderIndexBuffer* buffer) {
    return buffer == nullptr ? "NULL" : static_cast<qzFakeIndexBuffer*>(buffer)->name;
}

std::string ObjectName(qzRenderTexture* texture) {
    return texture == nullptr ? "NULL" : static_cast<qzFakeTexture*>(texture)->name;
}

std::string ObjectName(qzRenderSurface* surface) {
    return surface == nullptr ? "NULL" : static_cast<qzFakeSurface*>(surface)->name;
}

std::string Color(const D3DCOLORVALUE& c) {
    return Float(c.r) + "," + Float(c.g) + "," + Float(c.b) + "," + Float(c.a);
}

std::string Vector(const D3DVECTOR& v) {
    return Float(v.x) + "," + Float(v.y) + "," + Float(v.z);
}

// Records a release and answers whether it gave back the last reference.
bool LastReference(qzFakeRenderApi* api, const std::string& name, uint32_t& references) {
    api->Record("Release " + name);
    return --references == 0;
}

} // namespace

std::string qzFakeName(D3DRENDERSTATETYPE state) {
    switch (state) {
    case D3DRS_ZENABLE:
        return "D3DRS_ZENABLE";
    case D3DRS_ZWRITEENABLE:
        return "D3DRS_ZWRITEENABLE";
    case D3DRS_LASTPIXEL:
        return "D3DRS_LASTPIXEL";
    case D3DRS_SRCBLEND:
        return "D3DRS_SRCBLEND";
    case D3DRS_DESTBLEND:
        return "D3DRS_DESTBLEND";
    case D3DRS_CULLMODE:
        return "D3DRS_CULLMODE";
    case D3DRS_ALPHABLENDENABLE:
        return "D3DRS_ALPHABLENDENABLE";
    case D3DRS_SPECULARENABLE:
        return "D3DRS_SPECULARENABLE";
    case D3DRS_LIGHTING:
        return "D3DRS_LIGHTING";
    case D3DRS_AMBIENT:
        return "D3DRS_AMBIENT";
    case D3DRS_DIFFUSEMATERIALSOURCE:
        return "D3DRS_DIFFUSEMATERIALSOURCE";
    case D3DRS_SPECULARMATERIALSOURCE:
        return "D3DRS_SPECULARMATERIALSOURCE";
    case D3DRS_AMBIENTMATERIALSOURCE:
        return "D3DRS_AMBIENTMATERIALSOURCE";
    case D3DRS_EMISSIVEMATERIALSOURCE:
        return "D3DRS_EMISSIVEMATERIALSOURCE";
    case D3DRS_POINTSIZE:
        return "D3DRS_POINTSIZE";
    case D3DRS_BLENDOP:
        return "D3DRS_BLENDOP";
    case D3DRS_SCISSORTESTENABLE:
        return "D3DRS_SCISSORTESTENABLE";
    }
    return "D3DRS_" + Number(state);
}

std::string qzFakeName(D3DTEXTURESTAGESTATETYPE type) {
    switch (type) {
    case D3DTSS_COLOROP:
        return "D3DTSS_COLOROP";
    case D3DTSS_COLORARG1:
        return "D3DTSS_COLORARG1";
    case D3DTSS_COLORARG2:
        return "D3DTSS_COLORARG2";
    case D3DTSS_ALPHAOP:
        return "D3DTSS_ALPHAOP";
    case D3DTSS_ALPHAARG1:
        return "D3DTSS_ALPHAARG1";
    case D3DTSS_ALPHAARG2:
        return "D3DTSS_ALPHAARG2";
    case D3DTSS_RESULTARG:
        return "D3DTSS_RESULTARG";
    }
    return "D3DTSS_" + Number(type);
}

std::string qzFakeName(D3DSAMPLERSTATETYPE type) {
    switch (type) {
    case D3DSAMP_ADDRESSU:
        return "D3DSAMP_ADDRESSU";
    case D3DSAMP_ADDRESSV:
        return "D3DSAMP_ADDRESSV";
    case D3DSAMP_MAGFILTER:
        return "D3DSAMP_MAGFILTER";
    case D3DSAMP_MINFILTER:
        return "D3DSAMP_MINFILTER";
    case D3DSAMP_MIPFILTER:
        return "D3DSAMP_MIPFILTER";
    }
    return "D3DSAMP_" + Number(type);
}

std::string qzFakeName(D3DTRANSFORMSTATETYPE type) {
    switch (type) {
    case D3DTS_VIEW:
        return "D3DTS_VIEW";
    case D3DTS_PROJECTION:
        return "D3DTS_PROJECTION";
    case D3DTS_WORLD:
        return "D3DTS_WORLD";
    }
    return "D3DTS_" + Number(type);
}

std::string qzFakeName(D3DPRIMITIVETYPE type) {
    switch (type) {
    case D3DPT_POINTLIST:
        return "D3DPT_POINTLIST";
    case D3DPT_LINELIST:
        return "D3DPT_LINELIST";
    case D3DPT_LINESTRIP:
        return "D3DPT_LINESTRIP";
    case D3DPT_TRIANGLELIST:
        return "D3DPT_TRIANGLELIST";
    case D3DPT_TRIANGLESTRIP:
        return "D3DPT_TRIANGLESTRIP";
    case D3DPT_TRIANGLEFAN:
        return "D3DPT_TRIANGLEFAN";
    }
    return "D3DPT_" + Number(type);
}

std::string qzFakeName(D3DPOOL pool) {
    switch (pool) {
    case D3DPOOL_DEFAULT:
        return "D3DPOOL_DEFAULT";
    case D3DPOOL_MANAGED:
        return "D3DPOOL_MANAGED";
    case D3DPOOL_SYSTEMMEM:
        return "D3DPOOL_SYSTEMMEM";
    }
    return "D3DPOOL_" + Number(pool);
}

// The API.

qzFakeRenderApi::qzFakeRenderApi() {
    qzSetRenderApi(this);
}

qzFakeRenderApi::~qzFakeRenderApi() {
    qzSetRenderApi(nullptr);
}

HRESULT qzFakeRenderApi::Answer(const std::string& name) const {
    auto found = fail.find(name);
    return found == fail.end() ? D3D_OK : found->second;
}

std::vector<std::string> qzFakeRenderApi::CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : calls)
        if (call.compare(0, prefix.size(), prefix) == 0)
            found.push_back(call);
    return found;
}

int qzFakeRenderApi::FindCall(const std::string& prefix, size_t from) const {
    for (size_t i = from; i < calls.size(); ++i)
        if (calls[i].compare(0, prefix.size(), prefix) == 0)
            return static_cast<int>(i);
    return -1;
}

int qzFakeRenderApi::LiveVertexBuffers(D3DPOOL pool) const {
    return pool <= D3DPOOL_SYSTEMMEM ? livebuffers[pool] : 0;
}

int qzFakeRenderApi::LiveIndexBuffers(D3DPOOL pool) const {
    return pool <= D3DPOOL_SYSTEMMEM ? liveindexbuffers[pool] : 0;
}

int qzFakeRenderApi::LiveTextures(D3DPOOL pool) const {
    return pool <= D3DPOOL_SYSTEMMEM ? livetextures[pool] : 0;
}

int qzFakeRenderApi::LiveSurfaceReferences() const {
    return livesurfacereferences;
}

HRESULT qzFakeRenderApi::CheckDeviceMultiSampleType(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT format,
                                                    bool windowed, D3DMULTISAMPLE_TYPE multisample,
                                                    uint32_t* levels) {
    Record("CheckDeviceMultiSampleType " + Number(adapter) + " " + Number(type) + " " + Number(format) + " " +
           Number(windowed) + " " + Number(multisample));
    HRESULT result = Answer("CheckDeviceMultiSampleType");
    if (result != D3D_OK)
        return result;
    auto found = qualitylevels.find(format);
    if (found == qualitylevels.end())
        return D3DERR_NOTAVAILABLE;
    if (levels != nullptr)
        *levels = found->second;
    return D3D_OK;
}

HRESULT qzFakeRenderApi::CreateDevice(uint32_t adapter, D3DDEVTYPE type, qzWindowHandle focus,
                                      uint32_t behaviour, D3DPRESENT_PARAMETERS* parameters,
                                      qzRenderDevice** created) {
    Record("CreateDevice " + Number(adapter) + " " + Number(type) + " " + std::to_string(focus) + " " +
           Hex(behaviour) + " " + Number(parameters->BackBufferWidth) + "x" +
           Number(parameters->BackBufferHeight));
    *created = nullptr;
    HRESULT result = Answer("CreateDevice");
    if (result == D3D_OK && state == State::lost)
        result = D3DERR_DEVICELOST;
    if (result != D3D_OK)
        return result;
    if (parameters->hDeviceWindow != focus)
        Error("CreateDevice: the device window is not the focus window");
    state = State::usable;
    device = new qzFakeRenderDevice(this, *parameters);
    ++devicescreated;
    *created = device;
    return D3D_OK;
}

// Vertex and index buffers.

qzFakeBuffer::qzFakeBuffer(qzFakeRenderApi* api, const char* kind, uint32_t length, uint32_t usage,
                           D3DPOOL pool)
    : api(api), name(api->NewName(kind)), usage(usage), pool(pool), memory(length, 0xCD) {}

HRESULT qzFakeBuffer::LockBytes(uint32_t offset, uint32_t size, void** data, uint32_t flags) {
    api->Record("Lock " + name + " " + Number(offset) + " " + Number(size) + " " + Hex(flags));
    *data = nullptr;
    HRESULT result = api->Answer("Lock");
    if (result != D3D_OK)
        return result;
    if (locked) {
        api->Error("Lock " + name + ": already locked");
        return D3DERR_INVALIDCALL;
    }
    if (size == 0 && offset == 0)
        size = static_cast<uint32_t>(memory.size());
    if (static_cast<uint64_t>(offset) + size > memory.size()) {
        api->Error("Lock " + name + ": range past the end");
        return D3DERR_INVALIDCALL;
    }
    if ((flags & (D3DLOCK_DISCARD | D3DLOCK_NOOVERWRITE)) != 0 && (usage & D3DUSAGE_DYNAMIC) == 0) {
        api->Error("Lock " + name + ": discard or no-overwrite on a static buffer");
        return D3DERR_INVALIDCALL;
    }
    if ((flags & D3DLOCK_DISCARD) != 0) {
        // a discarded buffer is fresh memory whose contents are undefined
        std::memset(memory.data(), 0xCD, memory.size());
        drawn.clear();
    }
    if ((flags & (D3DLOCK_DISCARD | D3DLOCK_NOOVERWRITE)) == 0)
        drawn.clear(); // a plain lock waits for the draws, so everything may be written again
    locked = true;
    lockflags = flags;
    if (!api->locknull)
        *data = memory.data() + offset;
    return D3D_OK;
}

HRESULT qzFakeBuffer::UnlockBytes() {
    api->Record("Unlock " + name);
    if (!locked) {
        api->Error("Unlock " + name + ": not locked");
        return D3DERR_INVALIDCALL;
    }
    locked = false;
    for (const auto& [begin, end] : drawn)
        if (std::memcmp(memory.data() + begin, drawnbytes.data() + begin, end - begin) != 0) {
            api->Error("Unlock " + name + ": bytes already drawn were overwritten");
            break;
        }
    return D3D_OK;
}

void qzFakeBuffer::MarkDrawn(uint64_t begin, uint64_t end) {
    drawnbytes.resize(memory.size());
    std::memcpy(drawnbytes.data() + begin, memory.data() + begin, end - begin);
    drawn.emplace_back(static_cast<uint32_t>(begin), static_cast<uint32_t>(end));
}

qzFakeVertexBuffer::qzFakeVertexBuffer(qzFakeRenderApi* api, uint32_t length, uint32_t usage, uint32_t fvf,
                                       D3DPOOL pool)
    : qzFakeBuffer(api, "vb", length, usage, pool), fvf(fvf) {
    ++api->livebuffers[pool];
}

qzFakeVertexBuffer::~qzFakeVertexBuffer() {
    --api->livebuffers[pool];
}

uint32_t qzFakeVertexBuffer::AddRef() {
    return ++references;
}

uint32_t qzFakeVertexBuffer::Release() {
    if (!LastReference(api, name, references))
        return references;
    if (api->device != nullptr && api->device->stream == this)
        api->device->stream = nullptr;
    delete this;
    return 0;
}

qzFakeIndexBuffer::qzFakeIndexBuffer(qzFakeRenderApi* api, uint32_t length, uint32_t usage, D3DFORMAT format,
                                     D3DPOOL pool)
    : qzFakeBuffer(api, "ib", length, usage, pool), format(format) {
    ++api->liveindexbuffers[pool];
}

qzFakeIndexBuffer::~qzFakeIndexBuffer() {
    --api->liveindexbuffers[pool];
}

uint32_t qzFakeIndexBuffer::AddRef() {
    return ++references;
}

uint32_t qzFakeIndexBuffer::Release() {
    if (!LastReference(api, name, references))
        return references;
    if (api->device != nullptr && api->device->indices == this)
        api->device->indices = nullptr;
    delete this;
    return 0;
}

uint32_t qzFakeIndexBuffer::Index(uint64_t position) const {
    const uint8_t* at = memory.data() + position * IndexSize();
    if (format == D3DFMT_INDEX16) {
        uint16_t index;
        std::memcpy(&index, at, sizeof index);
        return index;
    }
    uint32_t index;
    std::memcpy(&index, at, sizeof index);
    return index;
}

// Textures and surfaces.

qzFakeTexture::qzFakeTexture(qzFakeRenderApi* api, uint32_t width, uint32_t height, uint32_t levels,
                             uint32_t usage, D3DFORMAT format, D3DPOOL pool)
    : api(api), name(api->NewName("tex")), width(width), height(height), levels(levels), usage(usage),
      format(format), pool(pool), pitch(width * 4 + api->pitchpadding),
      memory(static_cast<size_t>(pitch) * height, 0xCD) {
    ++api->livetextures[pool];
}

qzFakeTexture::~qzFakeTexture() {
    --api->livetextures[pool];
}

uint32_t qzFakeTexture::AddRef() {
    return ++references;
}

uint32_t qzFakeTexture::Release() {
    if (!LastReference(api, name, references))
        return references;
    if (api->device != nullptr)
        for (auto& [stage, bound] : api->device->boundtextures)
            if (bound == name)
                bound = "NULL";
    delete this;
    return 0;
}

HRESULT qzFakeTexture::LockRect(uint32_t level, D3DLOCKED_RECT* lockedrect, const qzRect* rect,
                                uint32_t flags) {
    api->Record("LockRect " + name + " " + Number(level) + " " + (rect == nullptr ? "NULL" : "rect") + " " +
                Hex(flags));
    lockedrect->pBits = nullptr;
    lockedrect->Pitch = 0;
    HRESULT result = api->Answer("LockRect");
    if (result != D3D_OK)
        return result;
    if (locked || level != 0 || rect != nullptr || pool == D3DPOOL_DEFAULT) {
        api->Error("LockRect " + name + ": cannot be locked so");
        return D3DERR_INVALIDCALL;
    }
    locked = true;
    lockedrect->Pitch = static_cast<int32_t>(pitch);
    if (!api->locknull)
        lockedrect->pBits = memory.data();
    return D3D_OK;
}

HRESULT qzFakeTexture::UnlockRect(uint32_t level) {
    api->Record("UnlockRect " + name + " " + Number(level));
    if (!locked || level != 0) {
        api->Error("UnlockRect " + name + ": not locked");
        return D3DERR_INVALIDCALL;
    }
    locked = false;
    return D3D_OK;
}

HRESULT qzFakeTexture::GetSurfaceLevel(uint32_t level, qzRenderSurface** surface) {
    api->Record("GetSurfaceLevel " + name + " " + Number(level));
    *surface = nullptr;
    if (level != 0) {
        api->Error("GetSurfaceLevel " + name + ": only level 0 is kept");
        return D3DERR_INVALIDCALL;
    }
    *surface = new qzFakeSurface(api, this, api->NewName("surface"));
    return D3D_OK;
}

qzFakeSurface::qzFakeSurface(qzFakeRenderApi* api, qzFakeTexture* texture, std::string name)
    : api(api), texture(texture), name(std::move(name)) {
    ++api->livesurfacereferences;
    if (texture != nullptr)
        texture->AddRef();
}

qzFakeSurface::~qzFakeSurface() {
    if (texture != nullptr)
        texture->Release();
}

uint32_t qzFakeSurface::AddRef() {
    ++api->livesurfacereferences;
    return ++references;
}

uint32_t qzFakeSurface::Release() {
    --api->livesurfacereferences;
    if (!LastReference(api, name, references))
        return references;
    delete this;
    return 0;
}

// The device.

qzFakeRenderDevice::qzFakeRenderDevice(qzFakeRenderApi* api, const D3DPRESENT_PARAMETERS& parameters)
    : api(api), parameters(parameters) {
    backbuffer = new qzFakeSurface(api, nullptr, "backbuffer");
    --api->livesurfacereferences; // the device's own reference is not counted
    ResetState();
}

qzFakeRenderDevice::~qzFakeRenderDevice() {
    ++api->livesurfacereferences;
    backbuffer->Release();
    if (api->device == this)
        api->device = nullptr;
}

void qzFakeRenderDevice::ResetState() {
    renderstates.clear();
    stagestates.clear();
    samplerstates.clear();
    transforms.clear();
    material = D3DMATERIAL9();
    viewport = D3DVIEWPORT9{0, 0, parameters.BackBufferWidth, parameters.BackBufferHeight, 0, 1};
    scissor = qzRect{0, 0, static_cast<int32_t>(parameters.BackBufferWidth),
                     static_cast<int32_t>(parameters.BackBufferHeight)};
    lights.clear();
    lightenabled.clear();
    rendertarget = "backbuffer";
    boundtextures.clear();
    fvf = 0;
    stream = nullptr;
    streamoffset = 0;
    streamstride = 0;
    indices = nullptr;
}

uint32_t qzFakeRenderDevice::AddRef() {
    return ++references;
}

uint32_t qzFakeRenderDevice::Release() {
    if (!LastReference(api, "device", references))
        return references;
    delete this;
    return 0;
}

HRESULT qzFakeRenderDevice::TestCooperativeLevel() {
    api->Record("TestCooperativeLevel");
    switch (api->state) {
    case qzFakeRenderApi::State::lost:
        return D3DERR_DEVICELOST;
    case qzFakeRenderApi::State::notreset:
        return D3DERR_DEVICENOTRESET;
    case qzFakeRenderApi::State::usable:
        break;
    }
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::Reset(D3DPRESENT_PARAMETERS* newparameters) {
    api->Record("Reset " + Number(newparameters->BackBufferWidth) + "x" +
                Number(newparameters->BackBufferHeight));
    HRESULT result = api->Answer("Reset");
    if (result != D3D_OK)
        return result;
    if (api->state == qzFakeRenderApi::State::lost)
        return D3DERR_DEVICELOST;
    if (api->livebuffers[D3DPOOL_DEFAULT] > 0 || api->liveindexbuffers[D3DPOOL_DEFAULT] > 0 ||
        api->livetextures[D3DPOOL_DEFAULT] > 0) {
        api->Error("Reset: default-pool resources are still alive");
        return D3DERR_INVALIDCALL;
    }
    if (api->livesurfacereferences > 0) {
        api->Error("Reset: surface references are still held");
        return D3DERR_INVALIDCALL;
    }
    if (inscene) {
        api->Error("Reset: inside a scene");
        inscene = false;
    }
    parameters = *newparameters;
    api->state = qzFakeRenderApi::State::usable;
    ResetState();
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::Present() {
    api->Record("Present");
    HRESULT result = api->Answer("Present");
    if (result != D3D_OK)
        return result;
    if (api->state != qzFakeRenderApi::State::usable)
        return D3DERR_DEVICELOST;
    if (inscene)
        api->Error("Present: inside a scene");
    ++presents;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::BeginScene() {
    api->Record("BeginScene");
    if (inscene) {
        api->Error("BeginScene: already in a scene");
        return D3DERR_INVALIDCALL;
    }
    inscene = true;
    ++scenes;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::EndScene() {
    api->Record("EndScene");
    if (!inscene) {
        api->Error("EndScene: not in a scene");
        return D3DERR_INVALIDCALL;
    }
    inscene = false;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil) {
    api->Record("Clear " + Hex(flags) + " " + Hex(color) + " " + Float(z) + " " + Number(stencil));
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) {
    api->Record("SetRenderState " + qzFakeName(state) + " " + Number(value));
    renderstates[state] = value;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    std::string text = "SetTransform " + qzFakeName(state);
    for (const auto& row : matrix->m)
        for (float value : row) {
            // appended in two steps: GCC 12's -O2 warns falsely about " " + a temporary string
            text += ' ';
            text += Float(value);
        }
    api->Record(text);
    transforms[state] = *matrix;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::SetMaterial(const D3DMATERIAL9* m) {
    api->Record("SetMaterial diffuse " + Color(m->Diffuse) + " ambient " + Color(m->Ambient) + " specular " +
                Color(m->Specular) + " emissive " + Color(m->Emissive) + " power " + Float(m->Power));
    material = *m;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                                                 uint32_t value) {
    api->Record("SetTextureStageState " + Number(stage) + " " + qzFakeName(type) + " " + Number(value));
    stagestates[{stage, type}] = value;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::SetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t value) {
    api->Record("SetSamplerState " + Number(sampler) + " " + qzFakeName(type) + " " + Number(value));
    samplerstates[{sampler, type}] = value;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::SetViewport(const D3DVIEWPORT9* v) {
    api->Record("SetViewport " + Number(v->X) + " " + Number(v->Y) + " " + Number(v->Width) + " " +
                Number(v->Height) + " " + Float(v->MinZ) + " " + Float(v->MaxZ));
    viewport = *v;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::SetScissorRect(const qzRect* rect) {
    api->Record("SetScissorRect " + std::to_string(rect->left) + " " + std::to_string(rect->top) + " " +
                std::to_string(rect->right) + " " + std::to_string(rect->bottom));
    scissor = *rect;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::GetBackBuffer(uint32_t swapchain, uint32_t index, D3DBACKBUFFER_TYPE type,
                                          qzRenderSurface** surface) {
    api->Record("GetBackBuffer " + Number(swapchain) + " " + Number(index) + " " + Number(type));
    *surface = nullptr;
    if (swapchain != 0 || index != 0 || type != D3DBACKBUFFER_TYPE_MONO)
        return D3DERR_INVALIDCALL;
    backbuffer->AddRef();
    *surface = backbuffer;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::SetRenderTarget(uint32_t index, qzRenderSurface* surface) {
    api->Record("SetRenderTarget " + Number(index) + " " + ObjectName(surface));
    if (index != 0 || surface == nullptr)
        return D3DERR_INVALIDCALL;
    auto* fake = static_cast<qzFakeSurface*>(surface);
    if (fake->texture != nullptr && (fake->texture->usage & D3DUSAGE_RENDERTARGET) == 0) {
        api->Error("SetRenderTarget: " + fake->texture->name + " is not a render target");
        return D3DERR_INVALIDCALL;
    }
    rendertarget = fake->texture != nullptr ? fake->texture->name : "backbuffer";
    uint32_t width = fake->texture != nullptr ? fake->texture->width : parameters.BackBufferWidth;
    uint32_t height = fake->texture != nullptr ? fake->texture->height : parameters.BackBufferHeight;
    // Direct3D sets the viewport and the scissor rectangle to the whole new target
    viewport = D3DVIEWPORT9{0, 0, width, height, 0, 1};
    scissor = qzRect{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::GetRenderTargetData(qzRenderSurface* source, qzRenderSurface* destination) {
    api->Record("GetRenderTargetData " + ObjectName(source) + " " + ObjectName(destination));
    auto* from = static_cast<qzFakeSurface*>(source);
    auto* to = static_cast<qzFakeSurface*>(destination);
    if (to->texture == nullptr || to->texture->pool != D3DPOOL_SYSTEMMEM) {
        api->Error("GetRenderTargetData: the destination is not in system memory");
        return D3DERR_INVALIDCALL;
    }
    uint32_t width = from->texture != nullptr ? from->texture->width : parameters.BackBufferWidth;
    uint32_t height = from->texture != nullptr ? from->texture->height : parameters.BackBufferHeight;
    if (width != to->texture->width || height != to->texture->height)
        return D3DERR_INVALIDCALL;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = to->texture->memory.data() + static_cast<size_t>(to->texture->pitch) * y;
        if (from->texture != nullptr)
            std::memcpy(row, from->texture->memory.data() + static_cast<size_t>(from->texture->pitch) * y,
                        width * 4);
        else
            std::memset(row, 0, width * 4);
    }
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t vertexformat,
                                               D3DPOOL pool, qzRenderVertexBuffer** buffer) {
    *buffer = nullptr;
    HRESULT result = api->Answer("CreateVertexBuffer");
    if (result == D3D_OK && (length == 0 || pool > D3DPOOL_SYSTEMMEM))
        result = D3DERR_INVALIDCALL;
    if (result == D3D_OK && pool == D3DPOOL_MANAGED && (usage & D3DUSAGE_DYNAMIC) != 0) {
        api->Error("CreateVertexBuffer: a dynamic buffer cannot be managed");
        result = D3DERR_INVALIDCALL;
    }
    std::string text = "CreateVertexBuffer " + Number(length) + " " + Hex(usage) + " " + Hex(vertexformat) +
                       " " + qzFakeName(pool);
    if (result != D3D_OK) {
        api->Record(text);
        return result;
    }
    auto* created = new qzFakeVertexBuffer(api, length, usage, vertexformat, pool);
    api->Record(text + " " + created->name);
    *buffer = created;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::SetStreamSource(uint32_t number, qzRenderVertexBuffer* buffer, uint32_t offset,
                                            uint32_t stride) {
    api->Record("SetStreamSource " + Number(number) + " " + ObjectName(buffer) + " " + Number(offset) + " " +
                Number(stride));
    if (number != 0)
        return D3DERR_INVALIDCALL;
    stream = static_cast<qzFakeVertexBuffer*>(buffer);
    streamoffset = offset;
    streamstride = stride;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::SetFVF(uint32_t vertexformat) {
    api->Record("SetFVF " + Hex(vertexformat));
    fvf = vertexformat;
    return D3D_OK;
}

bool qzFakeRenderDevice::CheckDraw(const char* call, uint32_t vertices, uint32_t primitivecount) {
    if (vertices == 0 || primitivecount == 0) {
        api->Error(std::string(call) + ": nothing to draw");
        return false;
    }
    if (!inscene) {
        api->Error(std::string(call) + ": outside a scene");
        return false;
    }
    if (stream == nullptr || streamstride == 0) {
        api->Error(std::string(call) + ": no stream source");
        return false;
    }
    return true;
}

HRESULT qzFakeRenderDevice::DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t startvertex,
                                          uint32_t primitivecount) {
    api->Record("DrawPrimitive " + qzFakeName(type) + " " + Number(startvertex) + " " +
                Number(primitivecount));
    uint32_t vertices = qzVertexCountOf(type, primitivecount);
    if (!CheckDraw("DrawPrimitive", vertices, primitivecount))
        return D3DERR_INVALIDCALL;
    uint64_t begin = streamoffset + static_cast<uint64_t>(startvertex) * streamstride;
    uint64_t end = begin + static_cast<uint64_t>(vertices) * streamstride;
    if (end > stream->memory.size()) {
        api->Error("DrawPrimitive: past the end of " + stream->name);
        return D3DERR_INVALIDCALL;
    }
    if (stream->locked)
        api->Error("DrawPrimitive: " + stream->name + " is locked");
    if (fvf != stream->fvf)
        api->Error("DrawPrimitive: the vertex format differs from " + stream->name + "'s");
    qzFakeRenderApi::Draw draw{
        type,
        startvertex,
        primitivecount,
        fvf,
        streamstride,
        stream->name,
        std::vector<uint8_t>(stream->memory.begin() + static_cast<std::ptrdiff_t>(begin),
                             stream->memory.begin() + static_cast<std::ptrdiff_t>(end)),
        std::string()};
    api->draws.push_back(std::move(draw));
    stream->MarkDrawn(begin, end);
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                                              qzRenderIndexBuffer** buffer) {
    *buffer = nullptr;
    HRESULT result = api->Answer("CreateIndexBuffer");
    if (result == D3D_OK &&
        (length == 0 || pool > D3DPOOL_SYSTEMMEM || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)))
        result = D3DERR_INVALIDCALL;
    if (result == D3D_OK && pool == D3DPOOL_MANAGED && (usage & D3DUSAGE_DYNAMIC) != 0) {
        api->Error("CreateIndexBuffer: a dynamic buffer cannot be managed");
        result = D3DERR_INVALIDCALL;
    }
    std::string text = "CreateIndexBuffer " + Number(length) + " " + Hex(usage) + " " + Number(format) + " " +
                       qzFakeName(pool);
    if (result != D3D_OK) {
        api->Record(text);
        return result;
    }
    auto* created = new qzFakeIndexBuffer(api, length, usage, format, pool);
    api->Record(text + " " + created->name);
    *buffer = created;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::SetIndices(qzRenderIndexBuffer* buffer) {
    api->Record("SetIndices " + ObjectName(buffer));
    indices = static_cast<qzFakeIndexBuffer*>(buffer);
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t basevertexindex,
                                                 uint32_t minvertexindex, uint32_t numvertices,
                                                 uint32_t startindex, uint32_t primitivecount) {
    api->Record("DrawIndexedPrimitive " + qzFakeName(type) + " " + std::to_string(basevertexindex) + " " +
                Number(minvertexindex) + " " + Number(numvertices) + " " + Number(startindex) + " " +
                Number(primitivecount));
    uint32_t count = qzVertexCountOf(type, primitivecount);
    if (!CheckDraw("DrawIndexedPrimitive", count, primitivecount))
        return D3DERR_INVALIDCALL;
    if (indices == nullptr) {
        api->Error("DrawIndexedPrimitive: no indices");
        return D3DERR_INVALIDCALL;
    }
    uint64_t indexbegin = static_cast<uint64_t>(startindex) * indices->IndexSize();
    uint64_t indexend = indexbegin + static_cast<uint64_t>(count) * indices->IndexSize();
    if (indexend > indices->memory.size()) {
        api->Error("DrawIndexedPrimitive: past the end of " + indices->name);
        return D3DERR_INVALIDCALL;
    }
    int64_t first = static_cast<int64_t>(basevertexindex) + minvertexindex;
    uint64_t begin = streamoffset + static_cast<uint64_t>(first) * streamstride;
    uint64_t end = begin + static_cast<uint64_t>(numvertices) * streamstride;
    if (first < 0 || numvertices == 0 || end > stream->memory.size()) {
        api->Error("DrawIndexedPrimitive: the vertex range lies outside " + stream->name);
        return D3DERR_INVALIDCALL;
    }
    if (stream->locked)
        api->Error("DrawIndexedPrimitive: " + stream->name + " is locked");
    if (indices->locked)
        api->Error("DrawIndexedPrimitive: " + indices->name + " is locked");
    if (fvf != stream->fvf)
        api->Error("DrawIndexedPrimitive: the vertex format differs from " + stream->name + "'s");
    qzFakeRenderApi::Draw draw{type,         startindex,   primitivecount,         fvf,
                               streamstride, stream->name, std::vector<uint8_t>(), indices->name};
    draw.vertices.reserve(static_cast<size_t>(count) * streamstride);
    for (uint32_t k = 0; k < count; ++k) {
        uint32_t index = indices->Index(static_cast<uint64_t>(startindex) + k);
        if (index < minvertexindex || index - minvertexindex >= numvertices) {
            api->Error("DrawIndexedPrimitive: index " + Number(index) + " lies outside the vertex range");
            return D3DERR_INVALIDCALL;
        }
        auto at =
            stream->memory.begin() +
            static_cast<std::ptrdiff_t>(begin + static_cast<uint64_t>(index - minvertexindex) * streamstride);
        draw.vertices.insert(draw.vertices.end(), at, at + streamstride);
    }
    api->draws.push_back(std::move(draw));
    stream->MarkDrawn(begin, end);
    indices->MarkDrawn(indexbegin, indexend);
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                          D3DFORMAT format, D3DPOOL pool, qzRenderTexture** texture) {
    *texture = nullptr;
    std::string text = "CreateTexture " + Number(width) + "x" + Number(height) + " " + Number(levels) + " " +
                       Hex(usage) + " " + Number(format) + " " + qzFakeName(pool);
    HRESULT result = api->Answer("CreateTexture");
    if (result == D3D_OK && (width == 0 || height == 0 || pool > D3DPOOL_SYSTEMMEM))
        result = D3DERR_INVALIDCALL;
    if (result == D3D_OK && (usage & D3DUSAGE_RENDERTARGET) != 0 && pool != D3DPOOL_DEFAULT) {
        api->Error("CreateTexture: a render target must be in the default pool");
        result = D3DERR_INVALIDCALL;
    }
    if (result != D3D_OK) {
        api->Record(text);
        return result;
    }
    auto* created = new qzFakeTexture(api, width, height, levels, usage, format, pool);
    api->Record(text + " " + created->name);
    *texture = created;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::SetTexture(uint32_t stage, qzRenderTexture* texture) {
    api->Record("SetTexture " + Number(stage) + " " + ObjectName(texture));
    boundtextures[stage] = ObjectName(texture);
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::SetLight(uint32_t index, const D3DLIGHT9* light) {
    api->Record("SetLight " + Number(index) + " type " + Number(light->Type) + " diffuse " +
                Color(light->Diffuse) + " specular " + Color(light->Specular) + " ambient " +
                Color(light->Ambient) + " direction " + Vector(light->Direction));
    lights[index] = *light;
    return D3D_OK;
}

HRESULT qzFakeRenderDevice::LightEnable(uint32_t index, bool enable) {
    api->Record("LightEnable " + Number(index) + " " + Number(enable));
    lightenabled[index] = enable;
    return D3D_OK;
}
