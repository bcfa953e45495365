#include "test_qzdevice_fixture.h"

#include "qzlight.h"

#include <memory>
#include <random>
#include <set>

using LightTest = UsableDeviceTest;

TEST_F(LightTest, ANewLightTakesTheLowestIndexNoOtherLightUses) {
    // random creations and destructions against the set of indices in use
    std::mt19937 random(5);
    std::vector<std::unique_ptr<qzLight>> alive;
    std::set<uint32_t> used;
    for (int step = 0; step < 400; ++step) {
        if (!alive.empty() && random() % 3 == 0) {
            size_t victim = random() % alive.size();
            used.erase(alive[victim]->GetIndex());
            alive.erase(alive.begin() + static_cast<long>(victim));
        } else {
            uint32_t lowest = 0;
            while (used.count(lowest) != 0)
                ++lowest;
            alive.push_back(std::make_unique<qzLight>());
            alive.back()->Create(&device);
            EXPECT_EQ(alive.back()->GetIndex(), lowest);
            used.insert(lowest);
        }
        EXPECT_EQ(static_cast<size_t>(device.lights.count), used.size());
    }
}

TEST_F(LightTest, ApplyHandsTheRecordToTheDeviceAndEnableSwitchesIt) {
    qzLight light;
    light.Create(&device);
    light.SetType(D3DLIGHT_DIRECTIONAL);
    light.SetColors(0, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f);
    light.SetDirection(-1, -2, -4);
    light.Apply();
    light.Enable(true);
    EXPECT_EQ(api.calls,
              (std::vector<std::string>{"SetLight 0 type 3 diffuse 0.3,0.4,0.5,0 specular 0.6,0.7,0.8,0 "
                                        "ambient 0,0.1,0.2,0 direction -1,-2,-4",
                                        "LightEnable 0 1"}));
    EXPECT_TRUE(api.device->lightenabled[0]);
    light.Destroy();
    EXPECT_FALSE(api.device->lightenabled[0]); // a destroyed light is switched off
    EXPECT_EQ(device.lights.count, 0);
}

TEST_F(LightTest, ALightOnADeviceNotYetMadeIsDestroyedWithoutCallingIt) {
    qzWindow other;
    other.Create(&root, "Other", 2, QZDEFAULTPOS, QZDEFAULTPOS, 320, 200, 0, 0, nullptr);
    qzDevice unmade;
    unmade.Create(&other, false);
    qzLight light;
    light.Create(&unmade);
    api.ClearCalls();
    light.Destroy();
    EXPECT_TRUE(api.calls.empty());
}
