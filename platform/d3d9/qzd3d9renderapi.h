// The Direct3D 9 interface carried by Direct3D 9 itself: every call is the real one on the native object
// each wrapper holds, with its result passed through. The api outlives the devices made from it.
#pragma once

#include "qzrenderapi.h"

#include <cstdint>

class qzD3D9Device;

class qzD3D9RenderApi : public qzRenderApi, public qzRenderCounters {
public:
    qzD3D9RenderApi();
    ~qzD3D9RenderApi() override;
    qzD3D9RenderApi(const qzD3D9RenderApi&) = delete;
    qzD3D9RenderApi& operator=(const qzD3D9RenderApi&) = delete;

    HRESULT CheckDeviceMultiSampleType(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT format, bool windowed,
                                       D3DMULTISAMPLE_TYPE multisample, uint32_t* qualitylevels) override;
    // D3DERR_NOTAVAILABLE when Direct3D 9 itself could not be made.
    HRESULT CreateDevice(uint32_t adapter, D3DDEVTYPE type, qzWindowHandle focus, uint32_t behaviour,
                         D3DPRESENT_PARAMETERS* parameters, qzRenderDevice** device) override;

    // Direct3D 9 cannot lose a device on demand, so the wrapper plays it: every live device answers lost
    // once, then resettable, until its application resets it with the real Reset.
    void LoseDevices();

private:
    friend class qzD3D9Device;
    // Counts a present and loses the devices when their turn has come.
    void CountPresent();
    void* direct3d = nullptr;        // the native IDirect3D9
    qzD3D9Device* devices = nullptr; // intrusive list of the live devices
};
