// qzLibrary: a symbol is the function itself; what is missing says why and leaves nothing loaded.
#include "qzlibrary.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A system library that holds the C runtime's cos.
#ifdef _WIN32
const char* const MATHLIBRARY = "msvcrt.dll";
const char* const MISSINGLIBRARY = "C:\\nonexistent\\msvcrt.dll";
#else
const char* const MATHLIBRARY = "libm.so.6";
const char* const MISSINGLIBRARY = "/nonexistent/libm.so.6";
#endif

} // namespace

TEST(Library, SymbolsAreTheFunctionsThemselvesAndWhatIsMissingSaysWhy) {
    qzLibrary library;
    ASSERT_TRUE(library.Load(MATHLIBRARY)) << library.GetError();
    auto cosine = library.GetFunction<double (*)(double)>("cos");
    ASSERT_NE(cosine, nullptr);
    // the program's own cos may be another implementation than the library's, a bit apart
    EXPECT_DOUBLE_EQ(cosine(0.5), std::cos(0.5));
    EXPECT_DOUBLE_EQ(cosine(2.0), std::cos(2.0));
    EXPECT_EQ(library.GetSymbol("aiImportFile"), nullptr);
    EXPECT_NE(library.GetError().find("aiImportFile"), std::string::npos) << library.GetError();
    // A failed load leaves nothing loaded, not the library before it.
    EXPECT_FALSE(library.Load(MISSINGLIBRARY));
    EXPECT_NE(library.GetError().find(MISSINGLIBRARY), std::string::npos) << library.GetError();
    EXPECT_EQ(library.GetSymbol("cos"), nullptr);
}
