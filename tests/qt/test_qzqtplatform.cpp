// The Qt layer on a real display: what goes through the platform interface comes back from the system.
#include "qzclipboard.h"
#include "qzqtplatform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int argc = 1;
char name[] = "qt_tests";
char* argv[] = {name, nullptr};

struct QtPlatformTest : ::testing::Test {
    static void SetUpTestSuite() { platform = new qzQtPlatform(argc, argv); }
    static void TearDownTestSuite() { delete platform; }
    static qzQtPlatform* platform;
};
qzQtPlatform* QtPlatformTest::platform = nullptr;

} // namespace

TEST_F(QtPlatformTest, ClipboardTextComesBackByteForByte) {
    const char* texts[] = {"cube 1x1", "", "caf\xe9 \xb0 ~"};
    for (const char* text : texts) {
        qzSetClipboardText(text);
        EXPECT_EQ(qzGetClipboardText(), qzString(text));
    }
}

TEST_F(QtPlatformTest, CursorGoesWhereItIsSet) {
    for (auto [x, y] : {std::pair{10, 20}, std::pair{640, 512}}) {
        ASSERT_TRUE(platform->SetCursorPos(x, y));
        platform->ProcessEvents();
        int32_t gotx = -1, goty = -1;
        ASSERT_TRUE(platform->GetCursorPos(gotx, goty));
        EXPECT_EQ(gotx, x);
        EXPECT_EQ(goty, y);
    }
}

namespace {

// Real key presses into whatever window has the focus, after the dialog has had time to appear.
void PressLater(const char* keys, const char* title = "^Facetwright test$") {
    std::string command = std::string("(timeout 10 xdotool search --sync --limit 1 --onlyvisible --name '") +
                          title + "' windowfocus --sync; sleep 0.3; xdotool key " + keys +
                          ") >/dev/null 2>&1 &";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

} // namespace

TEST_F(QtPlatformTest, MessageBoxAnswersTheButtonPressed) {
    PressLater("Return");
    EXPECT_EQ(platform->MessageBox(0, "Keep the changes?", "Facetwright test", MB_YESNO | MB_ICONQUESTION),
              IDYES);
    PressLater("Escape");
    EXPECT_EQ(platform->MessageBox(0, "Go on?", "Facetwright test", MB_OKCANCEL), IDCANCEL);
}

TEST_F(QtPlatformTest, FileDialogsGiveFullPathsWithTheDefaultExtension) {
    char pattern[] = "/tmp/qt_tests_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string directory = pattern;
    for (const char* name : {"a.obj", "b.obj"})
        std::fclose(std::fopen((directory + "/" + name).c_str(), "w"));

    qzFileDialogRequest request;
    request.save = true;
    request.initialdirectory = directory;
    request.filters = {{"Models", {"*.obj"}}};
    request.defaultextension = "obj";
    std::vector<std::string> files;
    PressLater("o u t Return", "^Save As$");
    ASSERT_TRUE(platform->FileDialog(request, files));
    EXPECT_EQ(files, (std::vector<std::string>{directory + "/out.obj"}));

    request.save = false;
    request.multiselect = true;
    files.clear();
    PressLater("quotedbl a period o b j quotedbl space quotedbl b period o b j quotedbl Return", "^Open$");
    ASSERT_TRUE(platform->FileDialog(request, files));
    EXPECT_EQ(files, (std::vector<std::string>{directory + "/a.obj", directory + "/b.obj"}));

    PressLater("Escape", "^Open$");
    files.clear();
    EXPECT_FALSE(platform->FileDialog(request, files));
    EXPECT_TRUE(files.empty());
    std::system(("rm -rf " + directory).c_str());
}
