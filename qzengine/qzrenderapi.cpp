#include "qzrenderapi.h"

namespace {

qzRenderApi* installed = nullptr;

} // namespace

void qzSetRenderApi(qzRenderApi* api) {
    installed = api;
}

qzRenderApi* qzGetRenderApi() {
    return installed;
}

uint32_t qzVertexCountOf(D3DPRIMITIVETYPE type, uint32_t primitivecount) {
    switch (type) {
    case D3DPT_POINTLIST:
        return primitivecount;
    case D3DPT_LINELIST:
        return primitivecount * 2;
    case D3DPT_LINESTRIP:
        return primitivecount + 1;
    case D3DPT_TRIANGLELIST:
        return primitivecount * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        return primitivecount + 2;
    }
    return 0;
}
