// symgen EXECUTABLE OUTPUT: writes the symbol file of an executable (its functions from its symbol table,
// demangled) that the crash report uses to name the addresses of a call stack. It runs on the build machine
// and reads the Linux build's ELF executables and the Windows build's PE32+ images alike.
#include "pw2_exceptioncallstack.h"
#include "qzexceptions.h"
#include "qzfile.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: symgen EXECUTABLE OUTPUT\n");
        return 2;
    }
    try {
        qzString executable;
        qzFile in;
        in.Open(argv[1], true, false, true, false, OPEN_EXISTING);
        in.ReadAll(executable);
        std::vector<uint8_t> image = pw2_MakeSymbolFile(executable.GetData(), executable.GetLength(), true);
        qzFile out;
        out.Open(argv[2], false, true, false, false, CREATE_ALWAYS);
        out.Write(image.data(), static_cast<uint32_t>(image.size()));
    } catch (const qzIOException&) {
        std::fprintf(stderr, "symgen: %s or %s cannot be read or written\n", argv[1], argv[2]);
        return 1;
    } catch (const qzFormatException&) {
        std::fprintf(stderr, "symgen: %s is neither a 64-bit ELF executable nor a PE32+ image\n", argv[1]);
        return 1;
    }
    return 0;
}
