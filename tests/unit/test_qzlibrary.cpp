// qzLibrary: a symbol is the function itself; what is missing says why and leaves nothing loaded.
#include "qzlibrary.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Library, SymbolsAreTheFunctionsThemselvesAndWhatIsMissingSaysWhy) {
    qzLibrary library;
    ASSERT_TRUE(library.Load("libm.so.6")) << library.GetError();
    auto cosine = library.GetFunction<double (*)(double)>("cos");
    ASSERT_NE(cosine, nullptr);
    EXPECT_EQ(cosine(0.5), std::cos(0.5));
    EXPECT_EQ(library.GetSymbol("aiImportFile"), nullptr);
    EXPECT_NE(library.GetError().find("aiImportFile"), std::string::npos) << library.GetError();
    // A failed load leaves nothing loaded, not the library before it.
    EXPECT_FALSE(library.Load("/nonexistent/libm.so.6"));
    EXPECT_NE(library.GetError().find("/nonexistent/libm.so.6"), std::string::npos) << library.GetError();
    EXPECT_EQ(library.GetSymbol("cos"), nullptr);
}
