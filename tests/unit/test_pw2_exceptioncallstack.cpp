#include "compactdb.h"
#include "pw2_exceptioncallstack.h"
#include "qzexceptions.h"
#include "qzfile.h"
#include "qzfilesystem.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

// A symbol table whose rows name a string of the data area or, with a null string, give the raw offset;
// an unterminated name, if any, is the last thing in the data area.
struct Row {
    const char* name;
    uint32_t offset, address, size;
};
std::vector<uint8_t> SymbolFile(const std::vector<Row>& rows, const char* unterminated = nullptr,
                                bool compress = false) {
    CompactDB_Writer writer;
    writer.AddTable("symbols");
    for (const char* field : {"name", "address", "size"})
        writer.AddField(field, 4);
    std::vector<uint32_t> values;
    for (const Row& r : rows)
        values.insert(values.end(),
                      {r.name != nullptr ? writer.AddString(r.name) : r.offset, r.address, r.size});
    if (unterminated != nullptr) {
        const uint32_t at = writer.AddData(static_cast<uint32_t>(strlen(unterminated)));
        memcpy(writer.GetDataPointer(at), unterminated, strlen(unterminated));
        values.insert(values.end(), {at, 0x9000, 16});
    }
    memcpy(writer.BeginRows(static_cast<uint32_t>(values.size() / 3)), values.data(), values.size() * 4);
    return writer.Save("seds", nullptr, 0, compress);
}

std::string Format(const pw2_ExceptionCallStack& stack, const std::vector<pw2_Symbol>& symbols,
                   uintptr_t base) {
    qzString text;
    pw2_FormatCallStack(text, stack, symbols, base);
    return std::string(text.GetData(), text.GetLength());
}

// The symbols of this very executable, made as the build makes debugsymbols.dat: from an ELF file on
// Linux, from the PE image that mingw-w64 links on Windows.
std::vector<pw2_Symbol> OwnSymbols() {
    qzString executable;
    qzFile self;
    self.Open(qzGetExecutablePath().GetData(), true, false, true, false, OPEN_EXISTING);
    self.ReadAll(executable);
    std::vector<uint8_t> file = pw2_MakeSymbolFile(executable.GetData(), executable.GetLength(), true);
    return pw2_LoadSymbols(file.data(), file.size());
}

// A PE32+ image as mingw-w64 links it, cut down to its headers, two sections and a COFF symbol table.
class PeImage {
public:
    static constexpr uint32_t PE = 0x40, SECTIONS = PE + 24 + 240, SYMBOLS = 0x200;
    static constexpr uint16_t FUNCTION = 0x20;
    static constexpr uint8_t EXTERNAL = 2, STATIC = 3, SOURCEFILE = 103;

    PeImage() : bytes(SYMBOLS) {
        memcpy(&bytes[0], "MZ", 2);
        Put(0x3C, 4, PE);
        memcpy(&bytes[PE], "PE\0\0", 4);
        Put(PE + 4, 2, 0x8664);
        Put(PE + 20, 2, 240); // the optional header's size
        Put(PE + 24, 2, 0x20B);
        Put(PE + 24 + 24, 8, 0x140000000u); // the preferred image base, which the offsets do not depend on
        Section(".text", 0x1000, 0x300, 0x60000020);
        Section(".data", 0x2000, 0x100, 0xC0000040);
    }
    // A symbol of the given section (1-based; 0 undefined, negative special), and its auxiliary records.
    void Symbol(const std::string& name, uint32_t value, int16_t section, uint16_t type, uint8_t storage,
                const std::vector<std::array<uint8_t, 18>>& auxiliary = {}) {
        std::array<uint8_t, 18> record{};
        if (name.size() <= 8) {
            memcpy(record.data(), name.data(), name.size());
        } else {
            const uint32_t offset = 4 + static_cast<uint32_t>(strings.size());
            memcpy(record.data() + 4, &offset, 4);
            strings.insert(strings.end(), name.begin(), name.end());
            strings.push_back(0);
        }
        memcpy(record.data() + 8, &value, 4);
        memcpy(record.data() + 12, &section, 2);
        memcpy(record.data() + 14, &type, 2);
        record[16] = storage;
        record[17] = static_cast<uint8_t>(auxiliary.size());
        symbols.push_back(record);
        symbols.insert(symbols.end(), auxiliary.begin(), auxiliary.end());
    }
    std::vector<uint8_t> Build() const {
        std::vector<uint8_t> image = bytes;
        PutInto(image, PE + 6, 2, sectioncount);
        PutInto(image, PE + 12, 4, SYMBOLS);
        PutInto(image, PE + 16, 4, static_cast<uint32_t>(symbols.size()));
        for (const auto& record : symbols)
            image.insert(image.end(), record.begin(), record.end());
        const uint32_t size = 4 + static_cast<uint32_t>(strings.size());
        image.insert(image.end(), reinterpret_cast<const uint8_t*>(&size),
                     reinterpret_cast<const uint8_t*>(&size) + 4);
        image.insert(image.end(), strings.begin(), strings.end());
        return image;
    }
    void Put(uint32_t at, unsigned length, uint64_t value) { PutInto(bytes, at, length, value); }

private:
    static void PutInto(std::vector<uint8_t>& image, uint32_t at, unsigned length, uint64_t value) {
        for (unsigned i = 0; i < length; ++i)
            image[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    void Section(const char* name, uint32_t address, uint32_t size, uint32_t flags) {
        const uint32_t at = SECTIONS + 40 * sectioncount++;
        memcpy(&bytes[at], name, strlen(name));
        Put(at + 8, 4, size);
        Put(at + 12, 4, address);
        Put(at + 36, 4, flags);
    }
    std::vector<uint8_t> bytes;
    std::vector<std::array<uint8_t, 18>> symbols;
    std::vector<char> strings;
    uint32_t sectioncount = 0;
};

std::vector<pw2_Symbol> SymbolsOf(const std::vector<uint8_t>& executable) {
    std::vector<uint8_t> file = pw2_MakeSymbolFile(executable.data(), executable.size(), false);
    return pw2_LoadSymbols(file.data(), file.size());
}

__attribute__((noinline)) void Innermost(pw2_ExceptionCallStack& stack, int depth) {
    if (depth > 0)
        Innermost(stack, depth - 1);
    else
        stack.Capture();
    asm volatile("" ::: "memory"); // keeps the recursion from becoming a loop
}

} // namespace

TEST(CrashReport, SymbolsNameTheFirstFunctionHoldingEachAddress) {
    std::vector<uint8_t> file = SymbolFile(
        {{"outer", 0, 0x1000, 0x100}, {"inner", 0, 0x1010, 0x10}, {"next", 0, 0x1100, 0x20}}, "cut");
    std::vector<pw2_Symbol> symbols = pw2_LoadSymbols(file.data(), file.size());
    ASSERT_EQ(symbols.size(), 4u);
    EXPECT_EQ(symbols[3].name, ""); // its name has no zero before the end of the data area
    // A signal's stack: the first address is the instruction itself, each other one a return address that
    // belongs to the call just before it.
    pw2_ExceptionCallStack stack;
    stack.firstisinstruction = true;
    const uintptr_t base = 0x5500000000;
    for (uintptr_t a :
         {base + 0x1120, base + 0x1015, base + 0x1100, base + 0x1101, base + 0x9001, uintptr_t(0x10)})
        stack.addresses[stack.count++] = a;
    EXPECT_EQ(Format(stack, symbols, base), "0000005500001120\n" // an instruction at the end is outside
                                            "0000005500001015 outer + 21\n"  // table order, not the tightest
                                            "0000005500001100 outer + 256\n" // a call that ends its function
                                            "0000005500001101 next + 1\n"
                                            "0000005500009001  + 1\n"
                                            "0000000000000010\n");
    // An instruction at the first byte of a function is inside it; a return address there is not.
    stack.count = 0;
    stack.addresses[stack.count++] = base + 0x1100;
    EXPECT_EQ(Format(stack, symbols, base), "0000005500001100 next + 0\n");
    stack.firstisinstruction = false;
    EXPECT_EQ(Format(stack, symbols, base), "0000005500001100 outer + 256\n");

    // A missing, corrupt or foreign file gives bare addresses.
    file[30] ^= 1;
    EXPECT_TRUE(pw2_LoadSymbols(file.data(), file.size()).empty());
    EXPECT_TRUE(pw2_LoadSymbols(nullptr, 0).empty());
    EXPECT_EQ(pw2_ReportText("main", "Failed to load fonts.", qzString("")),
              qzString("Location:\nmain\n\nException:\nFailed to load fonts.\n\nCall stack:\n"));
}

TEST(CrashReport, CaptureWalksTheFramesAndTheSymbolFileNamesThem) {
    pw2_ExceptionCallStack stack;
    Innermost(stack, 120);
    EXPECT_EQ(stack.count, pw2_ExceptionCallStack::MAXADDRESSES); // a deeper chain is cut

    std::vector<pw2_Symbol> symbols = OwnSymbols();
    ASSERT_GT(symbols.size(), 100u);
    std::string text = Format(stack, symbols, pw2_GetLoadAddress());
    EXPECT_NE(text.find("Innermost(pw2_ExceptionCallStack&, int)"), std::string::npos) << text.substr(0, 400);
    // A shallow capture reaches the test itself.
    Innermost(stack, 2);
    EXPECT_GT(stack.count, 4u);
    text = Format(stack, symbols, pw2_GetLoadAddress());
    EXPECT_NE(text.find("CaptureWalksTheFramesAndTheSymbolFileNamesThem_Test::TestBody() + "),
              std::string::npos)
        << text;

    const char notelf[] = "not an executable at all, but long enough for a header to be read from it";
    EXPECT_THROW(pw2_MakeSymbolFile(notelf, sizeof notelf, false), qzFormatException);
}

TEST(CrashReport, PeFunctionsRunToTheNextSymbolOfTheirSection) {
    PeImage pe;
    // An auxiliary record whose bytes would read as a function of .text if it were taken for a symbol.
    std::array<uint8_t, 18> disguised{'d', 'i', 's', 'g', 'u', 'i',  's', 'e', 0x08,
                                      0,   0,   0,   1,   0,   0x20, 0,   2,   0};
    pe.Symbol(".file", 0, -2, 0, PeImage::SOURCEFILE, {disguised});
    pe.Symbol("main", 0x10, 1, PeImage::FUNCTION, PeImage::EXTERNAL);
    pe.Symbol("_ZN12_GLOBAL__N_110ProbeOuterEv", 0x40, 1, PeImage::FUNCTION, PeImage::STATIC, {{}});
    pe.Symbol("__CTOR_LIST__", 0x90, 1, 0, PeImage::EXTERNAL); // data, which ends the function before it
    pe.Symbol("exactly8", 0x100, 1, PeImage::FUNCTION, PeImage::EXTERNAL); // the name fills its record
    pe.Symbol("datafunc", 0x20, 2, PeImage::FUNCTION, PeImage::EXTERNAL);  // not in a code section
    pe.Symbol("imported", 0, 0, PeImage::FUNCTION, PeImage::EXTERNAL);     // undefined
    pe.Symbol("pastend", 0x300, 1, PeImage::FUNCTION, PeImage::STATIC);    // at the end of .text
    std::vector<pw2_Symbol> symbols = SymbolsOf(pe.Build());
    ASSERT_EQ(symbols.size(), 3u);
    EXPECT_EQ(symbols[0].name, "main");
    EXPECT_EQ(symbols[0].address, 0x1010u);
    EXPECT_EQ(symbols[0].size, 0x30u);
    EXPECT_EQ(symbols[1].name, "(anonymous namespace)::ProbeOuter()");
    EXPECT_EQ(symbols[1].address, 0x1040u);
    EXPECT_EQ(symbols[1].size, 0x50u);
    EXPECT_EQ(symbols[2].name, "exactly8");
    EXPECT_EQ(symbols[2].address, 0x1100u);
    EXPECT_EQ(symbols[2].size, 0x200u); // the last one runs to the section's end

    // A stripped image names nothing; a 32-bit image, another machine's or a cut one is refused.
    EXPECT_TRUE(SymbolsOf(PeImage().Build()).empty());
    PeImage pe32;
    pe32.Put(PeImage::PE + 24, 2, 0x10B);
    EXPECT_THROW(SymbolsOf(pe32.Build()), qzFormatException);
    PeImage arm;
    arm.Put(PeImage::PE + 4, 2, 0xAA64);
    EXPECT_THROW(SymbolsOf(arm.Build()), qzFormatException);
    std::vector<uint8_t> cut = pe.Build();
    cut.resize(PeImage::SYMBOLS + 18 * 3);
    EXPECT_THROW(SymbolsOf(cut), qzFormatException);
}

TEST(CrashReport, NameOffsetsOutsideTheDataAreaAndSymbolsAtTheTopOfThe32BitRange) {
    std::vector<uint8_t> file = SymbolFile({{nullptr, 0xFFFFFFF0u, 0x1000, 0x10}, // far outside the data area
                                            {nullptr, 4, 0x2000, 0x10},           // exactly at its end
                                            {"top", 0, 0xFFFFFFF0u, 0x20}},       // ends past 2^32
                                           nullptr, true);
    std::vector<pw2_Symbol> symbols = pw2_LoadSymbols(file.data(), file.size());
    ASSERT_EQ(symbols.size(), 3u);
    EXPECT_EQ(symbols[0].name, "");
    EXPECT_EQ(symbols[1].name, "");
    EXPECT_EQ(symbols[2].name, "top");

    const uintptr_t base = 0x7F0000000000;
    pw2_ExceptionCallStack stack;
    for (uintptr_t a : {base + 0x1004, base + 0xFFFFFFF8u, base + 0x10000000Cu, base + 0x100000011u})
        stack.addresses[stack.count++] = a;
    EXPECT_EQ(Format(stack, symbols, base), "00007F0000001004  + 4\n"
                                            "00007F00FFFFFFF8 top + 8\n"
                                            "00007F010000000C top + 28\n" // inside, past 2^32
                                            "00007F0100000011\n");        // returns past its end
}
