// The program's entry point: the platform, the crash handlers, the engine root, the application and its
// loop, and the order in which they end.
#include "pw2_main.h"
#include "pw2_unhandledexception.h"
#include "qzmain.h"
#include "qzqtplatform.h"

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
    qzQtPlatform platform(argc, argv);
    return pw2_RunGuarded(RunApplication);
}
