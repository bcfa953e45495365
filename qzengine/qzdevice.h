// One Direct3D device drawing into the client area of one native window: its presentation settings, its
// lazy creation and the lost/reset cycle, the lists of the vertex buffers, index buffers, textures and lights
// made on it, and asserted wrappers of the render states the drawing code sets.
#pragma once

#include "qzcallback.h"
#include "qzmatrix.h"
#include "qzobjectlist.h"
#include "qzrenderapi.h"

#include <cstdint>

class qzIndexBuffer;
class qzLight;
class qzTexture;
class qzVertexBufferInternal;
class qzWindow;

class qzDevice {
public:
    qzDevice() = default;
    ~qzDevice();
    qzDevice(const qzDevice&) = delete;
    qzDevice& operator=(const qzDevice&) = delete;

    // Attaches the device to a window; nothing is made on the Direct3D side until the first Restore.
    void Create(qzWindow* window, bool reference);
    // Destroys every vertex buffer, index buffer, texture and light still made on it, then the Direct3D
    // device.
    void Destroy();

    // Each setter marks the device lost, so that the next Restore applies the change.
    void SetSize(uint32_t width, uint32_t height);
    void SetDisplayMode(bool fullscreen, uint32_t refreshrate, bool verticalsync);
    void SetMultisampling(uint32_t levels);
    void SetBufferOptions(bool depthbuffer, bool copyswap, bool triplebuffering);
    uint32_t GetMaxMultisampleQuality() const;

    bool IsLost() const { return lost; }
    uint32_t GetWidth() const { return width; }
    uint32_t GetHeight() const { return height; }
    uint32_t GetTargetWidth() const { return targetwidth; }
    uint32_t GetTargetHeight() const { return targetheight; }
    const D3DPRESENT_PARAMETERS& GetPresentParameters() const { return presentparameters; }

    // Creates or resets the Direct3D device unless the system still holds it lost; true when it is usable.
    bool Restore();
    // Draws a frame through the draw callback and presents it when the device is usable; always validates
    // the window.
    void Present();
    void SetDrawCallback(qzCallback<> callback) { drawcallback = callback; }
    template <auto Method, class T> void SetDrawCallback(T* object) {
        drawcallback = qzCallback<>::Bind<Method>(object);
    }

    // For qzScene: every scene starts on the back buffer with alpha blending on and no scissor test.
    void BeginScene();
    void EndScene();

    // Null renders into the back buffer; a texture must be a render target of this device.
    void SetRenderTarget(qzTexture* rendertarget);

    void Clear(bool target, uint32_t color, bool depth, float z);
    void DisableScissor();
    // The scissor test on, around the pixels x .. x+width-1, y .. y+height-1.
    void SetScissor(int32_t x, int32_t y, int32_t width, int32_t height);
    void SetBlend(uint32_t operation, uint32_t source, uint32_t destination);
    void SetCullMode(uint32_t mode);
    void SetMaterialSources(uint32_t ambient, uint32_t diffuse, uint32_t specular, uint32_t emissive);
    void SetMaterial(float ambientr, float ambientg, float ambientb, float diffuser, float diffuseg,
                     float diffuseb, float specularr, float specularg, float specularb, float emissiver,
                     float emissiveg, float emissiveb, float alpha, float power);
    void SetAmbient(uint32_t color);
    void SetDepth(bool test, bool write);
    void SetLighting(bool lighting);
    void SetLastPixel(bool lastpixel);
    // Points are squares of this many pixels a side, centred on their positions, in world and screen space.
    void SetPointSize(float size);
    // An argument of -1 leaves its stage state as it is.
    void SetTextureStage(uint32_t stage, int32_t result, int32_t colorop, int32_t colorarg1,
                         int32_t colorarg2, int32_t alphaop, int32_t alphaarg1, int32_t alphaarg2);
    void SetTextureStageModulate(uint32_t stage);
    void DisableTextureStage(uint32_t stage);
    void SetSampler(uint32_t stage, uint32_t minfilter, uint32_t magfilter, bool mipmapping);
    void SetWorld(const qzMatrix& matrix);
    void SetView(const qzMatrix& matrix);
    // Squeezes the clip space of the projection into the rectangle (left, top, width, height) of the render
    // target, given in fractions of it with the origin at the top left.
    void SetProjection(const qzMatrix& projection, float left, float top, float width, float height);
    // The projection that SetProjection hands to Direct3D.
    static qzMatrix SubRectangleProjection(const qzMatrix& projection, double left, double top, double width,
                                           double height);

    // The Direct3D device, for the resources made on it; null until the first successful creation.
    qzRenderDevice* GetD3DDevice() const { return device; }

    qzWindow* window = nullptr;
    bool lost = false;
    qzObjectList<qzVertexBufferInternal> vertexbuffers;
    qzObjectList<qzIndexBuffer> indexbuffers;
    qzObjectList<qzTexture> textures;
    qzObjectList<qzLight> lights;

private:
    void _ResetDevice();
    void AssertUsable() const;

    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t targetwidth = 0;
    uint32_t targetheight = 0;
    bool reference = false;
    D3DPRESENT_PARAMETERS presentparameters;
    qzRenderDevice* device = nullptr;
    qzCallback<> drawcallback;
};
