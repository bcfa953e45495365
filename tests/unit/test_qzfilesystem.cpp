#include "qzexceptions.h"
#include "qzfilesystem.h"
#include "tempdirectory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

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
    EXPECT_EQ(Str(qzGetDirectoryPart("C:\\dir/c.txt")), "C:\\dir");
#ifdef _WIN32
    EXPECT_EQ(Str(qzNativePath("a\\b/c\\")), "a\\b\\c\\");
    EXPECT_EQ(Str(qzNativePath("//server/share/x")), "\\\\server\\share\\x");
#else
    EXPECT_EQ(Str(qzNativePath("a\\b/c\\")), "a/b/c/");
#endif
}

TEST(FileSystem, ExecutablePathNamesThisProgram) {
    qzString path = qzGetExecutablePath();
    ASSERT_FALSE(path.IsEmpty());
    EXPECT_EQ(Str(qzGetFullPath(path.c_str())), Str(path)); // already a full path
    EXPECT_TRUE(qzFileExists(path.c_str()));
    EXPECT_FALSE(qzIsDirectory(path.c_str()));
#ifdef _WIN32
    // The program as it was started (argv[0], which may leave out ".exe").
    std::string started = testing::internal::GetArgvs().front();
    if (started.size() < 4 || started.substr(started.size() - 4) != ".exe")
        started += ".exe";
    EXPECT_TRUE(std::filesystem::equivalent(started, path.c_str())) << started << " / " << path.c_str();
    EXPECT_EQ(Str(path).substr(path.GetLength() - 4), ".exe");
#else
    struct stat mine, named;
    ASSERT_EQ(::stat("/proc/self/exe", &mine), 0);
    ASSERT_EQ(::stat(path.c_str(), &named), 0);
    EXPECT_EQ(mine.st_ino, named.st_ino);
#endif
}

TEST(FileSystem, FullPathsResolveDotsByNameFromTheCurrentDirectory) {
    TempDirectory dir;
    CurrentDirectoryGuard guard;
    ASSERT_TRUE(qzCreateDirectory((dir / "sub").c_str()));
    ASSERT_TRUE(qzSetCurrentDirectory((dir / "sub").c_str()));
    const std::string current = Str(qzGetCurrentDirectory());
    EXPECT_TRUE(std::filesystem::equivalent(current, dir / "sub"));
    const std::string parent = Str(qzGetDirectoryPart(current.c_str()));
#ifdef _WIN32
    const char separator = '\\';
#else
    const char separator = '/';
#endif
    EXPECT_EQ(Str(qzGetFullPath("a.txt")), current + separator + "a.txt");
    EXPECT_EQ(Str(qzGetFullPath("./x/../a.txt")), current + separator + "a.txt");
    EXPECT_EQ(Str(qzGetFullPath("..\\b/c")), parent + separator + "b" + separator + "c");
    EXPECT_EQ(Str(qzGetFullPath(".")), current);
    EXPECT_EQ(Str(qzGetFullPath("missing/")), current + separator + "missing" + separator);
    EXPECT_THROW(qzGetFullPath(""), qzIOException);
#ifdef _WIN32
    // Drives and shares: the root is kept, ".." stops at it.
    EXPECT_EQ(Str(qzGetFullPath("C:/a/./b/../c")), "C:\\a\\c");
    EXPECT_EQ(Str(qzGetFullPath("c:\\..\\..\\x\\")), "c:\\x\\");
    EXPECT_EQ(Str(qzGetFullPath("\\\\server\\share\\x\\..\\y")), "\\\\server\\share\\y");
    EXPECT_EQ(Str(qzGetFullPath("//server/share/y")), "\\\\server\\share\\y");
    // A rooted path without a drive is on the current directory's drive.
    EXPECT_EQ(Str(qzGetFullPath("/a/b")), current.substr(0, 2) + "\\a\\b");
#else
    EXPECT_EQ(Str(qzGetFullPath("/a/./b/../c")), "/a/c");
    EXPECT_EQ(Str(qzGetFullPath("/../../x/")), "/x/");
    EXPECT_EQ(Str(qzGetFullPath("\\a\\b")), "/a/b");
#endif
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
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesA((dir / "a").c_str(), FILE_ATTRIBUTE_READONLY));
#else
    ASSERT_EQ(::chmod((dir / "a").c_str(), 0640), 0);
#endif

    EXPECT_TRUE(qzCopyFile((dir / "a").c_str(), (dir.path + "\\b").c_str(), true));
    EXPECT_EQ(dir.Get("b"), bytes);
#ifdef _WIN32
    EXPECT_NE(GetFileAttributesA((dir / "b").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    ASSERT_TRUE(SetFileAttributesA((dir / "a").c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(SetFileAttributesA((dir / "b").c_str(), FILE_ATTRIBUTE_NORMAL));
#else
    struct stat info;
    ASSERT_EQ(::stat((dir / "b").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
#endif

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
    errno = 0;
    EXPECT_FALSE(qzMoveFile((dir / "missing").c_str(), (dir / "f").c_str(), true));
    EXPECT_EQ(errno, ENOENT); // the cause, for the caller to report

    EXPECT_TRUE(qzDeleteFile((dir.path + "\\e").c_str()));
    EXPECT_FALSE(dir.Exists("e"));
    EXPECT_FALSE(qzDeleteFile((dir / "e").c_str()));
    ASSERT_TRUE(qzCreateDirectory((dir / "sub").c_str()));
    EXPECT_FALSE(qzDeleteFile((dir / "sub").c_str())); // a directory is not a file
    EXPECT_TRUE(qzIsDirectory((dir / "sub").c_str()));
    dir.Put("g", "x");
    errno = 0;
    EXPECT_FALSE(qzMoveFile((dir / "g").c_str(), (dir / "sub").c_str(), true));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_TRUE(qzIsDirectory((dir / "sub").c_str()));
}
