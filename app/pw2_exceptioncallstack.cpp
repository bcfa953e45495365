#include "pw2_exceptioncallstack.h"

#include "compactdb.h"
#include "qzexceptions.h"
#include "qzfile.h"
#include "qzfilesystem.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <elf.h>
#include <execinfo.h>
#include <pthread.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct StackRange {
    uintptr_t low = 0;
    uintptr_t high = 0;
    bool known = false;
};

// Read once per thread: the query allocates and reads files, which a signal handler must not do.
thread_local StackRange stackrange;

// The bounds of this thread's stack: a frame pointer outside them (code built without frame pointers leaves
// anything in that register) ends the walk instead of being followed.
bool StackBounds(uintptr_t* low, uintptr_t* high) {
    if (!stackrange.known) {
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) != 0)
            return false;
        void* base = nullptr;
        size_t size = 0;
        bool ok = pthread_attr_getstack(&attributes, &base, &size) == 0;
        pthread_attr_destroy(&attributes);
        if (!ok)
            return false;
        stackrange.low = reinterpret_cast<uintptr_t>(base);
        stackrange.high = stackrange.low + size;
        stackrange.known = true;
    }
    *low = stackrange.low;
    *high = stackrange.high;
    return true;
}

void Walk(pw2_ExceptionCallStack& stack, uintptr_t frame, uint32_t skip) {
    uintptr_t low, high;
    if (!StackBounds(&low, &high))
        return;
    // Each frame holds the caller's frame pointer, then the return address; frames lie ever higher on the
    // stack.
    while (stack.count < pw2_ExceptionCallStack::MAXADDRESSES && frame >= low && frame + 16 <= high &&
           frame % 8 == 0) {
        const uintptr_t* words = reinterpret_cast<const uintptr_t*>(frame);
        if (words[1] == 0)
            break;
        if (skip > 0)
            --skip;
        else
            stack.addresses[stack.count++] = words[1];
        if (words[0] <= frame)
            break;
        frame = words[0];
    }
}

} // namespace

__attribute__((noinline)) void pw2_ExceptionCallStack::Capture(uint32_t skip) {
    count = 0;
    firstisinstruction = false;
    Walk(*this, reinterpret_cast<uintptr_t>(__builtin_frame_address(0)), skip);
}

void pw2_ExceptionCallStack::PrepareThread() {
    uintptr_t low, high;
    StackBounds(&low, &high);
    // The first unwind loads the unwinder's library; a signal handler must not be the one to do it.
    void* frame[1];
    backtrace(frame, 1);
}

void pw2_ExceptionCallStack::CaptureFrom(uintptr_t instruction, uintptr_t framepointer) {
    count = 0;
    firstisinstruction = true;
    addresses[count++] = instruction;
    Walk(*this, framepointer, 0);
}

void pw2_ExceptionCallStack::CaptureUnwound(uintptr_t instruction) {
    void* frames[MAXADDRESSES + 32];
    int n = backtrace(frames, MAXADDRESSES + 32);
    int at = 0;
    while (at < n && reinterpret_cast<uintptr_t>(frames[at]) != instruction)
        ++at;
    if (at == n)
        return;
    count = 0;
    firstisinstruction = true;
    for (int i = at; i < n && count < MAXADDRESSES; ++i)
        addresses[count++] = reinterpret_cast<uintptr_t>(frames[i]);
}

std::vector<pw2_Symbol> pw2_LoadSymbols(const void* image, size_t size) {
    std::vector<pw2_Symbol> symbols;
    CompactDB_Reader db;
    if (!db.Load(image, size, "seds"))
        return symbols;
    CompactDB_Table table = db.FindTable("symbols");
    if (!table.Exists())
        return symbols;
    CompactDB_Field name = table.FindField("name"), address = table.FindField("address"),
                    length = table.FindField("size");
    if (!name.Exists() || !address.Exists() || !length.Exists())
        return symbols;
    symbols.reserve(table.GetRowCount());
    for (uint32_t i = 0; i < table.GetRowCount(); ++i) {
        CompactDB_Row row = table.GetRow(i);
        pw2_Symbol symbol{{}, row.GetUInt(address), row.GetUInt(length)};
        // A name offset outside the data area, or a name without its zero, leaves the entry without a name.
        uint32_t at = row.GetUInt(name);
        if (at < db.GetDataSize()) {
            const char* text = db.GetData(at);
            size_t n = strnlen(text, db.GetDataSize() - at);
            if (n < db.GetDataSize() - at)
                symbol.name.assign(text, n);
        }
        symbols.push_back(std::move(symbol));
    }
    return symbols;
}

std::vector<pw2_Symbol> pw2_LoadSymbolFile() {
    try {
        qzString path = qzGetDirectoryPart(qzGetExecutablePath().GetData());
        path.Append("/debugsymbols.dat");
        qzString image;
        qzFile file;
        file.Open(path.GetData(), true, false, true, false, OPEN_EXISTING);
        file.ReadAll(image);
        return pw2_LoadSymbols(image.GetData(), image.GetLength());
    } catch (const qzIOException&) {
        return {};
    }
}

void pw2_FormatCallStack(qzString& text, const pw2_ExceptionCallStack& stack,
                         const std::vector<pw2_Symbol>& symbols, uintptr_t loadaddress) {
    for (uint32_t i = 0; i < stack.count; ++i) {
        uintptr_t a = stack.addresses[i];
        text.AppendHex32(static_cast<uint32_t>(static_cast<uint64_t>(a) >> 32), true);
        text.AppendHex32(static_cast<uint32_t>(a), true);
        uint64_t r = static_cast<uint64_t>(a) - loadaddress;
        // A return address follows its call, which may be the last instruction of its function (a call that
        // does not return): it is looked up one byte earlier, inside the call.
        uint64_t at = i == 0 && stack.firstisinstruction ? r : r - 1;
        for (const pw2_Symbol& s : symbols)
            if (s.address <= at && at < static_cast<uint64_t>(s.address) + s.size) {
                text.Append(' ');
                text.Append(s.name.c_str());
                text.Append(" + ");
                text.AppendUInt(static_cast<uint32_t>(r - s.address));
                break;
            }
        text.Append('\n');
    }
}

qzString pw2_ReportText(const char* location, const char* exception, const qzString& callstack) {
    qzString text("Location:\n");
    text.Append(location);
    text.Append("\n\nException:\n");
    text.Append(exception);
    text.Append("\n\nCall stack:\n");
    text.Append(callstack);
    return text;
}

uintptr_t pw2_GetLoadAddress() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&pw2_GetLoadAddress), &info) == 0)
        return 0;
    return reinterpret_cast<uintptr_t>(info.dli_fbase);
}

std::vector<uint8_t> pw2_MakeSymbolFile(const void* elf, size_t size, bool compress) {
    const uint8_t* bytes = static_cast<const uint8_t*>(elf);
    Elf64_Ehdr header;
    if (size < sizeof header)
        throw qzFormatException();
    std::memcpy(&header, bytes, sizeof header);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
        header.e_ident[EI_DATA] != ELFDATA2LSB || header.e_shentsize != sizeof(Elf64_Shdr) ||
        header.e_shoff > size || header.e_shnum > (size - header.e_shoff) / sizeof(Elf64_Shdr))
        throw qzFormatException();
    auto section = [&](uint32_t i) {
        Elf64_Shdr s;
        std::memcpy(&s, bytes + header.e_shoff + static_cast<size_t>(i) * sizeof s, sizeof s);
        return s;
    };
    struct Entry {
        std::string name;
        uint64_t address, size;
    };
    std::vector<Entry> functions;
    for (uint32_t i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr symtab = section(i);
        if (symtab.sh_type != SHT_SYMTAB || symtab.sh_link >= header.e_shnum)
            continue;
        Elf64_Shdr strtab = section(symtab.sh_link);
        if (symtab.sh_offset > size || symtab.sh_size > size - symtab.sh_offset || strtab.sh_offset > size ||
            strtab.sh_size > size - strtab.sh_offset)
            throw qzFormatException();
        for (uint64_t at = 0; at + sizeof(Elf64_Sym) <= symtab.sh_size; at += sizeof(Elf64_Sym)) {
            Elf64_Sym sym;
            std::memcpy(&sym, bytes + symtab.sh_offset + at, sizeof sym);
            if (ELF64_ST_TYPE(sym.st_info) != STT_FUNC || sym.st_size == 0 || sym.st_value == 0 ||
                sym.st_name >= strtab.sh_size || sym.st_value > 0xFFFFFFFFu || sym.st_size > 0xFFFFFFFFu)
                continue;
            const char* raw = reinterpret_cast<const char*>(bytes + strtab.sh_offset + sym.st_name);
            std::string mangled(raw, strnlen(raw, strtab.sh_size - sym.st_name));
            int status = 0;
            std::unique_ptr<char, decltype(&std::free)> demangled(
                abi::__cxa_demangle(mangled.c_str(), nullptr, nullptr, &status), std::free);
            functions.push_back({status == 0 ? demangled.get() : mangled, sym.st_value, sym.st_size});
        }
    }
    std::stable_sort(functions.begin(), functions.end(),
                     [](const Entry& a, const Entry& b) { return a.address < b.address; });
    // Aliases (a destructor's variants, say) name the same code once.
    functions.erase(std::unique(functions.begin(), functions.end(),
                                [](const Entry& a, const Entry& b) {
                                    return a.address == b.address && a.size == b.size;
                                }),
                    functions.end());

    CompactDB_Writer writer;
    writer.AddTable("symbols");
    writer.AddField("name", 4);
    writer.AddField("address", 4);
    writer.AddField("size", 4);
    std::vector<uint32_t> names;
    names.reserve(functions.size());
    for (const Entry& f : functions)
        names.push_back(writer.AddString(f.name.c_str()));
    uint8_t* row = writer.BeginRows(static_cast<uint32_t>(functions.size()));
    for (size_t i = 0; i < functions.size(); ++i, row += 12) {
        uint32_t values[3] = {names[i], static_cast<uint32_t>(functions[i].address),
                              static_cast<uint32_t>(functions[i].size)};
        std::memcpy(row, values, sizeof values);
    }
    return writer.Save("seds", nullptr, 0, compress);
}
