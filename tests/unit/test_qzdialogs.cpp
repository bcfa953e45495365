#include "failure.h"
#include "qzclipboard.h"
#include "qzdialogs.h"
#include "qzfakeplatform.h"

#include <gtest/gtest.h>

TEST(FileFilter, PackedPairsBecomeEntriesAndIncompleteOrEmptyOnesAreDropped) {
    std::vector<qzFileFilter> filters =
        qzParseFileFilter("Models\0*.obj;*.3ds\0All files\0*.*\0Broken\0;;\0Dangling\0\0");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].description, "Models");
    EXPECT_EQ(filters[0].patterns, (std::vector<std::string>{"*.obj", "*.3ds"}));
    EXPECT_EQ(filters[1].description, "All files");
    EXPECT_EQ(filters[1].patterns, (std::vector<std::string>{"*.*"}));
    EXPECT_TRUE(qzParseFileFilter("").empty());
    EXPECT_TRUE(qzParseFileFilter("Only a description\0").empty());
}

TEST(FileDialogs, TheFiltersAreParsedAndCancelLeavesNoFiles) {
    qzFakePlatform platform;
    platform.filedialogfiles = {"/tmp/a.obj", "/tmp/b.obj"};
    std::vector<std::string> files{"stale"};
    EXPECT_TRUE(qzGetOpenFileName(nullptr, "/tmp", "Models\0*.obj\0", "obj", true, true, files));
    EXPECT_EQ(files, platform.filedialogfiles);
    EXPECT_FALSE(platform.lastfiledialog.save);
    ASSERT_EQ(platform.lastfiledialog.filters.size(), 1u);

    platform.filedialogconfirms = false;
    EXPECT_FALSE(qzGetSaveFileName(nullptr, nullptr, nullptr, nullptr, false, false, files));
    EXPECT_TRUE(files.empty());
    EXPECT_TRUE(platform.lastfiledialog.save);
    EXPECT_TRUE(platform.lastfiledialog.filters.empty());
}

TEST(MessageBox, FlagsAreOredAndTheAnswerReturned) {
    qzFakePlatform platform;
    platform.messageboxanswer = IDNO;
    EXPECT_EQ(qzShowMessageBox(nullptr, "Facetwright v6", "Save?", MB_ICONQUESTION, MB_YESNO), IDNO);
    EXPECT_EQ(platform.calls.back(), "MessageBox 0 Facetwright v6 Save? 24");
}

TEST(Clipboard, NoTextWithoutOpeningAndFailuresNamingFunctionAndCall) {
    qzFakePlatform platform;
    EXPECT_EQ(qzGetClipboardText(), qzString(""));
    EXPECT_TRUE(platform.CallsStartingWith("GetClipboardText").empty());
    platform.hasclipboardtext = true;
    platform.failclipboardcall = "QGuiApplication::clipboard";
    EXPECT_EQ(Failure([] { qzSetClipboardText("x"); }), "qzSetClipboardText QGuiApplication::clipboard");
    EXPECT_EQ(Failure([] { qzGetClipboardText(); }), "qzGetClipboardText QGuiApplication::clipboard");
}
