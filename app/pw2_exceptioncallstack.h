// The code addresses of a call stack and the symbols that name them: the table "symbols" of
// debugsymbols.dat, made at build time from the executable's own symbol table (ELF or PE).
// The capture and the load address are the operating system's part
// (platform/<os>/pw2_exceptioncallstack.cpp); the symbols, the text of the stack and the symbol file are the
// same everywhere.
#pragma once

#include "qzstring.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct pw2_ExceptionCallStack {
    static constexpr uint32_t MAXADDRESSES = 100;

    // The return addresses of the frames above the caller, innermost first, leaving out the innermost skip.
    void Capture(uint32_t skip = 0);
    // From the machine state of a fault (a signal's ucontext_t on POSIX, the CONTEXT record of a structured
    // exception on Windows): the faulting instruction, then the return addresses of the frames above it.
    void CaptureFrom(const void* machinecontext);
    // Readies the calling thread now, so that a later capture in a signal handler makes no call that is
    // unsafe there.
    static void PrepareThread();

    uintptr_t addresses[MAXADDRESSES];
    uint32_t count = 0;
    // The first address is the instruction itself (a fault's), not a return address.
    bool firstisinstruction = false;
};

struct pw2_Symbol {
    std::string name;
    uint32_t address; // offset of the function from the executable's load address
    uint32_t size;
};

// The symbols of a CompactDB image; none when it is not a valid symbol file.
std::vector<pw2_Symbol> pw2_LoadSymbols(const void* image, size_t size);
// The symbols of debugsymbols.dat beside the executable.
std::vector<pw2_Symbol> pw2_LoadSymbolFile();

// One line per address: all its hexadecimal digits, then the name of the first symbol holding it (a return
// address: its call) and the offset.
void pw2_FormatCallStack(qzString& text, const pw2_ExceptionCallStack& stack,
                         const std::vector<pw2_Symbol>& symbols, uintptr_t loadaddress);
qzString pw2_ReportText(const char* location, const char* exception, const qzString& callstack);
// The address the executable is loaded at.
uintptr_t pw2_GetLoadAddress();

// A symbol file (CompactDB, tag "seds") of the functions in an executable's symbol table, demangled, at
// their offsets from the load address: a 64-bit little-endian ELF file, or a PE32+ image with its COFF
// symbol table (as mingw-w64 links it). Throws qzFormatException for anything else.
std::vector<uint8_t> pw2_MakeSymbolFile(const void* executable, size_t size, bool compress);
