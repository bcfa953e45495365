#include "pw2_renderpass.h"

#include "qzdevice.h"

namespace {

constexpr float POINT_SIZE = 3;

// Stage 0 off, so that the vertices' first colour is drawn; or, see-through, their second colour chosen for
// colour and alpha alike. Stage 1 is off either way.
void ColorStages(qzDevice& device, bool secondcolor) {
    if (secondcolor)
        device.SetTextureStage(0, -1, D3DTOP_SELECTARG1, D3DTA_SPECULAR, -1, D3DTOP_SELECTARG1,
                               D3DTA_SPECULAR, -1);
    else
        device.DisableTextureStage(0);
    device.DisableTextureStage(1);
}

} // namespace

void pw2_BeginInterface(qzDevice& device) {
    device.SetLighting(false);
    device.SetDepth(false, false);
    ColorStages(device, false);
    device.SetLastPixel(true);
}

void pw2_BeginTextured(qzDevice& device) {
    device.SetLighting(false);
    device.SetDepth(false, false);
    device.SetTextureStageModulate(0);
    device.SetSampler(0, D3DTEXF_POINT, D3DTEXF_POINT, false);
    device.DisableTextureStage(1);
}

void pw2_BeginLitFaces(qzDevice& device, bool schematic) {
    device.SetLighting(true);
    device.SetDepth(true, true);
    ColorStages(device, false);
    const uint32_t source = schematic ? D3DMCS_COLOR2 : D3DMCS_COLOR1;
    device.SetMaterialSources(source, source, D3DMCS_MATERIAL, D3DMCS_MATERIAL);
}

void pw2_BeginLines(qzDevice& device, bool depthtest, bool depthwrite, bool seethrough) {
    device.SetLighting(false);
    device.SetDepth(depthtest, depthwrite);
    ColorStages(device, seethrough);
    device.SetLastPixel(true);
}

void pw2_BeginPoints(qzDevice& device, bool depth, bool seethrough) {
    device.SetLighting(false);
    device.SetDepth(depth, depth);
    ColorStages(device, seethrough);
    device.SetPointSize(POINT_SIZE);
}
