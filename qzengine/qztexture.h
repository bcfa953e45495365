// A Direct3D texture of A8R8G8B8 pixels, sized up to powers of two: a managed texture made from an image
// (it survives device resets), or a render target (destroyed by every reset). A member of its device's
// texture list.
#pragma once

#include "qzobjectlist.h"
#include "qzrenderapi.h"

#include <cstdint>

class qzDevice;
class qzImage;

class qzTexture : public qzObjectNode<qzTexture> {
public:
    qzTexture() = default;
    ~qzTexture();

    void Create(qzDevice* device, uint32_t width, uint32_t height, bool mipmaps, bool rendertarget);
    void CreateFromImage(qzDevice* device, const qzImage* img, bool mipmaps);
    void Destroy();
    bool Exists() const { return device != nullptr; }

    // Only managed textures lock; data and pitch describe level 0 while locked.
    void Lock();
    void Unlock();
    // Writes the image into the locked level 0; the columns beyond it become transparent black.
    void Upload(const qzImage* img);
    // Reads the locked level 0 back into the image, at the size asked for.
    void Download(qzImage* img) const;
    void SetTexture(uint32_t stage) const;

    uint32_t GetWidth() const { return width; }
    uint32_t GetHeight() const { return height; }
    uint32_t GetOriginalWidth() const { return originalw; }
    uint32_t GetOriginalHeight() const { return originalh; }
    qzRenderTexture* GetD3DTexture() const { return texture; }

    qzDevice* device = nullptr;
    qzRenderTexture* texture = nullptr;
    uint32_t originalw = 0;
    uint32_t originalh = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    bool managed = false;
    uint8_t* data = nullptr;
    uint32_t pitch = 0;
};

// The next power of two at or above value (1 for 0 and 1); values above 2^31 give 2^31.
uint32_t qzRoundUpToPowerOfTwo(uint32_t value);
