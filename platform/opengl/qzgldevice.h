// A Direct3D 9 device on an OpenGL 3.3 core context. The back buffer is a framebuffer object of exactly the
// requested size; Present copies its top-left part, unscaled, into the window. Every target keeps row 0 at
// the top, so the one flip happens in Present. The render states are kept as Direct3D keeps them and turned
// into GL state and shader uniforms when drawing. Every draw is checked against the buffers it reads, the
// values of its indices included, so that GL never fetches outside them.
#pragma once

#include "qzglindexbuffer.h"
#include "qzglprogram.h"
#include "qzgltexture.h"
#include "qzglvertexbuffer.h"
#include "qzrenderapi.h"

#include <QPointer>
#include <QWindow>

#include <map>
#include <memory>

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFunctions_3_3_Core;
class qzGLRenderApi;

class qzGLDevice : public qzRenderDevice {
public:
    qzGLDevice(qzGLRenderApi* api, qzWindowHandle focus);

    // Makes the context and the back buffer; an error code when the system cannot.
    HRESULT Initialise(const D3DPRESENT_PARAMETERS& parameters);

    uint32_t AddRef() override { return ++references; }
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

    // The context is current, on the window when it can draw there; false while the context is lost.
    bool MakeCurrent();
    QOpenGLFunctions_3_3_Core* gl = nullptr;
    // Depth buffers come with render targets when the device has one.
    bool HasDepth() const { return parameters.EnableAutoDepthStencil; }

    // Resources tell the device when they are made and when they go, so that a bound resource is never
    // used after its end and a lost context can be rebuilt.
    void Adopt(qzGLBuffer* buffer);
    void Adopt(qzGLTexture* texture);
    void Forget(qzGLVertexBuffer* buffer);
    void Forget(qzGLIndexBuffer* buffer);
    void Forget(qzGLTexture* texture);

    void LoseContext() { contextlost = true; }
    // Binds the framebuffer of the render target again after a resource used its own.
    void BindTarget();

    qzGLRenderApi* api;
    qzGLDevice* next = nullptr;

private:
    ~qzGLDevice();

    struct Stage {
        uint32_t colorop, colorarg1 = D3DTA_TEXTURE, colorarg2 = D3DTA_CURRENT;
        uint32_t alphaop, alphaarg1 = D3DTA_TEXTURE, alphaarg2 = D3DTA_CURRENT;
        uint32_t minfilter = D3DTEXF_POINT, magfilter = D3DTEXF_POINT, mipfilter = D3DTEXF_NONE;
        uint32_t addressu = 1, addressv = 1;
        qzGLTexture* texture = nullptr;
        unsigned sampler = 0;
        bool samplerdirty = true;
    };
    // Direct3D's render states, as a reset leaves them.
    struct State {
        bool zenable = false, zwrite = true, lastpixel = true, alphablend = false, specular = false;
        bool lighting = true, scissortest = false;
        uint32_t srcblend = D3DBLEND_ONE, destblend = D3DBLEND_ZERO, blendop = D3DBLENDOP_ADD;
        uint32_t cull = D3DCULL_CCW, ambient = 0;
        float pointsize = 1.0f;
        // Ambient, diffuse, specular and emissive.
        uint32_t sources[4] = {D3DMCS_MATERIAL, D3DMCS_COLOR1, D3DMCS_COLOR2, D3DMCS_MATERIAL};
        D3DMATRIX world, view, projection;
        D3DMATERIAL9 material;
        D3DVIEWPORT9 viewport;
        qzRect scissor{0, 0, 0, 0};
        Stage stages[QZGL_STAGES];
        std::map<uint32_t, D3DLIGHT9> lights;
        std::map<uint32_t, bool> enabled;
    };

    bool BuildContext();
    void DropContext();
    bool BuildBackBuffer();
    void DropBackBuffer();
    void ResetState();
    void ApplyFixedState();
    void ApplyBlend();
    void ApplyDepth();
    void ApplyCull();
    void ApplyScissor();
    void ApplyViewport();
    void ShowBackBuffer(int shownwidth, int shownheight, int windowheight);
    bool PrepareDraw(D3DPRIMITIVETYPE type);
    void SetAttributes(uint32_t offset, uint32_t stride);
    // The stream holds vertices 0 .. count-1 from its offset.
    bool StreamHolds(uint64_t count) const;
    void Unlink(qzGLBuffer* buffer);
    void UploadTransforms(qzGLProgram& program);
    void UploadLights(qzGLProgram& program);
    // The program a draw in the current state needs, given which stages have a texture.
    qzGLVariant PixelVariant(const GLint hastexture[QZGL_STAGES]) const;
    // The variant's program, built in the current context on first use; null when it does not build.
    qzGLProgram* Program(qzGLVariant variant);
    // A group of uniforms changed: every program takes it again before its next draw.
    void MarkDirty(bool qzGLProgram::*group);
    bool IsMinimised() const;
    QWindow* Window();
    uint32_t TargetWidth() const;
    uint32_t TargetHeight() const;

    qzWindowHandle focus;
    uint32_t references = 1;
    D3DPRESENT_PARAMETERS parameters;
    QPointer<QWindow> window;
    std::unique_ptr<QOpenGLContext> context;
    std::unique_ptr<QOffscreenSurface> offscreen;
    // one program per variant, all built with the context
    std::unique_ptr<qzGLProgram> programs[QZGL_VARIANTS];
    bool contextlost = false;
    bool lost = false;
    bool inscene = false;

    unsigned vertexarray = 0;
    // The back buffer: a multisampled colour renderbuffer is resolved into the texture the window shows.
    unsigned backframebuffer = 0, backcolor = 0, backdepth = 0;
    unsigned resolveframebuffer = 0, backtexture = 0;
    // The quad that shows the back buffer's texture in the window, in a vertex array of its own.
    unsigned presentarray = 0, presentvertices = 0, presentsampler = 0;
    int samples = 0;
    qzGLSurface backbuffer;

    State state;
    qzGLTexture* target = nullptr; // null while the back buffer is the render target
    qzGLVertexBuffer* stream = nullptr;
    uint32_t streamoffset = 0, streamstride = 0;
    qzGLIndexBuffer* indices = nullptr;
    uint32_t fvf = 0;

    qzGLBuffer* buffers = nullptr; // intrusive lists of the live resources
    qzGLTexture* textures = nullptr;
};
