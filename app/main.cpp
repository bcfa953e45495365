// The program's entry point: the command line, the platform, the crash handlers, the engine root, the
// application and its loop, and the order in which they end.
#include "assimpimport.h"
#include "meshdata.h"
#include "pw2_main.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "pw2_unhandledexception.h"
#include "qzmain.h"
#ifdef _WIN32
#include "qzd3d9renderapi.h"
#include "qzwin32platform.h"
#else
#include "qzglrenderapi.h"
#include "qzqtplatform.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char USAGE[] =
    "Usage: facetwright [FILE]\n"
    "       facetwright --convert INPUT OUTPUT\n"
    "       facetwright --help\n"
    "\n"
    "Opens FILE in the editor, or the sample scene without one. OBJ, PLY, STL and OFF are read\n"
    "and written; glTF, FBX, Collada, 3DS and the other formats of assimp are imported.\n"
    "--convert reads INPUT and writes OUTPUT without a window; the format of OUTPUT follows\n"
    "its extension (.obj, .ply, .stl or .off).\n";

// the files of the command line
std::string startfile, convertoutput;

int RunApplication() {
    qzMain qzmain(1);
    {
        pw2_Main application(&qzmain, nullptr, startfile);
        application.Run();
    }
    return 0;
}

// Reads one file into a model and writes it to the other: the same load and save as the editor's, and the
// same log lines.
int Convert() {
    const std::string& input = startfile;
    const std::string& output = convertoutput;
    pw2_Model model(false);
    pw2_ModelGeometry* geometry = model.CreateGeometry();
    pw2_Progress progress;
    try {
        pw2_Model::Load(input, *geometry, progress);
        model.Replace(geometry, input);
        model.Save(output);
    } catch (const pw2_ModelFileError& e) {
        // the model deletes its geometries, the unused one too
        std::fprintf(stderr, "facetwright: %s\n", e.what());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--import-child") == 0)
        // no crash handler here: a crash of the import library ends this process, which the editor reports
        return pw2_RunImportChild(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "--convert") == 0) {
        startfile = argv[2];
        convertoutput = argv[3];
        pw2_InstallCrashHandlers();
        return pw2_RunGuarded(Convert);
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    if (argc == 2)
        startfile = argv[1];
    pw2_InstallCrashHandlers();
#ifdef _WIN32
    qzWin32Platform platform;
    qzD3D9RenderApi direct3d;
#else
    // The platform stays to the end of the process: closing the display would unload the GL driver, which
    // then cannot name the allocations it keeps for good.
    qzQtPlatform& platform = *new qzQtPlatform(argc, argv);
    qzGLRenderApi direct3d(platform);
#endif
    qzSetRenderApi(&direct3d);
    // Measurement only: the window tests count the frames and their draw calls.
    direct3d.logframes = std::getenv("FACETWRIGHT_LOG_FRAMES") != nullptr;
    // Testing only: the storm test loses the device after every n-th frame.
    if (const char* every = std::getenv("FACETWRIGHT_LOSE_DEVICE_EVERY"))
        direct3d.loseevery = static_cast<uint32_t>(std::strtoul(every, nullptr, 10));
    return pw2_RunGuarded(RunApplication);
}
