#include "meshdata.h"
#include "modelfile.h"
#include "pw2_filecommands.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "pw2_recovery.h"
#include "tempdirectory.h"
#include "test_pw2_graphics_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

constexpr uint32_t DELAY = pw2_Recovery::DELAY;

void MoveFirstPoint(pw2_Model& model) {
    pw2_ModelGeometry* geometry = model.currentgeometry;
    model.history.Begin(geometry, "Move", true);
    geometry->SetPosition(geometry->firstpoint, geometry->firstpoint->position + qzVector3(0, 0, 1));
    ASSERT_TRUE(model.history.Commit());
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A triangle in a copy that a crashed process left.
void PutLeftCopy(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    pw2_MeshData mesh;
    mesh.positions = {qzVector3(0, 0, 0), qzVector3(1, 0, 0), qzVector3(0, 1, 0)};
    const uint32_t corners[] = {0, 1, 2};
    mesh.AddFace(corners, 3);
    pw2_WriteModelFile(path, mesh);
}

} // namespace

TEST(Recovery, ACopyFollowsTheFirstUnsavedChangeAfterTheDelayAndHoldsWhatASaveWrites) {
    TempDirectory directory;
    testnow = 5000;
    pw2_Model model;
    pw2_Recovery recovery(directory / "data", TestClock);
    recovery.Update(model);
    EXPECT_FALSE(recovery.IsArmed());
    MoveFirstPoint(model);
    recovery.Update(model);
    ASSERT_TRUE(recovery.IsArmed());
    EXPECT_EQ(recovery.GetTimeToWrite(), DELAY);
    // a later change does not put the copy off
    testnow += DELAY - 1;
    MoveFirstPoint(model);
    recovery.Update(model);
    EXPECT_EQ(recovery.GetTimeToWrite(), 1u);
    EXPECT_FALSE(recovery.IsWriting());
    EXPECT_FALSE(Exists(recovery.GetPath()));
    testnow += 1;
    recovery.Update(model);
    EXPECT_TRUE(recovery.IsWriting());
    EXPECT_FALSE(recovery.IsArmed());
    recovery.Wait();
    // nothing new, nothing due
    recovery.Update(model);
    EXPECT_FALSE(recovery.IsArmed());
    const std::string copy = ReadFile(recovery.GetPath());
    model.Save(directory / "saved.ply");
    EXPECT_EQ(copy, directory.Get("saved.ply"));
    recovery.Update(model);
    EXPECT_FALSE(Exists(recovery.GetPath()));
    // undoing to what was saved takes the copy away again; a redo brings a new one
    MoveFirstPoint(model);
    recovery.Update(model);
    testnow += DELAY;
    recovery.Update(model);
    recovery.Wait();
    EXPECT_TRUE(Exists(recovery.GetPath()));
    model.history.Undo();
    recovery.Update(model);
    EXPECT_FALSE(Exists(recovery.GetPath()));
    model.history.Redo();
    recovery.Update(model);
    EXPECT_TRUE(recovery.IsArmed());
}

TEST(Recovery, AFailedWriteIsLoggedAndTriedAgainAfterTheNextChangeAndTheNewestLeftCopyIsFound) {
    TempDirectory directory;
    directory.Put("recovery-old.ply", "");
    directory.Put("recovery-new.ply", "");
    directory.Put("recovery-new.ply.saving", "");
    const auto now = std::filesystem::file_time_type::clock::now();
    std::filesystem::last_write_time(directory / "recovery-old.ply", now - std::chrono::hours(1));
    // a folder that is a file: nothing can be written there
    pw2_Recovery recovery(directory / "recovery-new.ply", TestClock), other(directory.path);
    // each process writes a file of its own name, and never finds its own
    std::filesystem::copy_file(directory / "recovery-old.ply", other.GetPath());
    EXPECT_NE(pw2_Recovery(directory.path).GetPath(), other.GetPath());
    EXPECT_EQ(other.FindLeftCopy(), directory / "recovery-new.ply");
    EXPECT_EQ(pw2_Recovery("").FindLeftCopy(), "");
    pw2_Model model;
    MoveFirstPoint(model);
    recovery.Update(model);
    testnow += DELAY;
    testing::internal::CaptureStderr();
    recovery.Update(model);
    recovery.Wait();
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("[pw2_Recovery] Failed to write \"" + recovery.GetPath() + "\": "), std::string::npos)
        << log;
    recovery.Update(model);
    EXPECT_FALSE(recovery.IsArmed());
    MoveFirstPoint(model);
    recovery.Update(model);
    EXPECT_TRUE(recovery.IsArmed());
}

namespace {

// The program with a data folder of the test's.
struct RecoveryMainTest : ControlTest {
    TempDirectory directory;
    std::string folder = directory / "facetwright";

    void SetUp() override {
        platform.userdatafolder = directory.path;
        ControlTest::SetUp();
    }
    pw2_Recovery& Recovery() { return *app->GetRecovery(); }
    void FinishLoad() {
        for (int i = 0; i < 20000 && app->GetFileCommands()->IsLoading(); ++i) {
            app->RunOnce();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(app->GetFileCommands()->IsLoading());
    }
    // Runs the loop once the copy is due, until it is written.
    void WriteCopy() {
        testnow += DELAY;
        app->RunOnce();
        EXPECT_TRUE(Recovery().IsWriting());
        Recovery().Wait();
    }
    std::string Title() {
        std::vector<std::string> titles = platform.CallsStartingWith("SetWindowText");
        return titles.empty() ? "" : titles.back().substr(titles.back().find(' ', 14) + 1);
    }
};

struct LeftCopyTest : RecoveryMainTest {
    int answer = IDYES;
    void SetUp() override {
        PutLeftCopy(folder + "/recovery-left.ply");
        platform.messageboxanswer = answer;
        RecoveryMainTest::SetUp();
    }
};

struct RefusedCopyTest : LeftCopyTest {
    RefusedCopyTest() { answer = IDNO; }
};

// With a device, so that the loop can sleep.
using RecoveryLoopTest = WithFakeDirect3D<RecoveryMainTest>;

} // namespace

TEST_F(RecoveryLoopTest, TheLoopWakesWhenTheCopyIsDueAndACleanEndRemovesIt) {
    app->RunOnce();
    ASSERT_EQ(app->GetIdleTimeout(), QZINFINITE);
    MoveFirstPoint(*app->GetModel());
    app->RunOnce();
    EXPECT_EQ(app->GetIdleTimeout(), DELAY);
    testnow += 1000;
    EXPECT_EQ(app->GetIdleTimeout(), DELAY - 1000);
    WriteCopy();
    const std::string copy = Recovery().GetPath();
    EXPECT_EQ(copy.rfind(folder + "/recovery-", 0), 0u) << copy;
    EXPECT_TRUE(Exists(copy));
    app.reset();
    EXPECT_FALSE(Exists(copy));
}

TEST_F(LeftCopyTest, AnAcceptedCopyOpensAsAnUntitledChangedModelAndGoesOnceItsOwnCopyIsWritten) {
    FinishLoad();
    std::vector<std::string> boxes = platform.CallsStartingWith("MessageBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("Recovered changes "), std::string::npos) << boxes[0];
    EXPECT_EQ(app->GetModel()->currentgeometry->pointcount, 3u);
    EXPECT_EQ(Title(), "Untitled* - Facetwright v6");
    EXPECT_TRUE(Exists(folder + "/recovery-left.ply"));
    WriteCopy();
    EXPECT_FALSE(Exists(folder + "/recovery-left.ply"));
    EXPECT_TRUE(Exists(Recovery().GetPath()));
}

TEST_F(RefusedCopyTest, ARefusedCopyIsDeletedAndTheSampleSceneStays) {
    EXPECT_EQ(platform.CallsStartingWith("MessageBox").size(), 1u);
    EXPECT_FALSE(Exists(folder + "/recovery-left.ply"));
    EXPECT_EQ(app->GetModel()->currentgeometry->pointcount, 212u);
    EXPECT_EQ(Title(), "");
}
