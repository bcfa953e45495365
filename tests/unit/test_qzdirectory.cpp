#include "qzdirectory.h"
#include "qzexceptions.h"
#include "tempdirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>

#ifndef _WIN32
#include <fnmatch.h>
#include <unistd.h>
#endif

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

TEST(Directory, PatternsMatchWholeNames) {
    const struct {
        const char* pattern;
        const char* name;
        bool matches;
    } cases[] = {
        {"*", "", true},
        {"*", "a.b", true},
        {"?", "", false},
        {"?", "a", true},
        {"a*", "a", true},
        {"*a", "ba", true},
        {"*a", "ab", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*.txt", "a.txt", true},
        {"*.txt", "a.txt.", false},
        {"*.txt", "a.txtx", false},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYbZ", false},
        {"**?", "x", true},
        {"a", "A", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qzMatchesPattern(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
    // Ignoring case folds the ASCII letters only.
    EXPECT_TRUE(qzMatchesPattern("*.TXT", "one.txt", true));
    EXPECT_TRUE(qzMatchesPattern("A?c", "abC", true));
    EXPECT_FALSE(qzMatchesPattern("*.TXT", "one.txt", false));
    EXPECT_FALSE(qzMatchesPattern("\xC4", "\xE4", true));
}

#ifndef _WIN32
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
#endif

TEST(Directory, EnumeratesWhatTheTestPutThere) {
    TempDirectory dir;
    dir.Put("one.txt", "1");
    dir.Put("two.txt", "22");
    dir.Put("three.dat", std::string(3000, 'x'));
    dir.Put("noext", "");
    ASSERT_TRUE(std::filesystem::create_directory(dir / "sub.txt"));
    std::map<std::string, Entry> expected = {
        {"one.txt", {false, 1}}, {"two.txt", {false, 2}}, {"three.dat", {false, 3000}},
        {"noext", {false, 0}},   {"sub.txt", {true, 0}},
    };
#ifndef _WIN32
    // A link that points nowhere is described by itself.
    ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);
    expected["dangling"] = {false, 7};
#endif

    std::map<std::string, Entry> all = Enumerate(dir.path + "/*");
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

    // Names differ by case where the file system tells them apart.
#ifdef _WIN32
    EXPECT_EQ(Enumerate(dir / "*.TXT").size(), 3u);
    EXPECT_EQ(Enumerate(dir / "NOEXT"), (std::map<std::string, Entry>{{"noext", {false, 0}}}));
#else
    EXPECT_TRUE(Enumerate(dir / "*.TXT").empty());
#endif
}

TEST(Directory, AnUnreadableDirectoryThrows) {
    TempDirectory dir;
    dir.Put("file", "x");
    qzDirectory directory;
    EXPECT_THROW(directory.FindFirst((dir / "missing/*").c_str()), qzIOException);
    EXPECT_THROW(directory.FindFirst((dir / "file/*").c_str()), qzIOException);
    EXPECT_EQ(directory.findhandle, nullptr);
    // The enumeration can start again after a failure.
    EXPECT_TRUE(directory.FindFirst((dir / "f*").c_str()));
    EXPECT_STREQ(directory.name.c_str(), "file");
    EXPECT_FALSE(directory.FindNext());
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
