#include "qzglrenderapi.h"

#include "qzgldevice.h"
#include "qzqtplatform.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>

qzGLRenderApi::~qzGLRenderApi() = default;

QWindow* qzGLRenderApi::PrepareWindow(qzWindowHandle focus, const QSurfaceFormat& format) {
    return platform.PrepareOpenGLSurface(focus, format);
}

HRESULT qzGLRenderApi::CheckDeviceMultiSampleType(uint32_t adapter, D3DDEVTYPE, D3DFORMAT format, bool,
                                                  D3DMULTISAMPLE_TYPE multisample, uint32_t* qualitylevels) {
    if (adapter != D3DADAPTER_DEFAULT)
        return D3DERR_INVALIDCALL;
    if (format != D3DFMT_X8R8G8B8 && format != D3DFMT_A8R8G8B8 && format != D3DFMT_D16)
        return D3DERR_NOTAVAILABLE;
    if (maxsamples < 0) {
        // The driver is asked once, in a context of its own.
        maxsamples = 0;
        QOffscreenSurface surface;
        surface.create();
        QOpenGLContext context;
        QSurfaceFormat requested;
        requested.setVersion(3, 3);
        requested.setProfile(QSurfaceFormat::CoreProfile);
        context.setFormat(requested);
        if (context.create() && context.makeCurrent(&surface)) {
            if (auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(&context))
                gl->glGetIntegerv(GL_MAX_SAMPLES, &maxsamples);
            context.doneCurrent();
        }
    }
    // Quality level q stands for 2 << q samples.
    uint32_t levels = 0;
    while ((2 << levels) <= maxsamples)
        ++levels;
    if (multisample == D3DMULTISAMPLE_NONE) {
        if (qualitylevels != nullptr)
            *qualitylevels = 1;
        return D3D_OK;
    }
    if (levels == 0)
        return D3DERR_NOTAVAILABLE;
    if (qualitylevels != nullptr)
        *qualitylevels = levels;
    return D3D_OK;
}

HRESULT qzGLRenderApi::CreateDevice(uint32_t adapter, D3DDEVTYPE, qzWindowHandle focus, uint32_t,
                                    D3DPRESENT_PARAMETERS* parameters, qzRenderDevice** device) {
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (adapter != D3DADAPTER_DEFAULT || parameters == nullptr || focus == 0)
        return D3DERR_INVALIDCALL;
    auto* created = new qzGLDevice(this, focus);
    HRESULT result = created->Initialise(*parameters);
    if (result != D3D_OK) {
        created->Release();
        return result;
    }
    *device = created;
    return D3D_OK;
}

void qzGLRenderApi::LoseDevices() {
    for (qzGLDevice* device = devices; device != nullptr; device = device->next)
        device->LoseContext();
}

void qzGLRenderApi::CountPresent() {
    if (qzRenderCounters::CountPresent("qzGLDevice"))
        LoseDevices();
}
