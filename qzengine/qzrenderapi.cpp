#include "qzrenderapi.h"

#include "qzdebugoutput.h"
#include "qzstring.h"

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

bool qzRenderCounters::CountPresent(const char* device) {
    ++presents;
    if (logframes) {
        qzString line("[");
        line.Append(device);
        line.Append("] Present: ");
        line.AppendUInt(static_cast<uint32_t>(drawcalls - framedrawcalls));
        line.Append(" draw calls, ");
        line.AppendUInt(static_cast<uint32_t>(vertices - framevertices));
        line.Append(" vertices.\n");
        qzOutputDebugString(line);
    }
    framedrawcalls = drawcalls;
    framevertices = vertices;
    return loseevery != 0 && presents % loseevery == 0;
}
