// The Qt layer on a real display: what goes through the platform interface comes back from the system.
#include "qzclipboard.h"
#include "qzcontrols.h"
#include "qzdropfiles.h"
#include "qzmain.h"
#include "qzmessagequeue.h"
#include "qzqtplatform.h"
#include "qztime.h"
#include "qzwindow.h"

#include <QApplication>
#include <QDropEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
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

namespace {

struct Clicks {
    int count = 0;
    void OnClick() { ++count; }
};

} // namespace

TEST_F(QtPlatformTest, ControlsKeepTheirTextsAndAPressedButtonReachesItsWindow) {
    qzMain root(0);
    qzWindow window;
    window.Create(&root, "Facetwright test", 7, QZDEFAULTPOS, QZDEFAULTPOS, 300, 200, 300, 200, nullptr);
    qzEdit box, line;
    box.Create(&window, "first\r\nsecond\r\n", 10, 10, 280, 100, true);
    line.Create(&window, "caf\xe9", 10, 120, 280, 20, false);
    qzButton button;
    button.Create(&window, "Close", 120, 160, 60, 20);
    Clicks clicks;
    button.SetOnClick(qzCallback<>::Bind<&Clicks::OnClick>(&clicks));
    window.Show(false);

    auto text = [](qzEdit& edit) {
        qzString text;
        edit.GetText(text);
        return text;
    };
    EXPECT_EQ(text(box), "first\r\nsecond\r\n");
    box.SetText("one\r\ntwo");
    EXPECT_EQ(text(box), "one\r\ntwo");
    EXPECT_EQ(text(line), "caf\xe9");
    // The engine's font is 13 pixels from ascent to descent, and so is the line's.
    int lines = 0;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            EXPECT_LE(QFontMetrics(edit->font()).height(), 13);
            ++lines;
        }
    }
    EXPECT_EQ(lines, 1);

    // Space presses the button that has the focus.
    button.Activate();
    PressLater("space");
    for (int i = 0; i < 400 && clicks.count == 0; ++i) {
        ASSERT_TRUE(PumpMessages());
        Sleep(25);
    }
    EXPECT_EQ(clicks.count, 1);
    window.Destroy();
}

TEST_F(QtPlatformTest, PointerComingBackWhereItLeftIsInsideAgain) {
    qzMain root(0);
    qzWindow window;
    window.Create(&root, "Facetwright test", 2, 100, 100, 300, 200, 300, 200, nullptr);
    window.Show(false);
    auto settle = [&](auto done) {
        for (int i = 0; i < 200 && !done(); ++i) {
            ASSERT_TRUE(PumpMessages());
            Sleep(10);
        }
    };
    settle([&] { return window.GetX() > 0 && window.GetClientWidth() == 300; });
    const int32_t x = window.GetX() + 150, y = window.GetY() + 100;
    ASSERT_TRUE(platform->SetCursorPos(x, y));
    settle([&] { return window.IsMouseInside(); });
    ASSERT_TRUE(window.IsMouseInside());
    ASSERT_TRUE(platform->SetCursorPos(window.GetX() + 400, y));
    settle([&] { return !window.IsMouseInside(); });
    ASSERT_FALSE(window.IsMouseInside());
    // Back to the very pixel it left from: Qt reports no move there, only the entry.
    ASSERT_TRUE(platform->SetCursorPos(x, y));
    settle([&] { return window.IsMouseInside(); });
    EXPECT_TRUE(window.IsMouseInside());
    EXPECT_EQ(window.GetMouseX(), 150);
    EXPECT_EQ(window.GetMouseY(), 100);
    window.Destroy();
}

namespace {

struct Drops {
    std::vector<std::string> paths;
    int32_t x = -1, y = -1;
    int count = 0;
    void OnDropFiles(const std::vector<std::string>& dropped, int32_t dropx, int32_t dropy) {
        paths = dropped;
        x = dropx;
        y = dropy;
        ++count;
    }
};

} // namespace

TEST_F(QtPlatformTest, DroppedLocalFilesReachTheSlotWithTheirPoint) {
    qzMain root(0);
    qzWindow window;
    window.Create(&root, "Facetwright drop", 2, 100, 100, 300, 200, 300, 200, nullptr);
    Drops drops;
    window.SetOnDropFiles(
        qzCallback<const std::vector<std::string>&, int32_t, int32_t>::Bind<&Drops::OnDropFiles>(&drops));
    window.Show(false);
    QWindow* native = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->windowTitle() == "Facetwright drop")
            native = widget->windowHandle();
    ASSERT_NE(native, nullptr);

    // As the system delivers a drag: it enters, and drops where it entered when the window takes it.
    // Answers whether the window took the drag.
    auto drag = [&](const QMimeData& data, QPoint at) {
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(native, &enter);
        if (enter.isAccepted()) {
            QDropEvent drop(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(native, &drop);
        }
        EXPECT_TRUE(PumpMessages());
        return enter.isAccepted();
    };
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/cube one.obj"), QUrl("https://example.com/web.obj"),
                   QUrl::fromLocalFile(QString::fromUtf8("/tmp/\xc3\xa9t\xc3\xa9.gltf"))});
    EXPECT_FALSE(drag(files, QPoint(30, 40))) << "a window takes no drops until asked to";
    EXPECT_EQ(drops.count, 0);

    window.AcceptFileDrops(true);
    EXPECT_TRUE(drag(files, QPoint(30, 40)));
    EXPECT_EQ(drops.count, 1);
    EXPECT_EQ(drops.paths, (std::vector<std::string>{"/tmp/cube one.obj", "/tmp/\xc3\xa9t\xc3\xa9.gltf"}));
    EXPECT_EQ(drops.x, 30);
    EXPECT_EQ(drops.y, 40);
    // Nothing of this machine, nothing taken.
    QMimeData web;
    web.setUrls({QUrl("https://example.com/web.obj")});
    EXPECT_FALSE(drag(web, QPoint(5, 6)));
    EXPECT_EQ(drops.count, 1);
    EXPECT_EQ(qzGetOpenDropCount(), 0u);
    window.Destroy();
}
