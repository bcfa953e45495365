#include "qzexceptions.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <unistd.h>

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
    EXPECT_EQ(::close(-1), -1); // fails with EBADF
    qzWindowsException e("qzWindow::Create", "CreateWindowEx");
    errno = ENOENT; // a later failure does not change what the exception reports
    EXPECT_EQ(e.error, static_cast<unsigned long>(EBADF));
    std::string text = e.what();
    EXPECT_EQ(text.rfind("qzEngine Windows exception in qzWindow::Create (CreateWindowEx failed with error " +
                             std::to_string(EBADF) + "):\n",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("Bad file descriptor"), std::string::npos) << text;
}

TEST(Exceptions, LongTextsAreCutInsideTheBuffer) {
    std::string longname(400, 'x');
    EXPECT_EQ(std::string(qzD3DException(longname.c_str(), "Call").what()).size(), 255u);
}
