#include "pw2_filecommands.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "pw2_recovery.h"
#include "tempdirectory.h"
#include "test_pw2_graphics_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
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

// Lets the time pass by which the copy is due, and waits for its write.
void WriteDue(pw2_Recovery& recovery, const pw2_Model& model, uint32_t time = DELAY) {
    testnow += time;
    recovery.Update(model);
    EXPECT_TRUE(recovery.IsWriting());
    recovery.Wait();
}

} // namespace

TEST(Recovery, ACopyOfWhatASaveWouldWriteFollowsTheFirstChangeAfterTheDelayAndGoesWhenNothingIsUnsaved) {
    TempDirectory directory;
    testnow = 5000;
    pw2_Model model;
    pw2_Recovery recovery(directory / "data", TestClock);
    MoveFirstPoint(model);
    recovery.Update(model);
    EXPECT_EQ(recovery.GetTimeToWrite(), DELAY);
    // a later change does not put the copy off
    testnow += DELAY - 1;
    MoveFirstPoint(model);
    recovery.Update(model);
    EXPECT_EQ(recovery.GetTimeToWrite(), 1u);
    EXPECT_FALSE(recovery.IsWriting());
    WriteDue(recovery, model, 1);
    recovery.Update(model);
    EXPECT_FALSE(recovery.IsArmed()) << "nothing new, nothing due";
    const std::string copy = directory.Get(recovery.GetPath().substr(directory.path.size() + 1));
    model.Save(directory / "saved.ply");
    EXPECT_EQ(copy, directory.Get("saved.ply"));
    recovery.Update(model);
    EXPECT_FALSE(Exists(recovery.GetPath()));
    // undoing to what was saved takes the copy away again; a redo brings a new one
    MoveFirstPoint(model);
    recovery.Update(model);
    WriteDue(recovery, model);
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
    for (const char* name : {"recovery-old.ply", "recovery-new.ply", "recovery-new.ply.saving"})
        directory.Put(name, "");
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
    testing::internal::CaptureStderr();
    WriteDue(recovery, model);
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

// The program with a data folder of the test's, started by the test itself, with a device so that the loop
// can sleep.
struct RecoveryMainBase : ControlTest {
    TempDirectory directory;
    std::string folder = directory / "facetwright";
    std::string leftcopy = folder + "/recovery-left.ply";

    void SetUp() override { platform.userdatafolder = directory.path; }
    // Starts with a triangle in a copy that a crashed process left, and the answer to the offer to open it.
    void StartWithLeftCopy(int answer) {
        std::filesystem::create_directories(folder);
        directory.Put("facetwright/recovery-left.ply",
                      "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                      "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n"
                      "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
        platform.messageboxanswer = answer;
        ControlTest::SetUp();
        // the offer waits for the first frame
        for (int pass = 0; pass < 10 && platform.CallsStartingWith("MessageBox").empty(); ++pass)
            app->RunOnce();
        EXPECT_GT(app->GetGraphicsController()->GetDrawnFrames(), 0u);
        EXPECT_EQ(platform.CallsStartingWith("MessageBox").size(), 1u);
    }
};
using RecoveryMainTest = WithFakeDirect3D<RecoveryMainBase>;

} // namespace

TEST_F(RecoveryMainTest, AnAcceptedCopyOpensChangedAndGoesOnceTheLoopWakesToWriteItsOwnThatACleanEndRemoves) {
    StartWithLeftCopy(IDYES);
    for (int i = 0; i < 20000 && app->GetFileCommands()->IsLoading(); ++i) {
        app->RunOnce();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    app->RunOnce();
    EXPECT_NE(platform.CallsStartingWith("MessageBox")[0].find("Recovered changes "), std::string::npos);
    EXPECT_EQ(app->GetModel()->currentgeometry->pointcount, 3u);
    EXPECT_TRUE(platform.CallsStartingWith("SetWindowText").back().ends_with(" Untitled* - Facetwright v6"));
    testnow += 1000;
    EXPECT_EQ(app->GetIdleTimeout(), DELAY - 1000);
    EXPECT_TRUE(Exists(leftcopy));
    WriteDue(*app->GetRecovery(), *app->GetModel(), DELAY - 1000);
    EXPECT_FALSE(Exists(leftcopy));
    const std::string copy = app->GetRecovery()->GetPath();
    EXPECT_EQ(copy.rfind(folder + "/recovery-", 0), 0u) << copy;
    EXPECT_TRUE(Exists(copy));
    app.reset();
    EXPECT_FALSE(Exists(copy));
}

TEST_F(RecoveryMainTest, ARefusedCopyIsDeletedAndTheUnchangedSampleSceneStaysWithNothingDue) {
    StartWithLeftCopy(IDNO);
    EXPECT_FALSE(Exists(leftcopy));
    EXPECT_EQ(app->GetModel()->currentgeometry->pointcount, 212u);
    EXPECT_TRUE(platform.CallsStartingWith("SetWindowText").empty());
    app->RunOnce();
    EXPECT_EQ(app->GetIdleTimeout(), QZINFINITE);
}
