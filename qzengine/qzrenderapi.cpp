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
