// The recording fake of the Direct3D 9 interface. Every call is kept as one line of text with its arguments
// (objects named vb1, ib2, tex3, surface4, ...), every draw with a copy of the vertices it consumed, and
// every misuse that a real driver would refuse or punish (drawing outside a scene or past a buffer's end, an
// index outside the vertex range the draw names, locking twice, resetting with default-pool resources alive,
// writing over vertices or indices already drawn under a no-overwrite lock, surfaces still held at a reset)
// as a line in errors. Buffers and textures are backed by
// memory; texture rows lie further apart than four bytes a pixel, so that code which ignores the pitch shows
// it. Switches lose the device and make chosen calls fail.
#pragma once

#include "qzrenderapi.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class qzFakeRenderDevice;

class qzFakeRenderApi : public qzRenderApi {
public:
    // Installs itself as the render API; the destructor removes it.
    qzFakeRenderApi();
    ~qzFakeRenderApi() override;

    HRESULT CheckDeviceMultiSampleType(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT format, bool windowed,
                                       D3DMULTISAMPLE_TYPE multisample, uint32_t* qualitylevels) override;
    HRESULT CreateDevice(uint32_t adapter, D3DDEVTYPE type, qzWindowHandle focus, uint32_t behaviour,
                         D3DPRESENT_PARAMETERS* parameters, qzRenderDevice** device) override;

    // The device state as the system sees it: usable, lost and not yet resettable, or resettable.
    enum class State { usable, lost, notreset };
    State state = State::usable;
    // Loses the device: TestCooperativeLevel answers lost, Present and Reset fail with D3DERR_DEVICELOST.
    void LoseDevice() { state = State::lost; }
    // The system gives the device back: TestCooperativeLevel answers D3DERR_DEVICENOTRESET, Reset succeeds.
    void AllowReset() { state = State::notreset; }

    // A call of this name answers this code instead of doing its work, until the entry is erased.
    std::map<std::string, HRESULT> fail;
    // Lock and LockRect succeed but hand out no pointer.
    bool locknull = false;
    // The quality levels CheckDeviceMultiSampleType answers, per format.
    std::map<D3DFORMAT, uint32_t> qualitylevels{{D3DFMT_X8R8G8B8, 4}, {D3DFMT_D16, 4}};
    // Bytes added to four times the width in every texture row.
    uint32_t pitchpadding = 12;

    // Every call, in order.
    std::vector<std::string> calls;
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
    // Index of the first call that starts with prefix at or after from; -1 when there is none.
    int FindCall(const std::string& prefix, size_t from = 0) const;
    void ClearCalls() { calls.clear(); }
    // Misuse detected; a sound caller leaves it empty.
    std::vector<std::string> errors;

    struct Draw {
        D3DPRIMITIVETYPE type;
        uint32_t startvertex;
        uint32_t primitivecount;
        uint32_t fvf;
        uint32_t stride;
        std::string buffer;
        // The vertices consumed in the order drawn, stride bytes each: an indexed draw's as its indices pick
        // them.
        std::vector<uint8_t> vertices;
        // An indexed draw's index buffer, else empty; startvertex is then its first index.
        std::string indexbuffer;
    };
    std::vector<Draw> draws;

    // The device made last (null before the first creation and after its release).
    qzFakeRenderDevice* device = nullptr;
    int devicescreated = 0;

    // Named objects alive now.
    int LiveVertexBuffers(D3DPOOL pool) const;
    int LiveIndexBuffers(D3DPOOL pool) const;
    int LiveTextures(D3DPOOL pool) const;
    int LiveSurfaceReferences() const;

    void Record(const std::string& call) { calls.push_back(call); }
    void Error(const std::string& error) { errors.push_back(error); }
    // The code to answer for a call, D3D_OK when it is not made to fail.
    HRESULT Answer(const std::string& name) const;
    std::string NewName(const char* kind) { return kind + std::to_string(++objectcount); }

private:
    friend class qzFakeRenderDevice;
    friend class qzFakeVertexBuffer;
    friend class qzFakeIndexBuffer;
    friend class qzFakeTexture;
    friend class qzFakeSurface;
    int objectcount = 0;
    int livebuffers[3] = {};
    int liveindexbuffers[3] = {};
    int livetextures[3] = {};
    int livesurfacereferences = 0;
};

// The memory of a vertex or an index buffer, with the lock checks that both kinds share.
class qzFakeBuffer {
public:
    qzFakeBuffer(qzFakeRenderApi* api, const char* kind, uint32_t length, uint32_t usage, D3DPOOL pool);
    HRESULT LockBytes(uint32_t offset, uint32_t size, void** data, uint32_t flags);
    HRESULT UnlockBytes();
    // Bytes begin .. end-1 were read by a draw: a no-overwrite lock must leave them as they are.
    void MarkDrawn(uint64_t begin, uint64_t end);

    qzFakeRenderApi* api;
    std::string name;
    uint32_t usage;
    D3DPOOL pool;
    std::vector<uint8_t> memory;
    bool locked = false;
    uint32_t lockflags = 0;
    // Byte ranges drawn since the last discard, with what they held when they were drawn.
    std::vector<std::pair<uint32_t, uint32_t>> drawn;
    std::vector<uint8_t> drawnbytes;
};

class qzFakeVertexBuffer : public qzRenderVertexBuffer, public qzFakeBuffer {
public:
    qzFakeVertexBuffer(qzFakeRenderApi* api, uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool);
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override {
        return LockBytes(offset, size, data, flags);
    }
    HRESULT Unlock() override { return UnlockBytes(); }

    uint32_t fvf;

private:
    ~qzFakeVertexBuffer() override;
    uint32_t references = 1;
};

class qzFakeIndexBuffer : public qzRenderIndexBuffer, public qzFakeBuffer {
public:
    qzFakeIndexBuffer(qzFakeRenderApi* api, uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool);
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override {
        return LockBytes(offset, size, data, flags);
    }
    HRESULT Unlock() override { return UnlockBytes(); }

    uint32_t IndexSize() const { return format == D3DFMT_INDEX16 ? 2 : 4; }
    // The index at this position of the buffer.
    uint32_t Index(uint64_t position) const;

    D3DFORMAT format;

private:
    ~qzFakeIndexBuffer() override;
    uint32_t references = 1;
};

class qzFakeTexture : public qzRenderTexture {
public:
    qzFakeTexture(qzFakeRenderApi* api, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                  D3DFORMAT format, D3DPOOL pool);
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT LockRect(uint32_t level, D3DLOCKED_RECT* locked, const qzRect* rect, uint32_t flags) override;
    HRESULT UnlockRect(uint32_t level) override;
    HRESULT GetSurfaceLevel(uint32_t level, qzRenderSurface** surface) override;

    qzFakeRenderApi* api;
    std::string name;
    uint32_t width, height, levels, usage;
    D3DFORMAT format;
    D3DPOOL pool;
    uint32_t pitch;
    std::vector<uint8_t> memory; // level 0
    bool locked = false;

private:
    ~qzFakeTexture() override;
    uint32_t references = 1;
};

// Level 0 of a texture (which it keeps alive) or the back buffer (texture null).
class qzFakeSurface : public qzRenderSurface {
public:
    qzFakeSurface(qzFakeRenderApi* api, qzFakeTexture* texture, std::string name);
    uint32_t AddRef() override;
    uint32_t Release() override;

    qzFakeRenderApi* api;
    qzFakeTexture* texture;
    std::string name;

private:
    ~qzFakeSurface() override;
    uint32_t references = 1;
};

class qzFakeRenderDevice : public qzRenderDevice {
public:
    qzFakeRenderDevice(qzFakeRenderApi* api, const D3DPRESENT_PARAMETERS& parameters);
    uint32_t AddRef() override;
    uint32_t Release() override;
    HRESULT TestCooperativeLevel() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
    HRESULT Present() override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) override;
    HRESULT SetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t value) override;
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
    HRESULT SetScissorRect(const qzRect* rect) override;
    HRESULT GetBackBuffer(uint32_t swapchain, uint32_t index, D3DBACKBUFFER_TYPE type,
                          qzRenderSurface** surface) override;
    HRESULT SetRenderTarget(uint32_t index, qzRenderSurface* surface) override;
    HRESULT GetRenderTargetData(qzRenderSurface* rendertarget, qzRenderSurface* destination) override;
    HRESULT CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool,
                               qzRenderVertexBuffer** buffer) override;
    HRESULT SetStreamSource(uint32_t stream, qzRenderVertexBuffer* buffer, uint32_t offset,
                            uint32_t stride) override;
    HRESULT SetFVF(uint32_t fvf) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t startvertex, uint32_t primitivecount) override;
    HRESULT CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                              qzRenderIndexBuffer** buffer) override;
    HRESULT SetIndices(qzRenderIndexBuffer* buffer) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t basevertexindex, uint32_t minvertexindex,
                                 uint32_t numvertices, uint32_t startindex, uint32_t primitivecount) override;
    HRESULT CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, D3DFORMAT format,
                          D3DPOOL pool, qzRenderTexture** texture) override;
    HRESULT SetTexture(uint32_t stage, qzRenderTexture* texture) override;
    HRESULT SetLight(uint32_t index, const D3DLIGHT9* light) override;
    HRESULT LightEnable(uint32_t index, bool enable) override;

    qzFakeRenderApi* api;
    D3DPRESENT_PARAMETERS parameters;
    bool inscene = false;
    int scenes = 0;
    int presents = 0;
    // The state set, as a reset leaves it: every render state, stage and light back to the defaults.
    std::map<uint32_t, uint32_t> renderstates;
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> stagestates;
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> samplerstates;
    std::map<uint32_t, D3DMATRIX> transforms;
    D3DMATERIAL9 material;
    D3DVIEWPORT9 viewport;
    qzRect scissor;
    std::map<uint32_t, D3DLIGHT9> lights;
    std::map<uint32_t, bool> lightenabled;
    std::string rendertarget;
    std::map<uint32_t, std::string> boundtextures;
    uint32_t fvf = 0;
    qzFakeVertexBuffer* stream = nullptr;
    uint32_t streamoffset = 0;
    uint32_t streamstride = 0;
    qzFakeIndexBuffer* indices = nullptr;

private:
    // The checks every draw passes: something to draw, inside a scene, a stream source; false after an
    // error.
    bool CheckDraw(const char* call, uint32_t vertices, uint32_t primitivecount);
    ~qzFakeRenderDevice() override;
    void ResetState();
    uint32_t references = 1;
    qzFakeSurface* backbuffer;
};

// The names used in the recorded lines.
std::string qzFakeName(D3DRENDERSTATETYPE state);
std::string qzFakeName(D3DTEXTURESTAGESTATETYPE type);
std::string qzFakeName(D3DSAMPLERSTATETYPE type);
std::string qzFakeName(D3DTRANSFORMSTATETYPE type);
std::string qzFakeName(D3DPRIMITIVETYPE type);
std::string qzFakeName(D3DPOOL pool);
