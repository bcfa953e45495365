#include "qzdirectory.h"
#include "qzexceptions.h"
#include "tempdirectory.h"

#include <gtest/gtest.h>

#include <fnmatch.h>
#include <map>
#include <random>
#include <string>
#include <unistd.h>

namespace {

struct Entry {
    bool isdirectory;
    uint64_t size;
    bool operator==(const Entry&) const = default;
};

std::map<std::string, Entry> Enumerate(const std::string& pattern) {
    std::map<std::string, Entry> found;
    qzDirectory directory;
    for (bool more = directory.FindFirst(pattern.c_str()); more; more = directory.FindNext()) {
        bool fresh =
            found.emplace(directory.name.c_str(), Entry{directory.isdirectory, directory.size}).second;
        EXPECT_TRUE(fresh) << directory.name.c_str();
    }
    return found;
}

} // namespace

TEST(Directory, PatternsAgreeWithTheSystemMatcher) {
    std::mt19937 random(3);
    const char alphabet[] = "ab.*?";
    for (int i = 0; i < 200000; ++i) {
        std::string pattern, name;
        for (int n = random() % 7; n > 0; --n)
            pattern += alphabet[random() % 5];
        for (int n = random() % 9; n > 0; --n)
            name += alphabet[random() % 3];
        ASSERT_EQ(qzMatchesPattern(pattern.c_str(), name.c_str()),
                  ::fnmatch(pattern.c_str(), name.c_str(), FNM_NOESCAPE) == 0)
            << pattern << " / " << name;
    }
    // Unlike the system matcher, brackets are plain characters.
    EXPECT_TRUE(qzMatchesPattern("[x]", "[x]"));
    EXPECT_FALSE(qzMatchesPattern("[x]", "x"));
}

TEST(Directory, EnumeratesWhatTheTestPutThere) {
    TempDirectory dir;
    dir.Put("one.txt", "1");
    dir.Put("two.txt", "22");
    dir.Put("three.dat", std::string(3000, 'x'));
    dir.Put("noext", "");
    ASSERT_EQ(::mkdir((dir / "sub.txt").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);

    std::map<std::string, Entry> all = Enumerate(dir.path + "/*");
    std::map<std::string, Entry> expected = {
        {"one.txt", {false, 1}}, {"two.txt", {false, 2}}, {"three.dat", {false, 3000}},
        {"noext", {false, 0}},   {"sub.txt", {true, 0}},  {"dangling", {false, 7}},
    };
    EXPECT_EQ(all, expected);
    EXPECT_EQ(Enumerate(dir.path + "\\*.*"), expected);

    std::map<std::string, Entry> texts = Enumerate(dir.path + "\\*.txt");
    EXPECT_EQ(texts, (std::map<std::string, Entry>{
                         {"one.txt", {false, 1}}, {"two.txt", {false, 2}}, {"sub.txt", {true, 0}}}));
    EXPECT_EQ(Enumerate(dir / "t*"),
              (std::map<std::string, Entry>{{"two.txt", {false, 2}}, {"three.dat", {false, 3000}}}));
    EXPECT_EQ(Enumerate(dir / "noext"), (std::map<std::string, Entry>{{"noext", {false, 0}}}));
    EXPECT_TRUE(Enumerate(dir / "*.none").empty());
    EXPECT_TRUE(Enumerate(dir / "sub.txt/*").empty());
}

TEST(DirectoryDeathTest, StartingWhileRunningAsserts) {
    TempDirectory dir;
    dir.Put("a", "x");
    EXPECT_DEATH(
        {
            qzDirectory directory;
            directory.FindFirst((dir / "*").c_str());
            directory.FindFirst((dir / "*").c_str());
        },
        "Expression: findhandle==INVALID_HANDLE_VALUE");
}
