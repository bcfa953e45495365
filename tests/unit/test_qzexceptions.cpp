#include "qzexceptions.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>
#else
#include <unistd.h>
#endif

TEST(Exceptions, Direct3DTextNamesPlaceAndCallAndCopiesKeepThePointers) {
    const char* where = "qzDevice::_ResetDevice";
    const char* call = "IDirect3DDevice9::Reset";
    qzD3DException e(where, call);
    EXPECT_STREQ(e.what(),
                 "qzEngine Direct3D exception in qzDevice::_ResetDevice (IDirect3DDevice9::Reset failed)");
    qzD3DException copy = e;
    EXPECT_EQ(copy.where, where);
    EXPECT_EQ(copy.call, call);
    EXPECT_STREQ(copy.what(), e.what());
}

TEST(Exceptions, WindowsExceptionKeepsTheErrorOfTheFailedCall) {
#ifdef _WIN32
    EXPECT_FALSE(CloseHandle(nullptr)); // fails with ERROR_INVALID_HANDLE
    const unsigned long failed = ERROR_INVALID_HANDLE;
    qzWindowsException e("qzWindow::Create", "CreateWindowEx");
    SetLastError(ERROR_FILE_NOT_FOUND); // a later failure does not change what the exception reports
    // The system's own text for the code, whatever the system's language.
    char* system = nullptr;
    ASSERT_NE(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, failed, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<char*>(&system), 0, nullptr),
              0u);
    const std::string message = system;
    LocalFree(system);
#else
    EXPECT_EQ(::close(-1), -1); // fails with EBADF
    const unsigned long failed = EBADF;
    qzWindowsException e("qzWindow::Create", "CreateWindowEx");
    errno = ENOENT; // a later failure does not change what the exception reports
    const std::string message = "Bad file descriptor";
#endif
    EXPECT_EQ(e.error, failed);
    std::string text = e.what();
    const std::string head =
        "qzEngine Windows exception in qzWindow::Create (CreateWindowEx failed with error " +
        std::to_string(failed) + "):\n";
    EXPECT_EQ(text.rfind(head, 0), 0u) << text;
    EXPECT_EQ(text.substr(head.size()), message.substr(0, 255 - head.size())) << text;
}

TEST(Exceptions, LongTextsAreCutInsideTheBuffer) {
    std::string longname(400, 'x');
    EXPECT_EQ(std::string(qzD3DException(longname.c_str(), "Call").what()).size(), 255u);
}
