// symgen EXECUTABLE OUTPUT: writes the symbol file of an executable (its functions from the ELF symbol table,
// demangled) that the crash report uses to name the addresses of a call stack.
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
        qzString elf;
        qzFile in;
        in.Open(argv[1], true, false, true, false, OPEN_EXISTING);
        in.ReadAll(elf);
        std::vector<uint8_t> image = pw2_MakeSymbolFile(elf.GetData(), elf.GetLength(), true);
        qzFile out;
        out.Open(argv[2], false, true, false, false, CREATE_ALWAYS);
        out.Write(image.data(), static_cast<uint32_t>(image.size()));
    } catch (const qzIOException&) {
        std::fprintf(stderr, "symgen: %s or %s cannot be read or written\n", argv[1], argv[2]);
        return 1;
    } catch (const qzFormatException&) {
        std::fprintf(stderr, "symgen: %s is not a 64-bit ELF executable\n", argv[1]);
        return 1;
    }
    return 0;
}
