#include "qzexceptions.h"
#include "qzfile.h"
#include "tempdirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <string>

namespace {

std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(n, 0);
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// The errno value that the failed call left in its exception, or -1 when nothing was thrown.
template <typename Call> int FailureCause(Call&& call) {
    try {
        call();
    } catch (const qzIOException& failure) {
        return failure.error;
    }
    return -1;
}

} // namespace

TEST(File, EveryDispositionOnAnExistingAndAMissingFile) {
    const struct {
        uint32_t disposition;
        bool opensexisting, keepscontent, createsmissing;
    } cases[] = {{CREATE_NEW, false, false, true},
                 {CREATE_ALWAYS, true, false, true},
                 {OPEN_EXISTING, true, true, false},
                 {OPEN_ALWAYS, true, true, true},
                 {TRUNCATE_EXISTING, true, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.disposition);
        TempDirectory dir;
        dir.Put("old", "content");
        qzFile existing, missing;
        auto open = [&](qzFile& file, const char* name) {
            file.Open((dir / name).c_str(), true, true, false, false, c.disposition);
        };
        if (c.opensexisting) {
            open(existing, "old");
            EXPECT_EQ(existing.GetSize(), c.keepscontent ? 7u : 0u);
            existing.Close();
        } else {
            EXPECT_THROW(open(existing, "old"), qzIOException);
            EXPECT_EQ(existing.filehandle, INVALID_HANDLE_VALUE);
        }
        EXPECT_EQ(dir.Get("old"), c.keepscontent || !c.opensexisting ? "content" : "");
        if (c.createsmissing) {
            open(missing, "new");
            missing.Write("abc", 3);
            missing.Close();
        } else {
            EXPECT_THROW(open(missing, "new"), qzIOException);
        }
        EXPECT_EQ(dir.Exists("new"), c.createsmissing);
        EXPECT_EQ(dir.Get("new"), c.createsmissing ? "abc" : "");
    }
}

TEST(File, WrittenBytesReadBackThroughEverySeek) {
    TempDirectory dir;
    const std::string bytes = RandomBytes(70000, 1);
    qzFile file;
    file.Open((dir / "data").c_str(), true, true, true, true, CREATE_ALWAYS);
    file.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_EQ(file.GetSize(), bytes.size());

    std::string back(bytes.size(), 0);
    EXPECT_EQ(file.SeekFromStart(0), 0u);
    EXPECT_EQ(file.Read(back.data(), static_cast<uint32_t>(back.size())), bytes.size());
    EXPECT_EQ(back, bytes);

    char piece[16];
    EXPECT_EQ(file.SeekFromEnd(-10), bytes.size() - 10);
    EXPECT_EQ(file.Read(piece, sizeof piece), 10u); // fewer at the end of the file
    EXPECT_EQ(std::string(piece, 10), bytes.substr(bytes.size() - 10));
    EXPECT_EQ(file.Read(piece, sizeof piece), 0u);

    EXPECT_EQ(file.SeekFromStart(1000), 1000u);
    EXPECT_EQ(file.SeekFromCurrent(-500), 500u);
    EXPECT_EQ(file.SeekFromCurrent(16), 516u);
    EXPECT_EQ(file.Read(piece, sizeof piece), sizeof piece);
    EXPECT_EQ(std::string(piece, sizeof piece), bytes.substr(516, 16));

    // Truncation cuts at the current position; writing goes on from there.
    file.SeekFromStart(300);
    file.Truncate();
    EXPECT_EQ(file.GetSize(), 300u);
    file.Write("xyz", 3);
    file.Close();
    EXPECT_EQ(dir.Get("data"), bytes.substr(0, 300) + "xyz");
}

TEST(File, ReadAllAppendsTheRestOfTheFile) {
    TempDirectory dir;
    const std::string bytes = RandomBytes(100, 2);
    dir.Put("data", bytes);
    // "\" and "/" both separate, whichever the system's own is.
    std::string backslashes = dir.path + "\\data", slashes = dir.path + "/data";
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    for (const std::string& path : {backslashes, slashes}) {
        SCOPED_TRACE(path);
        qzFile file;
        file.Open(path.c_str(), true, false, true, false, OPEN_EXISTING);
        file.SeekFromStart(10);
        qzString buffer("head");
        file.ReadAll(buffer);
        ASSERT_EQ(buffer.GetLength(), 94u);
        EXPECT_EQ(std::string(buffer.GetData(), 4), "head");
        EXPECT_EQ(std::string(buffer.GetData() + 4, 90), bytes.substr(10));
        EXPECT_EQ(buffer.GetData()[94], 0);

        // At the end (or past it) there is nothing more.
        file.ReadAll(buffer);
        EXPECT_EQ(buffer.GetLength(), 94u);
        file.SeekFromStart(500);
        file.ReadAll(buffer);
        EXPECT_EQ(buffer.GetLength(), 94u);
    }
}

TEST(File, FailuresThrowIOException) {
    TempDirectory dir;
    dir.Put("data", "0123456789");
    qzFile file;
    // A missing file or directory, a directory, truncation without write access, an unknown disposition.
    const struct {
        std::string path;
        bool read;
        uint32_t disposition;
    } refused[] = {{dir / "missing", true, OPEN_EXISTING},  {dir / "nodir/file", false, CREATE_ALWAYS},
                   {dir.path, true, OPEN_EXISTING},         {dir.path, false, OPEN_ALWAYS},
                   {dir / "data", true, TRUNCATE_EXISTING}, {dir / "data", true, 6}};
    for (const auto& r : refused)
        EXPECT_THROW(file.Open(r.path.c_str(), r.read, !r.read, true, false, r.disposition), qzIOException)
            << r.path << " " << r.disposition;
    EXPECT_EQ(file.filehandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(dir.Get("data"), "0123456789");

    // Access not asked for is refused.
    file.Open((dir / "data").c_str(), true, false, true, false, OPEN_EXISTING);
    EXPECT_THROW(file.Write("x", 1), qzIOException);
    EXPECT_THROW(file.Truncate(), qzIOException);
    file.Close();
    file.Open((dir / "data").c_str(), false, true, true, false, OPEN_EXISTING);
    EXPECT_EQ(file.GetSize(), 10u); // the size of a file open for writing only
    char byte;
    EXPECT_THROW(file.Read(&byte, 1), qzIOException);
    qzString buffer("kept");
    EXPECT_THROW(file.ReadAll(buffer), qzIOException);
    EXPECT_EQ(buffer, "kept");
    file.Close();
    EXPECT_EQ(dir.Get("data"), "0123456789");

    // A closed file.
    EXPECT_THROW(file.Read(&byte, 1), qzIOException);
    EXPECT_THROW(file.GetSize(), qzIOException);
}

// The callers tell the user why: the cause is the same errno value on every system.
TEST(File, FailuresKeepTheirCause) {
    TempDirectory dir;
    dir.Put("data", "x");
    qzFile file;
    EXPECT_EQ(
        FailureCause([&] { file.Open((dir / "missing").c_str(), true, false, true, false, OPEN_EXISTING); }),
        ENOENT);
    EXPECT_EQ(
        FailureCause([&] { file.Open((dir / "no/file").c_str(), false, true, true, false, CREATE_ALWAYS); }),
        ENOENT);
    EXPECT_EQ(FailureCause([&] { file.Open((dir / "data").c_str(), false, true, false, false, CREATE_NEW); }),
              EEXIST);
    EXPECT_EQ(FailureCause([&] { file.Open((dir / "data").c_str(), true, false, true, false, 0); }), EINVAL);
    EXPECT_EQ(
        FailureCause([&] { file.Open((dir / "data").c_str(), true, false, true, false, TRUNCATE_EXISTING); }),
        EINVAL);
    char byte;
    EXPECT_EQ(FailureCause([&] { file.Read(&byte, 1); }), EBADF);
    EXPECT_EQ(FailureCause([&] { file.Write("x", 1); }), EBADF);
    EXPECT_EQ(FailureCause([&] { file.SeekFromCurrent(0); }), EBADF);
    EXPECT_EQ(FailureCause([&] { file.Truncate(); }), EBADF);
    // A directory is not a file, whether it is to be read or written.
    EXPECT_EQ(FailureCause([&] { file.Open(dir.path.c_str(), true, false, true, false, OPEN_EXISTING); }),
              EISDIR);
    EXPECT_EQ(FailureCause([&] { file.Open(dir.path.c_str(), false, true, true, false, OPEN_ALWAYS); }),
              EISDIR);
    EXPECT_EQ(file.filehandle, INVALID_HANDLE_VALUE);
}

#ifdef _WIN32
// Windows keeps the share modes: a second opener gets only the access that every earlier one shares.
TEST(File, ShareModesDecideWhatASecondOpenerMayDo) {
    TempDirectory dir;
    dir.Put("data", "0123456789");
    const std::string path = dir / "data";
    auto opens = [&](bool read, bool write, bool shareread, bool sharewrite) {
        qzFile second;
        return FailureCause(
            [&] { second.Open(path.c_str(), read, write, shareread, sharewrite, OPEN_EXISTING); });
    };
    {
        qzFile reader;
        reader.Open(path.c_str(), true, false, true, false, OPEN_EXISTING);
        EXPECT_EQ(opens(true, false, true, false), -1);
        EXPECT_EQ(opens(false, true, true, true), EACCES);
        EXPECT_EQ(opens(true, false, false, false), EACCES); // the reader would not be shared with
    }
    {
        qzFile writer;
        writer.Open(path.c_str(), false, true, true, true, OPEN_EXISTING);
        EXPECT_EQ(opens(true, true, true, true), -1);
        writer.Write("ab", 2);
    }
    {
        qzFile exclusive;
        exclusive.Open(path.c_str(), true, true, false, false, OPEN_EXISTING);
        EXPECT_EQ(opens(true, false, true, true), EACCES);
    }
    EXPECT_EQ(opens(true, true, false, false), -1);
    EXPECT_EQ(dir.Get("data"), "ab23456789");
}
#endif

TEST(FileDeathTest, OpeningTwiceAsserts) {
    TempDirectory dir;
    dir.Put("data", "x");
    EXPECT_DEATH(
        {
            qzFile file;
            file.Open((dir / "data").c_str(), true, false, true, false, OPEN_EXISTING);
            file.Open((dir / "data").c_str(), true, false, true, false, OPEN_EXISTING);
        },
        "Expression: filehandle==INVALID_HANDLE_VALUE");
}
