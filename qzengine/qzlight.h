// One Direct3D light on a device, under the lowest index no other light of the device uses. A member of the
// device's light list, so that a reset can switch it off; its owner applies and enables it again.
#pragma once

#include "qzobjectlist.h"
#include "qzrenderapi.h"

#include <cstdint>

class qzDevice;

class qzLight : public qzObjectNode<qzLight> {
public:
    qzLight() = default;
    ~qzLight();

    void Create(qzDevice* device);
    void Destroy();
    bool Exists() const { return device != nullptr; }

    void SetType(D3DLIGHTTYPE type) { light.Type = type; }
    void SetColors(float ambientr, float ambientg, float ambientb, float diffuser, float diffuseg,
                   float diffuseb, float specularr, float specularg, float specularb);
    void SetDirection(float x, float y, float z) { light.Direction = D3DVECTOR{x, y, z}; }
    void Apply() const;
    void Enable(bool enable) const;

    uint32_t GetIndex() const { return index; }
    const D3DLIGHT9& GetRecord() const { return light; }

    qzDevice* device = nullptr;

private:
    uint32_t index = 0;
    D3DLIGHT9 light;
};
