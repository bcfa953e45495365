#include "qzplatform.h"

#include "qzassert.h"

namespace {

qzPlatform* installed = nullptr;

} // namespace

void qzSetPlatform(qzPlatform* platform) {
    installed = platform;
}

qzPlatform& qzGetPlatform() {
    QZASSERT(installed != nullptr, "platform!=NULL");
    return *installed;
}

bool qzHasPlatform() {
    return installed != nullptr;
}
