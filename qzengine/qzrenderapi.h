// The Direct3D 9 operations the engine's device, vertex buffers, textures and lights call, as a small set of
// abstract classes: qzRenderApi stands for IDirect3D9, qzRenderDevice for IDirect3DDevice9,
// qzRenderVertexBuffer, qzRenderIndexBuffer, qzRenderTexture and qzRenderSurface for the resources. Names,
// enumerators, numbers
// and result codes are Direct3D 9's own, so the logic above reads as it would against Direct3D, and each
// implementation (OpenGL, the recording fake) answers with the same codes.
//
// Resource objects are reference counted as in Direct3D: every object handed out through an out-pointer
// (CreateDevice, CreateVertexBuffer, CreateIndexBuffer, CreateTexture, GetBackBuffer, GetSurfaceLevel)
// carries one reference that the caller gives back with Release. A surface of a texture keeps its texture
// alive.
#pragma once

#include "qzmessage.h"
#include "qzplatform.h"

#include <cstdint>

#ifdef _WIN32
using HRESULT = long; // winnt.h's own typedef (32 bits there), so <d3d9.h> can sit beside this header
#else
using HRESULT = int32_t;
#endif

constexpr HRESULT D3D_OK = 0;
constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = static_cast<HRESULT>(0x88760818u);
constexpr HRESULT D3DERR_DRIVERINTERNALERROR = static_cast<HRESULT>(0x88760827u);
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017Cu);
constexpr HRESULT D3DERR_DEVICELOST = static_cast<HRESULT>(0x88760868u);
constexpr HRESULT D3DERR_DEVICENOTRESET = static_cast<HRESULT>(0x88760869u);
constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086Au);
constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);

constexpr uint32_t D3D_SDK_VERSION = 32;
constexpr uint32_t D3DADAPTER_DEFAULT = 0;

enum D3DDEVTYPE : uint32_t { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2 };

enum D3DFORMAT : uint32_t {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_A8R8G8B8 = 21, // bytes blue, green, red, alpha in memory
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_D16 = 80,
    D3DFMT_INDEX16 = 101,
    D3DFMT_INDEX32 = 102,
};

enum D3DMULTISAMPLE_TYPE : uint32_t { D3DMULTISAMPLE_NONE = 0, D3DMULTISAMPLE_NONMASKABLE = 1 };

enum D3DSWAPEFFECT : uint32_t { D3DSWAPEFFECT_DISCARD = 1, D3DSWAPEFFECT_FLIP = 2, D3DSWAPEFFECT_COPY = 3 };

constexpr uint32_t D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL = 0x2;
constexpr uint32_t D3DPRESENT_INTERVAL_DEFAULT = 0;
constexpr uint32_t D3DPRESENT_INTERVAL_ONE = 1;
constexpr uint32_t D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;

constexpr uint32_t D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;

struct D3DPRESENT_PARAMETERS {
    uint32_t BackBufferWidth = 0;
    uint32_t BackBufferHeight = 0;
    D3DFORMAT BackBufferFormat = D3DFMT_UNKNOWN;
    uint32_t BackBufferCount = 0;
    D3DMULTISAMPLE_TYPE MultiSampleType = D3DMULTISAMPLE_NONE;
    uint32_t MultiSampleQuality = 0;
    D3DSWAPEFFECT SwapEffect = D3DSWAPEFFECT_DISCARD;
    qzWindowHandle hDeviceWindow = 0;
    bool Windowed = true;
    bool EnableAutoDepthStencil = false;
    D3DFORMAT AutoDepthStencilFormat = D3DFMT_UNKNOWN;
    uint32_t Flags = 0;
    uint32_t FullScreen_RefreshRateInHz = 0;
    uint32_t PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
};

constexpr uint32_t D3DCLEAR_TARGET = 0x1;
constexpr uint32_t D3DCLEAR_ZBUFFER = 0x2;
constexpr uint32_t D3DCLEAR_STENCIL = 0x4;

enum D3DRENDERSTATETYPE : uint32_t {
    D3DRS_ZENABLE = 7,
    D3DRS_ZWRITEENABLE = 14,
    D3DRS_LASTPIXEL = 16,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_SPECULARENABLE = 29,
    D3DRS_LIGHTING = 137,
    D3DRS_AMBIENT = 139,
    D3DRS_DIFFUSEMATERIALSOURCE = 145,
    D3DRS_SPECULARMATERIALSOURCE = 146,
    D3DRS_AMBIENTMATERIALSOURCE = 147,
    D3DRS_EMISSIVEMATERIALSOURCE = 148,
    D3DRS_POINTSIZE = 154, // a float's bits
    D3DRS_BLENDOP = 171,
    D3DRS_SCISSORTESTENABLE = 174,
};

// Values of the render states above.
enum D3DZBUFFERTYPE : uint32_t { D3DZB_FALSE = 0, D3DZB_TRUE = 1 };
enum D3DBLENDOP : uint32_t {
    D3DBLENDOP_ADD = 1,
    D3DBLENDOP_SUBTRACT = 2,
    D3DBLENDOP_REVSUBTRACT = 3,
    D3DBLENDOP_MIN = 4,
    D3DBLENDOP_MAX = 5,
};
enum D3DBLEND : uint32_t {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTALPHA = 7,
    D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9,
    D3DBLEND_INVDESTCOLOR = 10,
};
// D3DCULL_CCW culls triangles whose corners run counter-clockwise on the screen.
enum D3DCULL : uint32_t { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DMATERIALCOLORSOURCE : uint32_t { D3DMCS_MATERIAL = 0, D3DMCS_COLOR1 = 1, D3DMCS_COLOR2 = 2 };

enum D3DTRANSFORMSTATETYPE : uint32_t { D3DTS_VIEW = 2, D3DTS_PROJECTION = 3, D3DTS_WORLD = 256 };

enum D3DTEXTURESTAGESTATETYPE : uint32_t {
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
    D3DTSS_RESULTARG = 28,
};
enum D3DTEXTUREOP : uint32_t {
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,
};
// Texture-stage arguments.
constexpr uint32_t D3DTA_DIFFUSE = 0;
constexpr uint32_t D3DTA_CURRENT = 1;
constexpr uint32_t D3DTA_TEXTURE = 2;
constexpr uint32_t D3DTA_TFACTOR = 3;
constexpr uint32_t D3DTA_SPECULAR = 4;
constexpr uint32_t D3DTA_TEMP = 5;

enum D3DSAMPLERSTATETYPE : uint32_t {
    D3DSAMP_ADDRESSU = 1,
    D3DSAMP_ADDRESSV = 2,
    D3DSAMP_MAGFILTER = 5,
    D3DSAMP_MINFILTER = 6,
    D3DSAMP_MIPFILTER = 7,
};
enum D3DTEXTUREFILTERTYPE : uint32_t { D3DTEXF_NONE = 0, D3DTEXF_POINT = 1, D3DTEXF_LINEAR = 2 };

enum D3DPRIMITIVETYPE : uint32_t {
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6,
};

// Flexible vertex format bits.
constexpr uint32_t D3DFVF_XYZ = 0x002;
constexpr uint32_t D3DFVF_XYZRHW = 0x004;
constexpr uint32_t D3DFVF_NORMAL = 0x010;
constexpr uint32_t D3DFVF_DIFFUSE = 0x040;
constexpr uint32_t D3DFVF_SPECULAR = 0x080;
constexpr uint32_t D3DFVF_TEX1 = 0x100;

constexpr uint32_t D3DUSAGE_RENDERTARGET = 0x1;
constexpr uint32_t D3DUSAGE_WRITEONLY = 0x8;
constexpr uint32_t D3DUSAGE_DYNAMIC = 0x200;
constexpr uint32_t D3DUSAGE_AUTOGENMIPMAP = 0x400;

// Default-pool resources die with a reset; managed ones are kept (with a copy) across it; system-memory ones
// are for reading a render target back.
enum D3DPOOL : uint32_t { D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1, D3DPOOL_SYSTEMMEM = 2 };

constexpr uint32_t D3DLOCK_READONLY = 0x10;
constexpr uint32_t D3DLOCK_NOOVERWRITE = 0x1000;
constexpr uint32_t D3DLOCK_DISCARD = 0x2000;

enum D3DBACKBUFFER_TYPE : uint32_t { D3DBACKBUFFER_TYPE_MONO = 0 };

enum D3DLIGHTTYPE : uint32_t { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };

struct D3DCOLORVALUE {
    float r = 0, g = 0, b = 0, a = 0;
};
struct D3DVECTOR {
    float x = 0, y = 0, z = 0;
};
// Row-major, acting on row vectors: m[3] holds the translation.
struct D3DMATRIX {
    float m[4][4] = {};
};
struct D3DMATERIAL9 {
    D3DCOLORVALUE Diffuse, Ambient, Specular, Emissive;
    float Power = 0;
};
struct D3DLIGHT9 {
    D3DLIGHTTYPE Type = static_cast<D3DLIGHTTYPE>(0);
    D3DCOLORVALUE Diffuse, Specular, Ambient;
    D3DVECTOR Position, Direction;
    float Range = 0, Falloff = 0, Attenuation0 = 0, Attenuation1 = 0, Attenuation2 = 0, Theta = 0, Phi = 0;
};
struct D3DVIEWPORT9 {
    uint32_t X = 0, Y = 0, Width = 0, Height = 0;
    float MinZ = 0, MaxZ = 1;
};
struct D3DLOCKED_RECT {
    int32_t Pitch = 0;
    void* pBits = nullptr;
};

// IDirect3DSurface9: level 0 of a texture, or the back buffer.
class qzRenderSurface {
public:
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    virtual ~qzRenderSurface() = default;
};

// IDirect3DVertexBuffer9.
class qzRenderVertexBuffer {
public:
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
    // Offset and size in bytes; 0 and 0 lock the whole buffer. Flags: 0, D3DLOCK_DISCARD,
    // D3DLOCK_NOOVERWRITE.
    virtual HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
    virtual HRESULT Unlock() = 0;

protected:
    virtual ~qzRenderVertexBuffer() = default;
};

// IDirect3DIndexBuffer9.
class qzRenderIndexBuffer {
public:
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
    // As the vertex buffer's.
    virtual HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
    virtual HRESULT Unlock() = 0;

protected:
    virtual ~qzRenderIndexBuffer() = default;
};

// IDirect3DTexture9.
class qzRenderTexture {
public:
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
    // A null rect locks the whole level; rows lie Pitch bytes apart, top row first.
    virtual HRESULT LockRect(uint32_t level, D3DLOCKED_RECT* locked, const qzRect* rect, uint32_t flags) = 0;
    virtual HRESULT UnlockRect(uint32_t level) = 0;
    virtual HRESULT GetSurfaceLevel(uint32_t level, qzRenderSurface** surface) = 0;

protected:
    virtual ~qzRenderTexture() = default;
};

// IDirect3DDevice9.
class qzRenderDevice {
public:
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

    // D3D_OK, D3DERR_DEVICELOST (not resettable yet) or D3DERR_DEVICENOTRESET (resettable now).
    virtual HRESULT TestCooperativeLevel() = 0;
    // Fails with D3DERR_INVALIDCALL while any default-pool resource is still alive.
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) = 0;
    // The whole back buffer to the device window (Direct3D's four null arguments).
    virtual HRESULT Present() = 0;

    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    // The whole render target (no rectangles).
    virtual HRESULT Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil) = 0;

    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) = 0;
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
    virtual HRESULT SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) = 0;
    virtual HRESULT SetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t value) = 0;
    virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport) = 0;
    // Right and bottom are exclusive.
    virtual HRESULT SetScissorRect(const qzRect* rect) = 0;

    virtual HRESULT GetBackBuffer(uint32_t swapchain, uint32_t index, D3DBACKBUFFER_TYPE type,
                                  qzRenderSurface** surface) = 0;
    virtual HRESULT SetRenderTarget(uint32_t index, qzRenderSurface* surface) = 0;
    // Copies a render target (back buffer or render-target texture level) into a system-memory texture
    // level of the same size.
    virtual HRESULT GetRenderTargetData(qzRenderSurface* rendertarget, qzRenderSurface* destination) = 0;

    virtual HRESULT CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool,
                                       qzRenderVertexBuffer** buffer) = 0;
    virtual HRESULT SetStreamSource(uint32_t stream, qzRenderVertexBuffer* buffer, uint32_t offset,
                                    uint32_t stride) = 0;
    virtual HRESULT SetFVF(uint32_t fvf) = 0;
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t startvertex, uint32_t primitivecount) = 0;

    // Format D3DFMT_INDEX16 or D3DFMT_INDEX32.
    virtual HRESULT CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                                      qzRenderIndexBuffer** buffer) = 0;
    // Null unbinds the indices.
    virtual HRESULT SetIndices(qzRenderIndexBuffer* buffer) = 0;
    // Reads the indices from startindex on; each picks the stream's vertex basevertexindex + index. Every
    // index lies in minvertexindex .. minvertexindex + numvertices - 1.
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t basevertexindex,
                                         uint32_t minvertexindex, uint32_t numvertices, uint32_t startindex,
                                         uint32_t primitivecount) = 0;

    // Levels 0 asks for a full chain (with D3DUSAGE_AUTOGENMIPMAP the chain is made from level 0).
    virtual HRESULT CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                  D3DFORMAT format, D3DPOOL pool, qzRenderTexture** texture) = 0;
    // Null unbinds the stage.
    virtual HRESULT SetTexture(uint32_t stage, qzRenderTexture* texture) = 0;

    virtual HRESULT SetLight(uint32_t index, const D3DLIGHT9* light) = 0;
    virtual HRESULT LightEnable(uint32_t index, bool enable) = 0;

protected:
    virtual ~qzRenderDevice() = default;
};

// The work of all devices of an api, for measurements and tests; every implementation counts the same way.
struct qzRenderCounters {
    uint64_t drawcalls = 0;
    uint64_t vertices = 0;
    uint64_t presents = 0;
    // Set only to measure the program: each present then writes its frame's draw calls and vertices to the
    // debug output, as "[DEVICE] Present: ...".
    bool logframes = false;
    // Set only to test the program: every n-th present loses the devices after it; 0 never.
    uint32_t loseevery = 0;

    // Counts one present of the named device class; true when the devices are to be lost after it.
    bool CountPresent(const char* device);

private:
    uint64_t framedrawcalls = 0; // the totals at the previous present
    uint64_t framevertices = 0;
};

// IDirect3D9: the object the engine root holds, from which devices are made.
class qzRenderApi {
public:
    virtual ~qzRenderApi() = default;

    virtual HRESULT CheckDeviceMultiSampleType(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT format,
                                               bool windowed, D3DMULTISAMPLE_TYPE multisample,
                                               uint32_t* qualitylevels) = 0;
    // On success the device renders into the client area of the focus window. On failure *device is null.
    virtual HRESULT CreateDevice(uint32_t adapter, D3DDEVTYPE type, qzWindowHandle focus, uint32_t behaviour,
                                 D3DPRESENT_PARAMETERS* parameters, qzRenderDevice** device) = 0;
};

// The vertices a draw of this many primitives consumes.
uint32_t qzVertexCountOf(D3DPRIMITIVETYPE type, uint32_t primitivecount);

// The implementation stays owned by the caller; null removes it. The engine root takes the one installed
// when it is built.
void qzSetRenderApi(qzRenderApi* api);
// Null when none is installed.
qzRenderApi* qzGetRenderApi();
