#include "qzlight.h"

#include "qzassert.h"
#include "qzdevice.h"

qzLight::~qzLight() {
    if (device != nullptr)
        Destroy();
}

void qzLight::Create(qzDevice* _device) {
    QZASSERT(device == nullptr, "device==NULL");
    device = _device;
    uint32_t candidate = 0;
    for (qzLight* other = device->lights.first; other != nullptr;) {
        if (other->index == candidate) {
            ++candidate;
            other = device->lights.first;
        } else {
            other = other->next;
        }
    }
    index = candidate;
    light = D3DLIGHT9();
    device->lights.Append(this);
}

void qzLight::Destroy() {
    QZASSERT(device != nullptr, "device!=NULL");
    if (device->GetD3DDevice() != nullptr)
        device->GetD3DDevice()->LightEnable(index, false);
    Unlink();
    device = nullptr;
}

void qzLight::SetColors(float ambientr, float ambientg, float ambientb, float diffuser, float diffuseg,
                        float diffuseb, float specularr, float specularg, float specularb) {
    light.Ambient = D3DCOLORVALUE{ambientr, ambientg, ambientb, 0};
    light.Diffuse = D3DCOLORVALUE{diffuser, diffuseg, diffuseb, 0};
    light.Specular = D3DCOLORVALUE{specularr, specularg, specularb, 0};
}

void qzLight::Apply() const {
    QZASSERT(device != nullptr, "device!=NULL");
    QZASSERT(!device->lost, "!device->lost");
    device->GetD3DDevice()->SetLight(index, &light);
}

void qzLight::Enable(bool enable) const {
    QZASSERT(device != nullptr, "device!=NULL");
    QZASSERT(!device->lost, "!device->lost");
    device->GetD3DDevice()->LightEnable(index, enable);
}
