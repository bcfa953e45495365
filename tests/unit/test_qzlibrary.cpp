#include "qzlibrary.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Library, SymbolsAreTheFunctionsThemselvesAndWhatIsMissingSaysWhy) {
    qzLibrary library;
    EXPECT_FALSE(library.Load("libfacetwright-missing.so.7"));
    EXPECT_NE(library.GetError().find("libfacetwright-missing.so.7"), std::string::npos)
        << library.GetError();
    ASSERT_TRUE(library.Load("libm.so.6")) << library.GetError();
    auto cosine = library.GetFunction<double (*)(double)>("cos");
    ASSERT_NE(cosine, nullptr);
    for (double x : {0.0, 0.5, 3.0, -7.25})
        EXPECT_EQ(cosine(x), std::cos(x));
    EXPECT_EQ(library.GetSymbol("aiImportFile"), nullptr);
    EXPECT_NE(library.GetError().find("aiImportFile"), std::string::npos) << library.GetError();
    // A failed load leaves nothing loaded, not the library before it.
    EXPECT_FALSE(library.Load("/nonexistent/libm.so.6"));
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_EQ(library.GetSymbol("cos"), nullptr);
}
