#include "pw2_exceptioncallstack.h"

#include "compactdb.h"
#include "qzexceptions.h"
#include "qzfile.h"
#include "qzfilesystem.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// A function of the executable: its mangled name and its offset from the load address.
struct Function {
    std::string name;
    uint64_t address, size;
};

// Little-endian fields of an executable image, every read checked against its end.
class ImageBytes {
public:
    ImageBytes(const void* data, size_t size) : bytes(static_cast<const uint8_t*>(data)), size(size) {}

    bool Holds(uint64_t offset, uint64_t length) const { return offset <= size && length <= size - offset; }
    uint64_t Read(uint64_t offset, unsigned length) const {
        if (!Holds(offset, length))
            throw qzFormatException();
        uint64_t value = 0;
        for (unsigned i = 0; i < length; ++i)
            value |= static_cast<uint64_t>(bytes[offset + i]) << (8 * i);
        return value;
    }
    // A zero-terminated name inside [offset, end); cut at end when it has no zero.
    std::string Name(uint64_t offset, uint64_t end) const {
        if (end > size || offset >= end)
            return {};
        const char* text = reinterpret_cast<const char*>(bytes + offset);
        return std::string(text, strnlen(text, end - offset));
    }
    const uint8_t* bytes;
    size_t size;
};

bool IsElf64(const ImageBytes& image) {
    // "\x7F" "ELF", 64-bit class, little-endian data.
    return image.Holds(0, 64) && std::memcmp(image.bytes,
                                             "\x7F"
                                             "ELF\x02\x01",
                                             6) == 0;
}

bool IsPe(const ImageBytes& image) {
    return image.Holds(0, 0x40) && image.bytes[0] == 'M' && image.bytes[1] == 'Z';
}

// The function symbols (STT_FUNC with a size) of every symbol table section.
std::vector<Function> ElfFunctions(const ImageBytes& image) {
    constexpr uint32_t SHT_SYMTAB = 2, STT_FUNC = 2, SECTIONSIZE = 64, SYMBOLSIZE = 24;
    const uint64_t sections = image.Read(40, 8);
    const uint64_t sectionsize = image.Read(58, 2), sectioncount = image.Read(60, 2);
    if (sectionsize != SECTIONSIZE || !image.Holds(sections, sectioncount * SECTIONSIZE))
        throw qzFormatException();
    std::vector<Function> functions;
    for (uint64_t i = 0; i < sectioncount; ++i) {
        const uint64_t symtab = sections + i * SECTIONSIZE;
        const uint64_t link = image.Read(symtab + 40, 4);
        if (image.Read(symtab + 4, 4) != SHT_SYMTAB || link >= sectioncount)
            continue;
        const uint64_t strtab = sections + link * SECTIONSIZE;
        const uint64_t symbols = image.Read(symtab + 24, 8), symbolbytes = image.Read(symtab + 32, 8);
        const uint64_t strings = image.Read(strtab + 24, 8), stringbytes = image.Read(strtab + 32, 8);
        if (!image.Holds(symbols, symbolbytes) || !image.Holds(strings, stringbytes))
            throw qzFormatException();
        for (uint64_t at = symbols; at + SYMBOLSIZE <= symbols + symbolbytes; at += SYMBOLSIZE) {
            const uint64_t name = image.Read(at, 4), info = image.Read(at + 4, 1);
            const uint64_t value = image.Read(at + 8, 8), size = image.Read(at + 16, 8);
            if ((info & 0xF) != STT_FUNC || size == 0 || value == 0 || name >= stringbytes)
                continue;
            functions.push_back({image.Name(strings + name, strings + stringbytes), value, size});
        }
    }
    return functions;
}

// The function symbols of the COFF symbol table that the linker keeps in the image. Their values are offsets
// into their sections, so that each one's offset from the load address is its section's relative virtual
// address plus the value, wherever the image is loaded. COFF gives no sizes: a function runs up to the next
// symbol of its section, or to the section's end.
std::vector<Function> PeFunctions(const ImageBytes& image) {
    constexpr uint64_t MACHINE_AMD64 = 0x8664, PE32PLUS = 0x20B;
    constexpr uint64_t SCN_CNT_CODE = 0x20, SCN_MEM_EXECUTE = 0x20000000;
    constexpr uint64_t CLASS_EXTERNAL = 2, CLASS_STATIC = 3, CLASS_LABEL = 6;
    constexpr uint64_t SECTIONSIZE = 40, SYMBOLSIZE = 18;
    const uint64_t pe = image.Read(0x3C, 4);
    if (image.Read(pe, 4) != 0x00004550 || image.Read(pe + 4, 2) != MACHINE_AMD64)
        throw qzFormatException();
    const uint64_t sectioncount = image.Read(pe + 6, 2);
    const uint64_t symbols = image.Read(pe + 12, 4), symbolcount = image.Read(pe + 16, 4);
    const uint64_t optional = pe + 24, optionalsize = image.Read(pe + 20, 2);
    if (optionalsize < 2 || image.Read(optional, 2) != PE32PLUS)
        throw qzFormatException();
    const uint64_t sections = optional + optionalsize;
    if (!image.Holds(sections, sectioncount * SECTIONSIZE))
        throw qzFormatException();
    // A stripped image has no symbol table, and no functions to name.
    if (symbols == 0 || symbolcount == 0)
        return {};
    const uint64_t strings = symbols + symbolcount * SYMBOLSIZE;
    if (!image.Holds(symbols, symbolcount * SYMBOLSIZE))
        throw qzFormatException();
    const uint64_t stringsend = image.Holds(strings, 4) ? strings + image.Read(strings, 4) : strings;
    if (!image.Holds(strings, stringsend - strings))
        throw qzFormatException();

    struct Section {
        uint64_t address, size;
        bool code;
        std::vector<uint64_t> starts; // of every symbol defined in it, the end of a function
    };
    std::vector<Section> table(sectioncount);
    for (uint64_t i = 0; i < sectioncount; ++i) {
        const uint64_t at = sections + i * SECTIONSIZE;
        const uint64_t virtualsize = image.Read(at + 8, 4), rawsize = image.Read(at + 16, 4);
        const uint64_t flags = image.Read(at + 36, 4);
        table[i] = {image.Read(at + 12, 4),
                    virtualsize != 0 ? virtualsize : rawsize,
                    (flags & (SCN_CNT_CODE | SCN_MEM_EXECUTE)) != 0,
                    {}};
    }
    struct Candidate {
        uint64_t symbol, section, value;
    };
    std::vector<Candidate> candidates;
    for (uint64_t i = 0; i < symbolcount; i += 1 + image.Read(symbols + i * SYMBOLSIZE + 17, 1)) {
        const uint64_t at = symbols + i * SYMBOLSIZE;
        const int16_t number = static_cast<int16_t>(image.Read(at + 12, 2));
        const uint64_t value = image.Read(at + 8, 4), type = image.Read(at + 14, 2);
        const uint64_t storage = image.Read(at + 16, 1);
        if (number < 1 || static_cast<uint64_t>(number) > sectioncount ||
            (storage != CLASS_EXTERNAL && storage != CLASS_STATIC && storage != CLASS_LABEL))
            continue;
        Section& section = table[number - 1];
        section.starts.push_back(value);
        // The derived type "function" in bits 4 and 5 of the type.
        if (section.code && ((type >> 4) & 3) == 2 && storage != CLASS_LABEL && value < section.size)
            candidates.push_back({at, static_cast<uint64_t>(number - 1), value});
    }
    for (Section& section : table)
        std::sort(section.starts.begin(), section.starts.end());

    std::vector<Function> functions;
    functions.reserve(candidates.size());
    for (const Candidate& c : candidates) {
        const Section& section = table[c.section];
        auto next = std::upper_bound(section.starts.begin(), section.starts.end(), c.value);
        const uint64_t end = next != section.starts.end() ? std::min(*next, section.size) : section.size;
        // A name of up to eight bytes is held in the record itself, a longer one in the string table.
        std::string name;
        if (image.Read(c.symbol, 4) == 0) {
            const uint64_t offset = image.Read(c.symbol + 4, 4);
            if (offset < 4 || offset >= stringsend - strings)
                continue;
            name = image.Name(strings + offset, stringsend);
        } else {
            name = image.Name(c.symbol, c.symbol + 8);
        }
        functions.push_back({std::move(name), section.address + c.value, end - c.value});
    }
    return functions;
}

std::string Demangled(const std::string& name) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status), std::free);
    return status == 0 ? std::string(demangled.get()) : name;
}

} // namespace

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
        file.Open(qzNativePath(path.GetData()).GetData(), true, false, true, false, OPEN_EXISTING);
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

std::vector<uint8_t> pw2_MakeSymbolFile(const void* executable, size_t size, bool compress) {
    const ImageBytes image(executable, size);
    std::vector<Function> functions;
    if (IsElf64(image))
        functions = ElfFunctions(image);
    else if (IsPe(image))
        functions = PeFunctions(image);
    else
        throw qzFormatException();
    // The file holds 32-bit offsets: whatever lies beyond them cannot be named.
    std::erase_if(functions,
                  [](const Function& f) { return f.address > 0xFFFFFFFFu || f.size > 0xFFFFFFFFu; });
    for (Function& f : functions)
        f.name = Demangled(f.name);
    std::stable_sort(functions.begin(), functions.end(),
                     [](const Function& a, const Function& b) { return a.address < b.address; });
    // Aliases (a destructor's variants, say) name the same code once.
    functions.erase(std::unique(functions.begin(), functions.end(),
                                [](const Function& a, const Function& b) {
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
    for (const Function& f : functions)
        names.push_back(writer.AddString(f.name.c_str()));
    uint8_t* row = writer.BeginRows(static_cast<uint32_t>(functions.size()));
    for (size_t i = 0; i < functions.size(); ++i, row += 12) {
        uint32_t values[3] = {names[i], static_cast<uint32_t>(functions[i].address),
                              static_cast<uint32_t>(functions[i].size)};
        std::memcpy(row, values, sizeof values);
    }
    return writer.Save("seds", nullptr, 0, compress);
}
