// The Direct3D 9 interface carried on OpenGL 3.3 core: devices render into the native window of a qzWindow
// through their own context. The hooks at the end let tests lose the device at will and count the work.
#pragma once

#include "qzrenderapi.h"

#include <cstdint>

class QSurfaceFormat;
class QWindow;
class qzQtPlatform;
class qzGLDevice;

class qzGLRenderApi : public qzRenderApi, public qzRenderCounters {
public:
    explicit qzGLRenderApi(qzQtPlatform& platform) : platform(platform) {}
    ~qzGLRenderApi() override;

    HRESULT CheckDeviceMultiSampleType(uint32_t adapter, D3DDEVTYPE type, D3DFORMAT format, bool windowed,
                                       D3DMULTISAMPLE_TYPE multisample, uint32_t* qualitylevels) override;
    HRESULT CreateDevice(uint32_t adapter, D3DDEVTYPE type, qzWindowHandle focus, uint32_t behaviour,
                         D3DPRESENT_PARAMETERS* parameters, qzRenderDevice** device) override;

    // Loses every device as a lost context would: they answer lost once, then resettable, and a reset
    // builds the context again with the managed resources.
    void LoseDevices();
    // The native window of a focus window, readied for this format; null when it is gone.
    QWindow* PrepareWindow(qzWindowHandle focus, const QSurfaceFormat& format);

private:
    friend class qzGLDevice;
    // Counts a present and loses the devices when their turn has come.
    void CountPresent();
    qzQtPlatform& platform;
    qzGLDevice* devices = nullptr; // intrusive list of the live devices
    int maxsamples = -1;           // asked of the driver once
};
