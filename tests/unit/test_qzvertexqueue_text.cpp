#include "test_qzdevice_fixture.h"

#include "qzscene.h"
#include "qztextlayout.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

struct TextDrawTest : UsableDeviceTest {
    qzBitmapFont font;
    qzScene scene;
    void SetUp() override {
        UsableDeviceTest::SetUp();
        std::ifstream file(std::string(QZ_SOURCE_DIR) + "/resources/font1002.bmpf", std::ios::binary);
        std::string block((std::istreambuf_iterator<char>(file)), {});
        font.Load(block.data(), block.size(), true);
        scene.Begin(&device);
    }
    void TearDown() override {
        scene.End();
        DeviceTest::TearDown();
    }
    // Every vertex drawn from this draw on, without the specular colour that the text does not write.
    std::vector<qzVertex2D> DrawnVertices(size_t fromdraw) {
        std::vector<qzVertex2D> vertices;
        for (size_t d = fromdraw; d < api.draws.size(); ++d) {
            EXPECT_EQ(api.draws[d].type, D3DPT_TRIANGLELIST);
            for (size_t offset = 0; offset < api.draws[d].vertices.size(); offset += sizeof(qzVertex2D)) {
                qzVertex2D v;
                std::memcpy(&v, api.draws[d].vertices.data() + offset, sizeof v);
                v.specular = 0;
                vertices.push_back(v);
            }
        }
        return vertices;
    }
};

bool Same(const std::vector<qzVertex2D>& a, const std::vector<qzVertex2D>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(qzVertex2D)) == 0;
}

} // namespace

TEST_F(TextDrawTest, EveryGlyphIsAQuadOverItsCellWithPixelCentresHit) {
    qzVertexQueue2D queue;
    queue.Create(&device, 10000);
    scene.Register(&queue);
    qzTextLayout layout(&font, 0, 4);
    layout.Layout(qzStringRef::FromText("ab\n\tc"), false, false, 1000);
    layout.Align(QZALIGN_LEFT, QZALIGN_BASELINE);
    layout.Draw(&queue, 0xFF102030, 100, 50);
    queue.Flush();
    ASSERT_EQ(api.draws.size(), 1u);
    std::vector<qzVertex2D> drawn = DrawnVertices(0);
    ASSERT_EQ(drawn.size(), 18u);

    // the font: cells 12 x 11, horizontal offset 0, baseline offset -9, line height 15
    const float cell[2] = {14, 13};
    const struct {
        char character;
        float left, top;
    } glyphs[] = {{'a', 99, 40},
                  {'b', 99 + static_cast<float>(font.GetGlyphWidth(font.GetGlyph('a'))), 40},
                  {'c', 99, 55}};
    for (int g = 0; g < 3; ++g) {
        qzGlyphRect uv = font.GetGlyphRect(font.GetGlyph(static_cast<unsigned char>(glyphs[g].character)));
        float l = glyphs[g].left - 0.5f, t = glyphs[g].top - 0.5f;
        float r = l + cell[0], b = t + cell[1];
        const float corners[6][4] = {{l, t, uv.left, uv.top},     {r, t, uv.right, uv.top},
                                     {r, b, uv.right, uv.bottom}, {r, b, uv.right, uv.bottom},
                                     {l, b, uv.left, uv.bottom},  {l, t, uv.left, uv.top}};
        // two clockwise triangles on the screen (y down)
        for (int k = 0; k < 6; ++k) {
            qzVertex2D expected{corners[k][0], corners[k][1], 0, 1, 0xFF102030u, 0,
                                corners[k][2], corners[k][3]};
            EXPECT_TRUE(Same({drawn[6 * g + k]}, {expected})) << g << " " << k;
        }
    }
}

TEST_F(TextDrawTest, ATextBeyondTheQueuesCapacityGoesThroughArraysAndDrawsTheSameQuads) {
    std::string text;
    for (int i = 0; i < 2500; ++i)
        text += static_cast<char>('!' + i % 90);
    qzTextLayout layout(&font, 1, 4);
    layout.Layout({text.data(), static_cast<uint32_t>(text.size())}, true, true, 700);
    layout.Align(QZALIGN_CENTER, QZALIGN_MIDDLE);
    ASSERT_GT(layout.glyphcount * 6, 10000u);

    qzVertexQueue2D big, small;
    big.Create(&device, 20000);
    small.Create(&device, 10000);
    scene.Register(&big);
    scene.Register(&small);
    api.ClearCalls();
    layout.Draw(&big, 0x80FFFFFF, 400, 300);
    big.Flush();
    EXPECT_EQ(api.CallsStartingWith("DrawPrimitive").size(), 1u); // in place, one batch
    size_t firstarray = api.draws.size();
    std::vector<qzVertex2D> inplace = DrawnVertices(0);
    EXPECT_EQ(inplace.size(), layout.glyphcount * 6u);

    layout.Draw(&small, 0x80FFFFFF, 400, 300);
    small.Flush();
    EXPECT_GT(api.draws.size() - firstarray, 1u);
    EXPECT_TRUE(Same(DrawnVertices(firstarray), inplace));
}
