#include "compactdb.h"
#include "pw2_exceptioncallstack.h"
#include "qzexceptions.h"
#include "qzfile.h"

#include <gtest/gtest.h>

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

    // The symbols of this very executable, made as the build makes debugsymbols.dat.
    qzString elf;
    qzFile self;
    self.Open("/proc/self/exe", true, false, true, false, OPEN_EXISTING);
    self.ReadAll(elf);
    std::vector<uint8_t> file = pw2_MakeSymbolFile(elf.GetData(), elf.GetLength(), true);
    std::vector<pw2_Symbol> symbols = pw2_LoadSymbols(file.data(), file.size());
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
