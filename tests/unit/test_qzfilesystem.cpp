#include "qzexceptions.h"
#include "qzfilesystem.h"
#include "tempdirectory.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Puts the current directory back however the test ends.
struct CurrentDirectoryGuard {
    CurrentDirectoryGuard() : saved(qzGetCurrentDirectory().c_str()) {}
    ~CurrentDirectoryGuard() { EXPECT_TRUE(qzSetCurrentDirectory(saved.c_str())); }
    std::string saved;
};

std::string Str(const qzString& s) {
    return std::string(s.GetData(), s.GetLength());
}

} // namespace

TEST(FileSystem, DirectoryPartEndsBeforeTheLastSeparatorOfEitherKind) {
    EXPECT_EQ(Str(qzGetDirectoryPart("a\\b/c.txt")), "a\\b");
    EXPECT_EQ(Str(qzGetDirectoryPart("a/b\\c.txt")), "a/b");
    EXPECT_EQ(Str(qzGetDirectoryPart("c.txt")), "");
    EXPECT_EQ(Str(qzGetDirectoryPart("")), "");
    EXPECT_EQ(Str(qzGetDirectoryPart("/c.txt")), "");
    EXPECT_EQ(Str(qzGetDirectoryPart("dir\\")), "dir");
    EXPECT_EQ(Str(qzNativePath("a\\b/c\\")), "a/b/c/");
}

TEST(FileSystem, ExecutablePathNamesThisProgram) {
    qzString path = qzGetExecutablePath();
    ASSERT_FALSE(path.IsEmpty());
    EXPECT_EQ(path[0], '/');
    struct stat mine, named;
    ASSERT_EQ(::stat("/proc/self/exe", &mine), 0);
    ASSERT_EQ(::stat(path.c_str(), &named), 0);
    EXPECT_EQ(mine.st_ino, named.st_ino);
    EXPECT_TRUE(qzFileExists(path.c_str()));
}

TEST(FileSystem, AttributesAndCreateDirectory) {
    TempDirectory dir;
    dir.Put("file", "x");
    EXPECT_TRUE(qzFileExists((dir / "file").c_str()));
    EXPECT_FALSE(qzIsDirectory((dir / "file").c_str()));
    EXPECT_TRUE(qzFileExists(dir.path.c_str()));
    EXPECT_TRUE(qzIsDirectory(dir.path.c_str()));
    EXPECT_FALSE(qzFileExists((dir / "missing").c_str()));
    EXPECT_FALSE(qzIsDirectory((dir / "missing").c_str()));

    EXPECT_TRUE(qzCreateDirectory((dir.path + "\\sub").c_str()));
    EXPECT_TRUE(qzIsDirectory((dir / "sub").c_str()));
    EXPECT_FALSE(qzCreateDirectory((dir / "sub").c_str()));     // exists
    EXPECT_FALSE(qzCreateDirectory((dir / "no/such").c_str())); // parent missing
    EXPECT_FALSE(qzCreateDirectory((dir / "file").c_str()));
}

TEST(FileSystem, CopyMoveAndDelete) {
    TempDirectory dir;
    std::string bytes(200000, 0);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    dir.Put("a", bytes);
    ASSERT_EQ(::chmod((dir / "a").c_str(), 0640), 0);

    EXPECT_TRUE(qzCopyFile((dir / "a").c_str(), (dir.path + "\\b").c_str(), true));
    EXPECT_EQ(dir.Get("b"), bytes);
    struct stat info;
    ASSERT_EQ(::stat((dir / "b").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    dir.Put("c", "old");
    EXPECT_FALSE(qzCopyFile((dir / "a").c_str(), (dir / "c").c_str(), true));
    EXPECT_EQ(dir.Get("c"), "old");
    EXPECT_TRUE(qzCopyFile((dir / "a").c_str(), (dir / "c").c_str(), false));
    EXPECT_EQ(dir.Get("c"), bytes);
    EXPECT_FALSE(qzCopyFile((dir / "missing").c_str(), (dir / "d").c_str(), false));
    EXPECT_FALSE(dir.Exists("d"));
    EXPECT_FALSE(qzCopyFile(dir.path.c_str(), (dir / "d").c_str(), false));
    EXPECT_FALSE(dir.Exists("d"));
    // Onto itself, under another spelling of its path: refused, and the file keeps its bytes.
    EXPECT_FALSE(qzCopyFile((dir / "a").c_str(), (dir.path + "/./a").c_str(), false));
    EXPECT_EQ(dir.Get("a"), bytes);

    EXPECT_FALSE(qzMoveFile((dir / "b").c_str(), (dir / "c").c_str(), false));
    EXPECT_TRUE(dir.Exists("b"));
    dir.Put("b", "moved");
    EXPECT_TRUE(qzMoveFile((dir / "b").c_str(), (dir.path + "\\c").c_str(), true));
    EXPECT_FALSE(dir.Exists("b"));
    EXPECT_EQ(dir.Get("c"), "moved");
    EXPECT_TRUE(qzMoveFile((dir / "c").c_str(), (dir / "e").c_str(), false));
    EXPECT_EQ(dir.Get("e"), "moved");
    EXPECT_FALSE(qzMoveFile((dir / "missing").c_str(), (dir / "f").c_str(), true));

    EXPECT_TRUE(qzDeleteFile((dir.path + "\\e").c_str()));
    EXPECT_FALSE(dir.Exists("e"));
    EXPECT_FALSE(qzDeleteFile((dir / "e").c_str()));
    ASSERT_TRUE(qzCreateDirectory((dir / "sub").c_str()));
    EXPECT_FALSE(qzDeleteFile((dir / "sub").c_str())); // a directory is not a file
    EXPECT_TRUE(qzIsDirectory((dir / "sub").c_str()));
}
