#include "test_qzdevice_fixture.h"

#include "qzscene.h"
#include "qzvertexqueue.h"

#include <stdexcept>

namespace {

struct SceneTest : UsableDeviceTest {
    qzVertexQueue2D screen;
    qzVertexQueue3D model;
    void SetUp() override {
        UsableDeviceTest::SetUp();
        screen.Create(&device, 10000);
        model.Create(&device, 10000);
        api.ClearCalls();
    }
};

} // namespace

TEST_F(SceneTest, EndDropsWhatTheRegisteredQueuesStillHoldAndUnlocksThem) {
    {
        qzScene scene;
        scene.Begin(&device);
        scene.Register(&screen);
        scene.Register(&model);
        EXPECT_EQ(scene.queues.count, 2);
        screen.Enqueue(D3DPT_TRIANGLELIST, 6);
        model.Enqueue(D3DPT_LINELIST, 4);
        ASSERT_TRUE(screen.vbi.IsLocked());
        scene.End();
        EXPECT_EQ(scene.device, nullptr);
        EXPECT_EQ(scene.queues.count, 0);
        EXPECT_FALSE(screen.vbi.IsLocked());
        EXPECT_FALSE(model.vbi.IsLocked());
        EXPECT_EQ(screen.count, 0u);
        EXPECT_EQ(screen.type, -1);
        EXPECT_EQ(api.CallsStartingWith("DrawPrimitive").size(), 0u);
        EXPECT_EQ(api.calls.back(), "EndScene");
        EXPECT_EQ(api.CallsStartingWith("Unlock").size(), 2u);
        scene.Begin(&device); // a scene can be begun again once ended
    }
    EXPECT_EQ(api.calls.back(), "EndScene"); // the destructor ended it
    EXPECT_EQ(api.device->inscene, false);
}

TEST_F(SceneTest, ASceneLeftByAnExceptionStillEndsAndUnlocks) {
    try {
        qzScene scene;
        scene.Begin(&device);
        scene.Register(&screen);
        screen.Enqueue(D3DPT_POINTLIST, 3);
        throw std::runtime_error("drawing failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(screen.vbi.IsLocked());
    EXPECT_FALSE(screen.IsLinked());
    EXPECT_FALSE(api.device->inscene);
}

TEST_F(SceneTest, AQueueCannotBeRegisteredTwice) {
    qzScene scene;
    scene.Begin(&device);
    scene.Register(&screen);
    EXPECT_DEATH(scene.Register(&screen), "Expression: list==NULL");
}
