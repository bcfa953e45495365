// The program's entry point: the platform, the engine root, the application and its loop, and the order in
// which they end.
#include "pw2_main.h"
#include "qzdebugoutput.h"
#include "qzglrenderapi.h"
#include "qzmain.h"
#include "qzqtplatform.h"

#include <exception>

int main(int argc, char** argv) {
    // The platform stays to the end of the process: closing the display would unload the GL driver, which
    // then cannot name the allocations it keeps for good.
    qzQtPlatform& platform = *new qzQtPlatform(argc, argv);
    qzGLRenderApi direct3d(platform);
    qzSetRenderApi(&direct3d);
    try {
        qzMain qzmain(1);
        {
            pw2_Main application(&qzmain);
            application.Run();
        }
        return 0;
    } catch (const char* text) {
        // The report of an exception that reaches the top: its text on the debug output, then a failed exit.
        qzString line(text);
        line.Append('\n');
        qzOutputDebugString(line);
    } catch (const std::exception& failure) {
        qzString line(failure.what());
        line.Append('\n');
        qzOutputDebugString(line);
    }
    return 1;
}
