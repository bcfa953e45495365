#include "pw2_editor.h"
#include "pw2_model.h"
#include "pw2_modelbuffers.h"
#include "pw2_modelgeometry.h"
#include "pw2_view.h"
#include "pw2_viewimage.h"
#include "test_pw2_graphics_fixture.h"

#include "qzmessage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace {

qzColor ColorOf(uint32_t argb) {
    return qzColor::FromARGB(argb);
}

const qzColor TRANSPARENT(0, 0, 0, 0);
const qzColor SCHEMATIC(120, 160, 220), SCHEMATIC_SELECTED(200, 100, 200);

// What a draw of the view's scene shows, told by its format, primitive and first colour, and for the model's
// edges and points by the colour they take (the see-through pass takes the vertices' second colour).
std::string Layer(const qzFakeRenderApi::Draw& draw, bool secondcolor) {
    if (draw.fvf == pw2_FaceVertex::FVF)
        return "faces";
    if (draw.fvf == pw2_LineVertex::FVF)
        return std::string(draw.type == D3DPT_LINELIST ? "edges" : "points") +
               (secondcolor ? " see-through" : "");
    if (draw.fvf == qzVertex3D::FVF) {
        const std::vector<qzVertex3D> v = Vertices<qzVertex3D>(draw);
        return v.size() % 804 == 0 ? "grid" : "cross";
    }
    const std::vector<qzVertex2D> v = Vertices(draw);
    return draw.type == D3DPT_LINELIST ? "axes" : "letters";
}

// A strip of quads, and one face larger than a chunk on its own; answers the points in order.
std::vector<pw2_ModelPoint*> StripAndLargeFace(pw2_ModelGeometry& g, uint32_t quads, uint32_t n) {
    std::vector<pw2_ModelPoint*> points;
    for (uint32_t i = 0; i <= 2 * quads + 1; ++i) {
        points.push_back(g.CreatePoint());
        points.back()->position = qzVector3(i / 2, i % 2, 0);
    }
    for (uint32_t q = 0; q < quads; ++q) {
        pw2_ModelFace* face = g.CreateFace(4);
        const uint32_t corners[4] = {2 * q, 2 * q + 2, 2 * q + 3, 2 * q + 1};
        for (int i = 0; i < 4; ++i)
            g.SetVertexPoint(&face->vertices[i], points[corners[i]]);
        g.ConnectFace();
    }
    pw2_ModelFace* big = g.CreateFace(n);
    for (uint32_t i = 0; i < n; ++i) {
        points.push_back(g.CreatePoint());
        points.back()->position =
            qzVector3(std::cos(-6.283185307179586 * i / n), std::sin(-6.283185307179586 * i / n), 1);
        g.SetVertexPoint(&big->vertices[i], points.back());
    }
    g.ConnectFace();
    g.UpdateFaceNormals();
    return points;
}

// The left view's image lies at (1, 1) with 398 x 398 pixels in a render target of 512 x 512.
struct ViewDrawTest : GraphicsControlTest {
    pw2_View* view = nullptr;
    pw2_ViewImage* image = nullptr;

    void SetUp() override {
        GraphicsControlTest::SetUp();
        view = app->GetLeftView();
        image = view->GetImage();
    }
    // One DrawViewImage alone in a scene, clipped to the view.
    void DrawView() {
        DrawAlone([&](pw2_GraphicsController& g) { g.DrawViewImage(image, 0, 0, 400, 445); });
    }
    // The layer of every draw of the last DrawView but the bevel and the composite.
    std::vector<std::string> Layers() {
        const std::vector<qzFakeRenderApi::Draw> draws = Draws();
        const std::vector<int> drawcalls = CallsAt("Draw"),
                               secondcolor = CallsAt("SetTextureStageState 0 D3DTSS_COLORARG1 4");
        const std::vector<int> firstcolor = CallsAt("SetTextureStageState 0 D3DTSS_COLOROP 1");
        std::vector<std::string> layers;
        for (size_t d = 0; d + 2 < draws.size(); ++d) {
            // the colour the stage chose last before the draw
            auto before = [&](const std::vector<int>& at) {
                int last = -1;
                for (int i : at)
                    if (i < drawcalls[d])
                        last = i;
                return last;
            };
            layers.push_back(Layer(draws[d], before(secondcolor) > before(firstcolor)));
        }
        return layers;
    }
    // Draws the view and keeps the scene's draws of one layer.
    std::vector<qzFakeRenderApi::Draw> DrawLayer(const std::string& layer) {
        DrawView();
        const std::vector<qzFakeRenderApi::Draw> draws = Draws();
        const std::vector<std::string> layers = Layers();
        std::vector<qzFakeRenderApi::Draw> found;
        for (size_t d = 0; d < layers.size(); ++d)
            if (layers[d] == layer)
                found.push_back(draws[d]);
        return found;
    }
    // Replaces the sample scene by an empty geometry the test fills; the model counts the change.
    pw2_ModelGeometry& EmptyGeometry() {
        app->GetModel()->currentgeometry->Clear();
        ++app->GetModel()->revision;
        return *app->GetModel()->currentgeometry;
    }
};

} // namespace

TEST_F(ViewDrawTest, EveryDisplayModeDrawsItsLayersInOrderIntoTheRenderTarget) {
    const std::vector<std::string> tail = {"axes", "letters"};
    const std::vector<std::vector<std::string>> want = {
        {"faces", "grid", "edges see-through", "edges", "points see-through", "points"},
        {"grid", "edges", "points"},
        {"faces", "grid"},
        {"faces", "grid", "points"},
        {"faces", "grid", "edges", "points"},
    };
    for (uint32_t mode = 0; mode < 5; ++mode) {
        SCOPED_TRACE(mode);
        view->SetDisplayMode(mode);
        DrawView();
        const std::vector<qzFakeRenderApi::Draw> draws = Draws();
        // the scene's draws, then the bevel and the composite into the back buffer
        ASSERT_GE(draws.size(), 2u);
        std::vector<std::string> layers;
        // a layer may take two draws where the queue's buffer starts afresh
        for (const std::string& layer : Layers())
            if (layers.empty() || layers.back() != layer)
                layers.push_back(layer);
        std::vector<std::string> expected = want[mode];
        expected.insert(expected.end(), tail.begin(), tail.end());
        EXPECT_EQ(layers, expected);

        const std::vector<std::string> calls = Calls();
        const std::vector<int> targets = CallsAt("SetRenderTarget 0 "), drawcalls = CallsAt("Draw");
        ASSERT_EQ(targets.size(), 2u) << "into the texture and back";
        ASSERT_EQ(drawcalls.size(), draws.size());
        const int clear =
            api.FindCall("Clear", firstcall + static_cast<size_t>(targets[0])) - static_cast<int>(firstcall);
        EXPECT_EQ(calls[static_cast<size_t>(clear)], "Clear 0x3 0x0 1 0") << "colour and depth cleared";
        EXPECT_LT(clear, drawcalls.front());
        EXPECT_LT(drawcalls[drawcalls.size() - 3], targets[1]);
    }
}

TEST_F(ViewDrawTest, FacesAreTrianglesOrCentredFansInTheSchematicColoursOrTheirOwn) {
    pw2_ModelGeometry& g = EmptyGeometry();
    const qzVector3 corners[4] = {{0, 0, 0}, {4, 0, 0}, {4, 2, 0}, {0, 2, 0}};
    pw2_ModelPoint* points[4];
    for (int i = 0; i < 4; ++i) {
        points[i] = g.CreatePoint();
        points[i]->position = corners[i];
    }
    const qzColor colours[4] = {{10, 20, 30, 255}, {11, 20, 30, 255}, {11, 21, 31, 255}, {11, 21, 31, 200}};
    pw2_ModelFace* quad = g.CreateFace(4);
    for (int i = 0; i < 4; ++i) {
        g.SetVertexPoint(&quad->vertices[i], points[i]);
        quad->vertices[i].color = colours[i];
    }
    g.ConnectFace();
    pw2_ModelFace* triangle = g.CreateFace(3);
    for (int i = 0; i < 3; ++i)
        g.SetVertexPoint(&triangle->vertices[i], points[i]);
    g.ConnectFace();
    g.UpdateFaceNormals();
    quad->vertices[1].selected = quad->vertices[2].selected = 1;
    triangle->vertices[0].selected = 1;

    for (uint32_t mode : {0u, 2u}) {
        SCOPED_TRACE(mode);
        view->SetDisplayMode(mode);
        const std::vector<qzFakeRenderApi::Draw> faces = DrawLayer("faces");
        ASSERT_EQ(faces.size(), 1u);
        const std::vector<pw2_FaceVertex> v = Vertices<pw2_FaceVertex>(faces[0]);
        ASSERT_EQ(v.size(), 4u * 3 + 3) << "a fan of four triangles, then the triangle";
        // the fan: centre, corner i, corner i + 1, closing back to corner 0
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(v[3 * i].x, 2.0f);
            EXPECT_EQ(v[3 * i].y, 1.0f);
            EXPECT_EQ(v[3 * i + 2].x, static_cast<float>(corners[(i + 1) % 4].x));
            EXPECT_EQ(v[3 * i + 2].y, static_cast<float>(corners[(i + 1) % 4].y));
        }
        // the same vertices serve every mode: the schematic colour second, the corners' own first
        // half of the corners selected: the centre half way between the two schematic colours
        EXPECT_EQ(ColorOf(v[0].specular), pw2_Lerp(SCHEMATIC, SCHEMATIC_SELECTED, 0.5));
        EXPECT_EQ(ColorOf(v[1].specular), SCHEMATIC);
        EXPECT_EQ(ColorOf(v[2].specular), SCHEMATIC_SELECTED);
        EXPECT_EQ(ColorOf(v[12].specular), SCHEMATIC_SELECTED);
        EXPECT_EQ(ColorOf(v[13].specular), SCHEMATIC);
        // the rounded mean of each channel: 43/4, 82/4, 122/4, 965/4
        EXPECT_EQ(ColorOf(v[0].diffuse), qzColor(11, 21, 31, 241));
        EXPECT_EQ(ColorOf(v[4].diffuse), colours[1]);
        EXPECT_EQ(ColorOf(v[11].diffuse), colours[0]);
        // lit, with the material taken from the colour of the mode, before the draw
        const int draw = CallsAt("DrawIndexedPrimitive")[0];
        const std::string source = mode == 0 ? "2" : "1";
        for (const std::string& state :
             std::vector<std::string>{"D3DRS_LIGHTING 1", "D3DRS_DIFFUSEMATERIALSOURCE " + source,
                                      "D3DRS_AMBIENTMATERIALSOURCE " + source}) {
            const std::vector<int> at = CallsAt("SetRenderState " + state);
            ASSERT_FALSE(at.empty()) << state;
            EXPECT_LT(at.back(), draw) << state;
        }
    }
}

TEST_F(ViewDrawTest, TheModelGoesToTheDeviceOnceAndAgainOnlyAfterAChangeOrAReset) {
    // the model's buffers are the static ones (write-only, not dynamic), unlike the queues'
    auto modelbuffers = [&] {
        std::vector<std::string> names;
        for (const std::string& call : api.calls)
            if ((call.starts_with("CreateVertexBuffer ") && call.find(" 0x8 ") != std::string::npos) ||
                call.starts_with("CreateIndexBuffer "))
                names.push_back(call.substr(call.rfind(' ') + 1));
        return names;
    };
    DrawOneFrame();
    const std::vector<std::string> first = modelbuffers();
    ASSERT_EQ(first.size(), 5u) << "the faces' and the edges' vertices and indices, the points";
    // the edges' vertices are the points at their ends, each once
    uint32_t ended = 0;
    for (const pw2_ModelPoint* p = app->GetModel()->currentgeometry->firstpoint; p != nullptr; p = p->next)
        ended += p->firstend != nullptr ? 1 : 0;
    EXPECT_NE(std::find(api.calls.begin(), api.calls.end(),
                        "CreateVertexBuffer " + std::to_string(ended * sizeof(pw2_LineVertex)) +
                            " 0x8 0xc2 " + "D3DPOOL_DEFAULT " + first[2]),
              api.calls.end());
    // neither the camera, nor the display mode, nor the projection touch them again
    const size_t before = api.calls.size();
    for (uint32_t mode = 0; mode < 5; ++mode) {
        view->SetDisplayMode(mode);
        view->SetZoom(-5.0 - mode);
        view->SetOrtho(mode % 2 == 0);
        view->OnKeypad(4);
        DrawOneFrame();
    }
    EXPECT_EQ(modelbuffers(), first);
    for (size_t i = before; i < api.calls.size(); ++i)
        for (const std::string& name : first)
            EXPECT_FALSE(api.calls[i].starts_with("Lock " + name + " ")) << api.calls[i];
    // a change of the model makes them again, and so does a reset, which takes default-pool buffers
    ++app->GetModel()->revision;
    DrawOneFrame();
    EXPECT_EQ(modelbuffers().size(), 10u);
    api.LoseDevice();
    DrawOneFrame();
    api.AllowReset();
    app->RunOnce();
    EXPECT_EQ(modelbuffers().size(), 15u);
    EXPECT_EQ(api.LiveIndexBuffers(D3DPOOL_DEFAULT), 2);
}

TEST_F(ViewDrawTest, AModelLargerThanABufferIsDrawnWholeInChunks) {
    pw2_ModelGeometry& g = EmptyGeometry();
    constexpr uint32_t quads = 50, n = 40;
    StripAndLargeFace(g, quads, n);
    pw2_ModelBuffers buffers(16);
    DrawAlone([&](pw2_GraphicsController& graphics) {
        buffers.Update(graphics.GetDevice(), &g, 1);
        buffers.DrawFaces();
        buffers.DrawEdges();
        buffers.DrawPoints();
    });
    size_t triangles = 0, lines = 0, pointcount = 0, largest = 0;
    for (const qzFakeRenderApi::Draw& draw : Draws()) {
        const size_t vertices = draw.vertices.size() / draw.stride;
        largest = std::max(largest, draw.type == D3DPT_TRIANGLELIST ? size_t(0) : vertices);
        (draw.type == D3DPT_TRIANGLELIST ? triangles
         : draw.type == D3DPT_LINELIST   ? lines
                                         : pointcount) += vertices;
    }
    EXPECT_EQ(triangles, 3u * (4 * quads + n));
    EXPECT_EQ(lines, 2u * g.edgecount);
    EXPECT_EQ(pointcount, g.pointcount);
    EXPECT_LE(largest, 16u);
    EXPECT_GT(Draws().size(), 20u);
}

// While points move, their vertices and those of their edges and faces are written where they are: the
// buffers then hold what a build would make of the moved model, without being made again; many moved
// points make everything again.
TEST_F(ViewDrawTest, MovedPointsAreWrittenInPlaceAsABuildWouldMakeThem) {
    pw2_ModelGeometry& g = EmptyGeometry();
    const std::vector<pw2_ModelPoint*> points = StripAndLargeFace(g, 50, 40);
    pw2_ModelBuffers patched(16), fresh(16);
    auto draw = [&](pw2_ModelBuffers& buffers, const std::vector<pw2_ModelPoint*>& moving, uint64_t steps) {
        DrawAlone([&](pw2_GraphicsController& graphics) {
            buffers.Update(graphics.GetDevice(), &g, 1, moving, steps);
            buffers.DrawFaces();
            buffers.DrawEdges();
            buffers.DrawPoints();
        });
        std::vector<std::vector<uint8_t>> vertices;
        for (const qzFakeRenderApi::Draw& d : Draws())
            vertices.push_back(d.vertices);
        return vertices;
    };
    auto created = [&] {
        return std::count_if(api.calls.begin(), api.calls.end(),
                             [](const std::string& c) { return c.starts_with("CreateVertexBuffer "); });
    };
    auto move = [&](const std::vector<pw2_ModelPoint*>& moving) {
        for (pw2_ModelPoint* p : moving) {
            p->position += qzVector3(0.5, 0.25, 2);
            for (pw2_ModelVertex* v = p->firstvertex; v != nullptr; v = v->pointnext)
                g.UpdateFaceNormal(v->face);
        }
    };
    draw(patched, {}, 0);
    const std::vector<pw2_ModelPoint*> few = {points[3], points[60], points.back()};
    move(few);
    const auto before = created();
    const auto inplace = draw(patched, few, 1);
    EXPECT_EQ(created(), before) << "nothing made again";
    EXPECT_EQ(inplace, draw(fresh, {}, 0));

    std::vector<pw2_ModelPoint*> many(points.begin(), points.begin() + 40);
    move(many);
    const auto again = created();
    const auto whole = draw(patched, many, 2);
    EXPECT_GT(created(), again) << "made again whole";
    EXPECT_EQ(whole, draw(fresh, {}, 1));
}

// The steps that change only selections or positions, done or undone, write their points in place; any other
// step makes the buffers again.
TEST_F(ViewDrawTest, SelectionStepsWriteInPlaceAndOtherStepsMakeTheBuffersAgain) {
    auto created = [&] {
        DrawOneFrame();
        return std::count_if(api.calls.begin(), api.calls.end(),
                             [](const std::string& c) { return c.starts_with("CreateVertexBuffer "); });
    };
    pw2_Editor& editor = *app->GetEditor();
    const pw2_ModelPoint* first = app->GetModel()->currentgeometry->firstpoint;
    // the sample scene's selection of 29 points changes too much to be written in place
    editor.SelectPoint(first->next, false);
    const auto made = created();
    editor.SelectPoint(first->next, true);
    editor.SelectPoint(app->GetModel()->currentgeometry->firstpoint, true);
    editor.OnUndo();
    editor.OnRedo();
    EXPECT_EQ(created(), made);
    const std::vector<qzFakeRenderApi::Draw> points = DrawLayer("points");
    ASSERT_FALSE(points.empty());
    const auto* v = reinterpret_cast<const pw2_LineVertex*>(points.back().vertices.data());
    EXPECT_EQ(ColorOf(v[0].diffuse), qzColor(255, 255, 0)) << "the first point alone is selected";
    EXPECT_EQ(ColorOf(v[1].diffuse), qzColor(0, 0, 0));
    editor.OnDelete();
    EXPECT_GT(created(), made);
}

TEST_F(ViewDrawTest, GridDrawsTwoPassesThatFadeWithTheZoomAndTheTurnOfItsPlane) {
    EmptyGeometry();
    auto premultiplied = [](int v, int a) { return static_cast<uint8_t>((v * a + 127) / 255); };
    const qzColor minorfull(premultiplied(60, 50), premultiplied(60, 50), premultiplied(60, 50), 50);
    const qzColor majorfull(premultiplied(60, 80), premultiplied(60, 80), premultiplied(60, 80), 80);
    // the grid's vertices, in one draw or in two where the queue's buffer starts afresh
    auto griddraw = [&]() {
        std::vector<qzVertex3D> all;
        for (const qzFakeRenderApi::Draw& draw : DrawLayer("grid"))
            for (const qzVertex3D& v : Vertices<qzVertex3D>(draw))
                all.push_back(v);
        return all;
    };

    // zoom -9: step 1, fade log10(4); the fine pass at 1 - 0.7 f, the coarse one at f
    double f = 0;
    const double step = view->GridStep(1.0, &f);
    ASSERT_NEAR(step, 1.0, 1e-12);
    std::vector<qzVertex3D> v = griddraw();
    ASSERT_EQ(v.size(), 2u * 804);
    const double strengths[2] = {1 - 0.7 * f, f};
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        const float spacing = pass == 0 ? 1 : 10;
        const qzVertex3D* p = &v[804 * pass];
        // lines at x = k * spacing for k = -100 .. 100 along y, then the lines at fixed y along x
        EXPECT_EQ(p[0].x, -100 * spacing);
        EXPECT_EQ(p[1].y, 100 * spacing);
        EXPECT_EQ(ColorOf(p[2 * 101].diffuse), pw2_Lerp(TRANSPARENT, minorfull, strengths[pass]));
        EXPECT_EQ(ColorOf(p[2 * 110 + 1].diffuse), pw2_Lerp(TRANSPARENT, majorfull, strengths[pass]));
        // the line x = 0 is green, y = 0 red
        EXPECT_EQ(ColorOf(p[200].diffuse), pw2_Lerp(TRANSPARENT, qzColor(0, 170, 0, 170), strengths[pass]));
        EXPECT_EQ(ColorOf(p[402 + 200].diffuse),
                  pw2_Lerp(TRANSPARENT, qzColor(170, 0, 0, 170), strengths[pass]));
    }

    // the grid follows the target by whole tens of lines
    view->SetTarget(qzVector3(37, -4, 0));
    v = griddraw();
    EXPECT_EQ(v[0].x, 40.0f - 100);
    EXPECT_EQ(v[0].y, -100.0f);
    EXPECT_EQ(v[804].x, 0.0f - 1000) << "the coarse pass rounds 3.7 to 0 tens";
    view->SetTarget(qzVector3(0, 0, 0));

    // just past a decade the coarse pass is too faint and left out
    double low = -9, high = 0;
    for (int i = 0; i < 60; ++i) {
        const double middle = (low + high) / 2;
        view->SetZoom(middle);
        (std::log10(view->ZoomScale() * 40) < 1.005 ? low : high) = middle;
    }
    view->GridStep(1.0, &f);
    ASSERT_GT(f, 0.0001);
    ASSERT_LT(f, 0.01);
    EXPECT_EQ(griddraw().size(), 804u);
    view->SetZoom(-9);

    // a turn from "Top" to "Front": the XY grid fades out, then the XZ grid fades in
    view->OnFront();
    ASSERT_TRUE(view->IsAnimating());
    // a quarter of the way the old plane (z = 0) at half strength, three quarters the new one (y = 0)
    const struct {
        uint32_t advance;
        float qzVertex3D::*flat;
        float qzVertex3D::*across;
    } steps[] = {{100, &qzVertex3D::z, &qzVertex3D::y}, {200, &qzVertex3D::y, &qzVertex3D::z}};
    for (const auto& step : steps) {
        testnow += step.advance;
        view->AdvanceAnimation();
        v = griddraw();
        ASSERT_GE(v.size(), 804u);
        EXPECT_EQ(v[1].*step.flat, 0.0f);
        EXPECT_NE(v[1].*step.across, 0.0f);
        EXPECT_EQ(ColorOf(v[2].diffuse), pw2_Lerp(TRANSPARENT, minorfull, (1 - 0.7 * std::log10(4.0)) * 0.5));
    }
}

TEST_F(ViewDrawTest, RenderTargetIsMadeAgainWhenTheImageChangesSizeAndAfterAReset) {
    DrawOneFrame();
    qzTexture& texture = image->GetTexture();
    ASSERT_TRUE(texture.Exists());
    EXPECT_EQ(texture.GetOriginalWidth(), 398u);
    EXPECT_EQ(texture.GetWidth(), 512u);
    EXPECT_EQ(api.LiveTextures(D3DPOOL_DEFAULT), 2) << "one per view";

    // the same size: the same texture
    api.ClearCalls();
    DrawOneFrame();
    EXPECT_TRUE(api.CallsStartingWith("CreateTexture").empty());

    // a narrower view: the old texture goes and a new one of the new size comes before the scene is drawn
    const std::string old = static_cast<qzFakeTexture*>(texture.GetD3DTexture())->name;
    view->SetRect(0, 0, 300, 445);
    api.ClearCalls();
    DrawOneFrame();
    EXPECT_EQ(texture.GetOriginalWidth(), 298u);
    EXPECT_EQ(texture.GetWidth(), 512u);
    const int release = api.FindCall("Release " + old);
    const int create = api.FindCall("CreateTexture 512x512 1 0x1 21 D3DPOOL_DEFAULT");
    ASSERT_GE(release, 0);
    EXPECT_GT(create, release);
    EXPECT_EQ(api.LiveTextures(D3DPOOL_DEFAULT), 2);

    // a lost device releases both render targets; the first frame after the reset makes them again
    api.LoseDevice();
    DrawOneFrame();
    api.AllowReset();
    api.ClearCalls();
    app->RunOnce();
    ASSERT_FALSE(Graphics().GetDevice().IsLost());
    EXPECT_LT(api.FindCall("Reset"), api.FindCall("CreateTexture"));
    EXPECT_EQ(api.CallsStartingWith("CreateTexture").size(), 2u);
    EXPECT_TRUE(texture.Exists());
    EXPECT_EQ(api.LiveTextures(D3DPOOL_DEFAULT), 2);

    // a larger window: larger images in larger textures
    Send(WM_SIZE, SIZE_RESTORED, qzMakeLParam(1300, 700));
    EXPECT_EQ(image->GetWidth(), 648);
    EXPECT_EQ(texture.GetOriginalWidth(), 648u);
    EXPECT_EQ(texture.GetWidth(), 1024u);
}

TEST_F(ViewDrawTest, CompositeShowsExactlyTheRenderedPixelsInsideASunkenBevel) {
    DrawView();
    const std::vector<qzFakeRenderApi::Draw> draws = Draws();
    ASSERT_GE(draws.size(), 2u);
    const qzColor dark(96, 96, 96), light(240, 240, 240);
    // one pixel outside the image at (1, 1) of 398 x 398: dark above and left, light below and right
    ASSERT_EQ(draws[draws.size() - 2].type, D3DPT_LINELIST);
    using Corner = std::tuple<float, float, qzColor>;
    const std::vector<Corner> wantbevel = {{0, 0, dark},      {399, 0, dark},    {399, 0, light},
                                           {399, 399, light}, {399, 399, light}, {0, 399, light},
                                           {0, 399, dark},    {0, 0, dark}};
    std::vector<Corner> bevel;
    for (const qzVertex2D& v : Vertices(draws[draws.size() - 2]))
        bevel.emplace_back(v.x, v.y, ColorOf(v.diffuse));
    EXPECT_EQ(bevel, wantbevel);
    // the quad over pixels 1 .. 398 with the top-left 398 x 398 texels of the 512 x 512 texture, untinted
    ASSERT_EQ(draws.back().type, D3DPT_TRIANGLELIST);
    const float u = 398.0f / 512.0f;
    const std::vector<std::array<float, 4>> wantquad = {{0.5f, 0.5f, 0, 0},     {398.5f, 0.5f, u, 0},
                                                        {398.5f, 398.5f, u, u}, {398.5f, 398.5f, u, u},
                                                        {0.5f, 398.5f, 0, u},   {0.5f, 0.5f, 0, 0}};
    std::vector<std::array<float, 4>> quad;
    for (const qzVertex2D& v : Vertices(draws.back())) {
        quad.push_back({v.x, v.y, v.u, v.v});
        EXPECT_EQ(ColorOf(v.diffuse), qzColor(255, 255, 255));
    }
    EXPECT_EQ(quad, wantquad);
    // clipped to what the tree handed, sampled point for point from the render target
    auto last = [&](const std::string& prefix) {
        const std::vector<int> at = CallsAt(prefix);
        return at.empty() ? -1 : at.back();
    };
    const std::string name = static_cast<qzFakeTexture*>(image->GetTexture().GetD3DTexture())->name;
    const std::vector<int> drawcalls = CallsAt("DrawPrimitive");
    ASSERT_GE(drawcalls.size(), 2u);
    const int beveldraw = drawcalls[drawcalls.size() - 2];
    EXPECT_GT(last("SetScissorRect 0 0 400 445"), last("SetRenderTarget"));
    EXPECT_LT(last("SetScissorRect 0 0 400 445"), beveldraw);
    EXPECT_GT(last("SetTexture 0 " + name), beveldraw);
    EXPECT_LT(last("SetTexture 0 " + name), drawcalls.back());
    EXPECT_GT(last("SetSamplerState 0 D3DSAMP_MAGFILTER 1"), last("SetRenderTarget"));

    // the scene's projection fills only that part of the target, so one pixel keeps its size
    const D3DMATRIX& projection = api.device->transforms[D3DTS_PROJECTION];
    const qzMatrix expected = qzDevice::SubRectangleProjection(view->GetProjection(1), 0, 0, u, u);
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 4; ++c)
            EXPECT_NEAR(projection.m[r][c], expected(r, c), 1e-6 * (1 + std::fabs(expected(r, c))));
}

TEST_F(ViewDrawTest, PointsAreThreePixelSquaresThatTheDevicePlacesInTheirColours) {
    pw2_ModelGeometry& g = EmptyGeometry();
    const qzVector3 positions[3] = {{0, 0, 0}, {1, 0, 0}, {0, 0, 100}};
    for (const qzVector3& p : positions)
        g.CreatePoint()->position = p;
    g.lastpoint->previous->selected = 1;
    view->SetDisplayMode(0);
    const std::vector<qzFakeRenderApi::Draw> points = DrawLayer("points"),
                                             faint = DrawLayer("points see-through");
    ASSERT_EQ(points.size(), 1u);
    ASSERT_EQ(faint.size(), 1u);
    const std::vector<pw2_LineVertex> v = Vertices<pw2_LineVertex>(points[0]);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[2].z, 100.0f);
    // opaque black or yellow first; the see-through pass's premultiplied colours second
    EXPECT_EQ(ColorOf(v[0].diffuse), qzColor(0, 0, 0));
    EXPECT_EQ(ColorOf(v[1].diffuse), qzColor(255, 255, 0));
    EXPECT_EQ(ColorOf(v[0].specular), qzColor(0, 0, 0, 120));
    EXPECT_EQ(ColorOf(v[1].specular), qzColor(140, 140, 0, 140));
    // three pixels wide, with the edges' deeper projection
    const std::vector<int> size =
        CallsAt("SetRenderState D3DRS_POINTSIZE " + std::to_string(std::bit_cast<uint32_t>(3.0f)));
    ASSERT_FALSE(size.empty());
    EXPECT_LT(size.back(), CallsAt("Draw").back());
}

TEST_F(ViewDrawTest, TargetCrossOnlyWhileDraggingAndAxisIndicatorAtTheBottomLeft) {
    EmptyGeometry();
    EXPECT_TRUE(DrawLayer("cross").empty());

    view->SetTarget(qzVector3(3, 4, 0));
    Press(200, 200, WM_MBUTTONDOWN);
    ASSERT_TRUE(image->IsDragging());
    const std::vector<qzFakeRenderApi::Draw> cross = DrawLayer("cross");
    ASSERT_EQ(cross.size(), 1u);
    std::vector<std::array<float, 3>> c;
    for (const qzVertex3D& v : Vertices<qzVertex3D>(cross[0]))
        c.push_back({v.x, v.y, v.z});
    // along x and y, the axes of the XY grid
    const float reach = static_cast<float>(1000 * view->GridStep(1.0));
    const std::vector<std::array<float, 3>> want = {
        {3 - reach, 4, 0}, {3 + reach, 4, 0}, {3, 4 - reach, 0}, {3, 4 + reach, 0}};
    EXPECT_EQ(c, want);
    Release(200, 200, WM_MBUTTONUP);

    // from the top x runs right and y down; z points at the viewer and keeps only its letter
    DrawView();
    const std::vector<qzFakeRenderApi::Draw> after = Draws();
    ASSERT_GE(after.size(), 4u);
    const std::vector<qzVertex2D> axes = Vertices(after[after.size() - 4]);
    ASSERT_EQ(axes.size(), 4u);
    EXPECT_EQ(axes[0].x, 35.0f);
    EXPECT_EQ(axes[0].y, 398.0f - 35);
    EXPECT_NEAR(axes[1].x, 55.0f, 1e-4);
    EXPECT_EQ(ColorOf(axes[1].diffuse), qzColor(255, 0, 0));
    EXPECT_NEAR(axes[3].y, 398.0f - 15, 1e-4);
    EXPECT_EQ(ColorOf(axes[3].diffuse), qzColor(0, 255, 0));
    EXPECT_EQ(Vertices(after[after.size() - 3]).size(), 18u) << "the letters X, Y and Z";
}
