#include "meshdata.h"
#include "pw2_control_button.h"
#include "pw2_filecommands.h"
#include "pw2_graphicscontroller.h"
#include "pw2_menu.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "pw2_submenu.h"
#include "pw2_submenubar.h"
#include "pw2_view.h"
#include "pw2_viewimage.h"
#include "tempdirectory.h"
#include "test_pw2_control_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

// A cube of side 2 around (10, 20, 30): six quads.
const char CUBE[] =
    "v 9 19 29\nv 11 19 29\nv 11 21 29\nv 9 21 29\nv 9 19 31\nv 11 19 31\nv 11 21 31\nv 9 21 31\n"
    "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n";

struct FileTest : ControlTest {
    TempDirectory directory;

    void SetUp() override {
        directory.Put("cube.obj", CUBE);
        ControlTest::SetUp();
    }
    pw2_FileCommands& Commands() { return *app->GetFileCommands(); }
    // Runs the loop until the load has ended and said why it failed, if it did.
    void FinishLoad() {
        for (int i = 0; i < 20000 && (Commands().IsLoading() || Commands().HasMessageToShow()); ++i) {
            app->RunOnce();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(Commands().IsLoading() || Commands().HasMessageToShow());
    }
    void HoldKeys(bool control, bool shift) {
        platform.keystate[VK_CONTROL] = control ? int16_t(0x8000) : 0;
        platform.keystate[VK_SHIFT] = shift ? int16_t(0x8000) : 0;
    }
    std::vector<std::string> Titles() { return platform.CallsStartingWith("SetWindowText"); }
    std::vector<std::string> Boxes() { return platform.CallsStartingWith("MessageBox"); }
    uint32_t Points() { return app->GetModel()->currentgeometry->pointcount; }
};

struct StartFileTest : FileTest {
    void SetUp() override {
        startfile = directory / "cube.obj";
        FileTest::SetUp();
    }
};

struct MissingStartFileTest : FileTest {
    void SetUp() override {
        startfile = directory / "missing.obj";
        FileTest::SetUp();
    }
};

} // namespace

TEST_F(StartFileTest, TheStartFileTakesThePlaceOfTheSampleSceneAndBothViewsFrameIt) {
    // the load may end during the set-up's passes of the loop: nothing but the file is ever the model
    EXPECT_TRUE(Points() == 0u || Points() == 8u) << Points();
    FinishLoad();
    EXPECT_EQ(Points(), 8u);
    EXPECT_EQ(app->GetModel()->revision, 1u) << "the sample scene came first";
    EXPECT_EQ(app->GetModel()->currentgeometry->facecount, 6u);
    EXPECT_EQ(app->GetModel()->path, directory / "cube.obj");
    ASSERT_FALSE(Titles().empty());
    EXPECT_NE(Titles().back().find(" cube.obj - Facetwright v6"), std::string::npos);
    for (pw2_View* view : {app->GetLeftView(), app->GetRightView()}) {
        const qzVector3 target = view->GetTarget();
        EXPECT_EQ(target.x, 10);
        EXPECT_EQ(target.y, 20);
        EXPECT_EQ(target.z, 30);
        // the cube's sphere fills much of the image's narrower side at a whole zoom step, but not all of it
        const double diameter = 2 * std::sqrt(3.0);
        const double side = std::min(view->GetImage()->GetWidth(), view->GetImage()->GetHeight());
        const double fill = diameter / view->ZoomScale() / side;
        EXPECT_GT(fill, 0.5);
        EXPECT_LE(fill, 0.9);
        EXPECT_EQ(view->GetZoom(), std::floor(view->GetZoom()));
    }
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(MissingStartFileTest, AStartFileThatCannotBeReadLeavesTheSampleSceneAndSaysWhy) {
    FinishLoad();
    EXPECT_EQ(Points(), 212u);
    EXPECT_EQ(app->GetModel()->path, "");
    EXPECT_TRUE(Titles().empty());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_NE(
        Boxes()[0].find("Failed to load missing.obj: the file cannot be read: no such file or directory"),
        std::string::npos);
}

TEST_F(FileTest, CtrlOOpensTheChosenFileAndAFailureLeavesTheModelShown) {
    platform.filedialogfiles = {directory / "cube.obj"};
    HoldKeys(true, false);
    Key('O');
    EXPECT_FALSE(platform.lastfiledialog.save);
    FinishLoad();
    EXPECT_EQ(Points(), 8u);
    // a file with a fault names its line
    directory.Put("bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n\nf 1 2 40\n");
    platform.filedialogfiles = {directory / "bad.obj"};
    Key('O');
    FinishLoad();
    EXPECT_EQ(Points(), 8u);
    EXPECT_EQ(app->GetModel()->path, directory / "cube.obj");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_NE(Boxes()[0].find("bad.obj, line 5: "), std::string::npos) << Boxes()[0];
    // a cancelled dialog does nothing
    platform.filedialogconfirms = false;
    Key('O');
    EXPECT_FALSE(Commands().IsLoading());
}

TEST_F(FileTest, AFileDroppedOntoTheWindowOpens) {
    EXPECT_EQ(platform.CallsStartingWith("DragAcceptFiles").size(), 1u);
    platform.DropFiles(Handle(), {directory / "cube.obj", directory / "other.obj"}, 300, 200);
    // the pass that takes the drop may already see the small file's load end
    app->RunOnce();
    FinishLoad();
    EXPECT_EQ(app->GetModel()->path, directory / "cube.obj");
}

TEST_F(FileTest, CtrlSSavesToTheModelsFileOrAsksWhenThereIsNone) {
    HoldKeys(true, false);
    platform.filedialogfiles = {directory / "scene.ply"};
    Key('S');
    ASSERT_EQ(platform.CallsStartingWith("FileDialog").size(), 1u);
    EXPECT_TRUE(platform.lastfiledialog.save);
    EXPECT_EQ(app->GetModel()->path, directory / "scene.ply");
    EXPECT_NE(Titles().back().find(" scene.ply - Facetwright v6"), std::string::npos);
    // the model has its file now: Ctrl+S writes it again without asking
    std::filesystem::remove(directory / "scene.ply");
    Key('S');
    EXPECT_EQ(platform.CallsStartingWith("FileDialog").size(), 1u);
    EXPECT_TRUE(directory.Exists("scene.ply"));
    // Ctrl+Shift+S always asks
    HoldKeys(true, true);
    platform.filedialogfiles = {directory / "scene.off"};
    Key('S');
    EXPECT_EQ(platform.CallsStartingWith("FileDialog").size(), 2u);
    EXPECT_EQ(app->GetModel()->path, directory / "scene.off");
    // a model from a file that cannot be written asks for another name
    HoldKeys(true, false);
    app->GetModel()->path = directory / "scene.gltf";
    platform.filedialogconfirms = false;
    Key('S');
    EXPECT_EQ(platform.CallsStartingWith("FileDialog").size(), 3u);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(FileTest, TheFilePanelTakesTheFifthPlaceWithThreeButtonsThatAct) {
    pw2_Submenu* file = app->GetMenu()->GetSubmenuBar()->GetSubmenus()[4];
    EXPECT_EQ(std::string(file->GetTitle().c_str()), "File");
    EXPECT_EQ(file->GetHue(), 2.0);
    EXPECT_EQ(file->GetWidthCells(), 40);
    std::vector<std::string> texts, tooltips;
    for (pw2_Window* w = file->GetChildren().first; w != nullptr; w = w->next) {
        texts.push_back(dynamic_cast<pw2_Control_Button*>(w)->GetText().c_str());
        tooltips.push_back(w->GetTooltip().c_str());
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Open", "Save", "Save as"}));
    EXPECT_EQ(tooltips,
              (std::vector<std::string>{"Open a model file (Ctrl+O)", "Save the model to its file (Ctrl+S)",
                                        "Save the model under a new name (Ctrl+Shift+S)"}));
    platform.filedialogconfirms = false;
    Click(680, 505); // "Open", at the panel's left edge 655
    EXPECT_EQ(platform.CallsStartingWith("FileDialog").size(), 1u);
    EXPECT_FALSE(platform.lastfiledialog.save);
}

TEST_F(FileTest, TheProgressShowsAfterHalfASecondAndEscapeEndsTheLoad) {
    Commands().OpenFile(directory / "cube.obj");
    EXPECT_TRUE(Commands().IsLoading());
    testnow += pw2_FileCommands::PROGRESSDELAY - 1;
    EXPECT_FALSE(Commands().IsProgressShown());
    testnow += 1;
    EXPECT_TRUE(Commands().IsProgressShown());
    EXPECT_EQ(Commands().GetLoadingName(), "cube.obj");
    Key(VK_ESCAPE);
    EXPECT_FALSE(Commands().IsLoading());
    EXPECT_FALSE(Commands().IsProgressShown());
    // whichever came first, the end of the load or the cancel, the model is whole
    EXPECT_TRUE(Points() == 212u || Points() == 8u);
}

TEST(Progress, ReportsFillTheirStageAndThrowOnceCancelled) {
    pw2_Progress progress;
    progress.SetStage(0.5, 1);
    progress.Report(1, 4);
    EXPECT_DOUBLE_EQ(progress.GetFraction(), 0.625);
    progress.Report(9, 4);
    EXPECT_DOUBLE_EQ(progress.GetFraction(), 1);
    progress.Cancel();
    EXPECT_THROW(progress.Report(0, 4), pw2_Cancelled);
}

TEST(ProgressLook, TheBarFillsInProportionInsideItsFrameCentredOverTheViews) {
    for (double fraction : {-1.0, 0.0, 0.25, 1.0, 2.0}) {
        pw2_ProgressLook look = pw2_ComputeProgress(800, 445, fraction);
        EXPECT_EQ((look.frame.x1 + look.frame.x2 + 1) / 2, 400);
        EXPECT_EQ((look.frame.y1 + look.frame.y2 + 1) / 2, 222);
        const int32_t inside = look.barframe.x2 - look.barframe.x1 - 1;
        EXPECT_EQ(look.bar.x1, look.barframe.x1 + 1);
        EXPECT_EQ(look.bar.x2 - look.bar.x1, int32_t(inside * std::clamp(fraction, 0.0, 1.0)));
        EXPECT_GT(look.barframe.y1, look.caption.y);
        EXPECT_LT(look.barframe.y2, look.hint.y);
    }
}

namespace {

// A model with unsaved changes, and the question asked before they go.
struct UnsavedTest : FileTest {
    void Change() {
        pw2_ModelGeometry* geometry = app->GetModel()->currentgeometry;
        app->GetModel()->history.Begin(geometry, "Move", true);
        geometry->SetPosition(geometry->firstpoint, geometry->firstpoint->position + qzVector3(1, 0, 0));
        ASSERT_TRUE(app->GetModel()->history.Commit());
        Commands().UpdateTitle();
    }
    std::string Title() { return Titles().back().substr(Titles().back().find(' ', 14) + 1); }
};

} // namespace

TEST_F(UnsavedTest, TheTitleMarksUnsavedChangesAndIsSetOnlyWhenItChanges) {
    Commands().UpdateTitle();
    EXPECT_TRUE(Titles().empty()) << "the start-up title stays";
    Change();
    Commands().UpdateTitle();
    ASSERT_EQ(Titles().size(), 1u);
    EXPECT_EQ(Title(), "Untitled* - Facetwright v6");
    app->GetModel()->history.Undo();
    Commands().UpdateTitle();
    EXPECT_EQ(Title(), "Facetwright v6");
    Commands().OpenFile(directory / "cube.obj");
    FinishLoad();
    Change();
    EXPECT_EQ(Title(), "cube.obj* - Facetwright v6");
    HoldKeys(true, false);
    Key('S');
    EXPECT_EQ(Title(), "cube.obj - Facetwright v6");
}

TEST_F(UnsavedTest, ClosingAsksFirstAndOnlyASaveThatHappenedOrADiscardCloses) {
    Change();
    const std::string unwritable = directory / "missing/scene.ply";
    // answer, file chosen in the save dialog (none: cancelled), whether the window closes
    for (auto [answer, file, closes] : {std::tuple{IDCANCEL, unwritable, false},
                                        {IDYES, std::string(), false},
                                        {IDYES, unwritable, false},
                                        {IDYES, directory / "scene.ply", true},
                                        {IDNO, std::string(), true}}) {
        platform.messageboxanswer = answer;
        platform.filedialogconfirms = !file.empty();
        platform.filedialogfiles = {file};
        EXPECT_EQ(!Send(WM_CLOSE), closes) << answer << " " << file;
        Change();
    }
    EXPECT_TRUE(directory.Exists("scene.ply"));
    std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_NE(boxes[0].find("Unsaved changes Save the changes to Untitled?"), std::string::npos) << boxes[0];
    EXPECT_NE(boxes[3].find("Failed to save scene.ply"), std::string::npos) << boxes[3];
    EXPECT_NE(boxes[5].find("Save the changes to scene.ply?"), std::string::npos) << boxes[5];
}

TEST_F(UnsavedTest, OpeningAnotherFileAsksFirst) {
    directory.Put("other.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    Commands().OpenFile(directory / "cube.obj");
    FinishLoad();
    Change();
    platform.messageboxanswer = IDCANCEL;
    platform.DropFiles(Handle(), {directory / "other.obj"}, 300, 200);
    app->RunOnce();
    EXPECT_FALSE(Commands().IsLoading());
    // yes writes the changed cube before the other file comes; no leaves the other file as it was
    platform.messageboxanswer = IDYES;
    Commands().OpenFile(directory / "other.obj");
    EXPECT_NE(directory.Get("cube.obj"), CUBE);
    FinishLoad();
    EXPECT_EQ(Points(), 3u);
    Change();
    platform.messageboxanswer = IDNO;
    Commands().OpenFile(directory / "cube.obj");
    FinishLoad();
    EXPECT_EQ(Points(), 8u);
    EXPECT_EQ(directory.Get("other.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    ASSERT_EQ(Boxes().size(), 3u);
    EXPECT_NE(Boxes()[0].find("Save the changes to cube.obj?"), std::string::npos);
}
