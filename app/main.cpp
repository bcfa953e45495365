// The program's entry point: the platform, the crash handlers, the engine root, the application and its
// loop, and the order in which they end.
#include "pw2_main.h"
#include "pw2_unhandledexception.h"
#include "qzglrenderapi.h"
#include "qzmain.h"
#include "qzqtplatform.h"

#include <cstdlib>

namespace {

int RunApplication() {
    qzMain qzmain(1);
    {
        pw2_Main application(&qzmain);
        application.Run();
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    pw2_InstallCrashHandlers();
    // The platform stays to the end of the process: closing the display would unload the GL driver, which
    // then cannot name the allocations it keeps for good.
    qzQtPlatform& platform = *new qzQtPlatform(argc, argv);
    qzGLRenderApi direct3d(platform);
    qzSetRenderApi(&direct3d);
    // Measurement only: the window tests count the frames and their draw calls.
    direct3d.logframes = std::getenv("FACETWRIGHT_LOG_FRAMES") != nullptr;
    // Testing only: the storm test loses the device after every n-th frame.
    if (const char* every = std::getenv("FACETWRIGHT_LOSE_DEVICE_EVERY"))
        direct3d.loseevery = static_cast<uint32_t>(std::strtoul(every, nullptr, 10));
    return pw2_RunGuarded(RunApplication);
}
