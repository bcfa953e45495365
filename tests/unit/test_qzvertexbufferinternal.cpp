#include "test_qzdevice_fixture.h"

#include "qzexceptions.h"
#include "qzindexbuffer.h"
#include "qzvertexbufferinternal.h"

#include <cstring>
#include <random>

namespace {

struct BufferTest : UsableDeviceTest {
    qzVertexBufferInternal buffer;
};

} // namespace

TEST(VertexBufferPrimitives, CountsTruncateAndShortStripsMakeNothing) {
    const struct {
        uint32_t type, vertices, primitives;
    } cases[] = {{D3DPT_POINTLIST, 5, 5},     {D3DPT_LINELIST, 5, 2},      {D3DPT_LINELIST, 1, 0},
                 {D3DPT_LINESTRIP, 1, 0},     {D3DPT_LINESTRIP, 0, 0},     {D3DPT_LINESTRIP, 4, 3},
                 {D3DPT_TRIANGLELIST, 8, 2},  {D3DPT_TRIANGLESTRIP, 2, 0}, {D3DPT_TRIANGLESTRIP, 0, 0},
                 {D3DPT_TRIANGLESTRIP, 7, 5}, {D3DPT_TRIANGLEFAN, 2, 0},   {D3DPT_TRIANGLEFAN, 3, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(qzVertexBufferInternal::PrimitiveCount(c.type, c.vertices), c.primitives)
            << c.type << " " << c.vertices;
}

TEST_F(BufferTest, CreationAsksForThePoolAndUsageAndJoinsTheDeviceList) {
    buffer.Create(&device, 100, 0x1C4, 32, false, true, true);
    qzVertexBufferInternal managed, plain;
    managed.Create(&device, 10, 0x1D2, 40, true, false, true);
    plain.Create(&device, 10, 0x1D2, 40, false, false, false);
    EXPECT_EQ(api.calls, (std::vector<std::string>{"CreateVertexBuffer 3200 0x208 0x1c4 D3DPOOL_DEFAULT vb1",
                                                   "CreateVertexBuffer 400 0x8 0x1d2 D3DPOOL_MANAGED vb2",
                                                   "CreateVertexBuffer 400 0x0 0x1d2 D3DPOOL_DEFAULT vb3"}));
    managed.Destroy();
    EXPECT_EQ(device.vertexbuffers.count, 2);
    EXPECT_EQ(api.LiveVertexBuffers(D3DPOOL_MANAGED), 0);
    EXPECT_EQ(api.calls.back(), "Release vb2");
}

TEST_F(BufferTest, FailedCreationThrowsAndLeavesTheBufferUncreated) {
    api.fail["CreateVertexBuffer"] = E_OUTOFMEMORY;
    EXPECT_EQ(Failure<qzD3DException>([&] { buffer.Create(&device, 100, 0x1C4, 32, false, true, true); }),
              "qzVertexBufferInternal::Create IDirect3DDevice9::CreateVertexBuffer");
    EXPECT_FALSE(buffer.Exists());
    EXPECT_EQ(device.vertexbuffers.count, 0);
    api.fail.clear();
    // a length beyond 32 bits is refused the same way, without wrapping to a small buffer
    EXPECT_EQ(
        Failure<qzD3DException>([&] { buffer.Create(&device, 0x10000000, 0x1C4, 32, false, true, true); }),
        "qzVertexBufferInternal::Create IDirect3DDevice9::CreateVertexBuffer");
    EXPECT_EQ(api.CallsStartingWith("CreateVertexBuffer").size(), 1u);
}

TEST_F(BufferTest, LockCoversTheVertexRangeInBytesAndFailedOrEmptyLocksThrow) {
    buffer.Create(&device, 100, 0x1C4, 32, false, true, true);
    uint8_t* data = buffer._Lock(QZLOCKTYPE_NOOVERWRITE, 10, 5);
    EXPECT_EQ(api.calls.back(), "Lock vb1 320 160 0x1000");
    EXPECT_EQ(data, buffer.data);
    buffer.Unlock();
    EXPECT_EQ(buffer.data, nullptr);
    buffer._Lock(QZLOCKTYPE_DISCARD, 0, 0);
    EXPECT_EQ(api.calls.back(), "Lock vb1 0 0 0x2000");
    buffer.Unlock();
    // A refused lock and one that gives no pointer both throw, and the latter is given back.
    for (bool refused : {true, false}) {
        api.fail["Lock"] = refused ? D3DERR_INVALIDCALL : D3D_OK;
        api.locknull = !refused;
        EXPECT_EQ(Failure<qzD3DException>([&] { buffer._Lock(QZLOCKTYPE_NORMAL, 0, 0); }),
                  "qzVertexBufferInternal::_Lock IDirect3DVertexBuffer9::Lock");
        EXPECT_EQ(buffer.data, nullptr);
    }
    api.fail.clear();
    api.locknull = false;
    EXPECT_NE(buffer._Lock(QZLOCKTYPE_NORMAL, 0, 0), nullptr);
    buffer.Unlock();
    // a range whose bytes pass 32 bits is refused, not wrapped to the buffer's start
    EXPECT_EQ(Failure<qzD3DException>([&] { buffer._Lock(QZLOCKTYPE_NOOVERWRITE, 0x08000000, 1); }),
              "qzVertexBufferInternal::_Lock IDirect3DVertexBuffer9::Lock");
    EXPECT_EQ(api.CallsStartingWith("Lock").size(), 5u);
}

TEST_F(BufferTest, DrawSetsTheFormatAndStreamOnlyWhenThereIsAPrimitive) {
    buffer.Create(&device, 100, 0x1C4, 32, false, true, true);
    api.device->BeginScene();
    api.ClearCalls();
    buffer.Draw(D3DPT_TRIANGLESTRIP, 4, 2, 0x1C4, 32);
    EXPECT_TRUE(api.calls.empty());
    buffer.Draw(D3DPT_TRIANGLESTRIP, 4, 6, 0x1C4, 32);
    EXPECT_EQ(api.calls, (std::vector<std::string>{"SetFVF 0x1c4", "SetStreamSource 0 vb1 0 32",
                                                   "DrawPrimitive D3DPT_TRIANGLESTRIP 4 4"}));
    api.device->EndScene();
}

TEST_F(BufferTest, AnIndexBufferAsksForThirtyTwoBitIndicesInItsPoolAndLocksIndexRangesInBytes) {
    qzIndexBuffer dynamic, managed;
    dynamic.Create(&device, 100, false, true, true);
    managed.Create(&device, 10, true, false, false);
    EXPECT_EQ(api.calls, (std::vector<std::string>{"CreateIndexBuffer 400 0x208 102 D3DPOOL_DEFAULT ib1",
                                                   "CreateIndexBuffer 40 0x0 102 D3DPOOL_MANAGED ib2"}));
    EXPECT_EQ(device.indexbuffers.count, 2);
    uint32_t* data = dynamic.Lock(QZLOCKTYPE_NOOVERWRITE, 10, 5);
    EXPECT_EQ(api.calls.back(), "Lock ib1 40 20 0x1000");
    EXPECT_TRUE(dynamic.IsLocked());
    data[4] = 77;
    dynamic.Unlock();
    EXPECT_FALSE(dynamic.IsLocked());
    uint32_t stored;
    std::memcpy(&stored, static_cast<qzFakeIndexBuffer*>(dynamic.buffer)->memory.data() + 14 * 4, 4);
    EXPECT_EQ(stored, 77u);
    managed.Lock(QZLOCKTYPE_NORMAL, 0, 0);
    EXPECT_EQ(api.calls.back(), "Lock ib2 0 0 0x0");
    managed.Destroy(); // released while locked
    EXPECT_FALSE(managed.Exists());
    EXPECT_EQ(device.indexbuffers.count, 1);
    EXPECT_EQ(api.LiveIndexBuffers(D3DPOOL_MANAGED), 0);
}

TEST_F(BufferTest, IndexBufferFailuresThrowNamingTheCallAndLeaveNothingBehind) {
    qzIndexBuffer indices;
    api.fail["CreateIndexBuffer"] = D3DERR_OUTOFVIDEOMEMORY;
    EXPECT_EQ(Failure<qzD3DException>([&] { indices.Create(&device, 100, false, false, true); }),
              "qzIndexBuffer::Create IDirect3DDevice9::CreateIndexBuffer");
    api.fail.clear();
    // four bytes an index: a count whose bytes pass 32 bits is refused without wrapping to a small buffer
    EXPECT_EQ(Failure<qzD3DException>([&] { indices.Create(&device, 0x40000000, false, false, true); }),
              "qzIndexBuffer::Create IDirect3DDevice9::CreateIndexBuffer");
    EXPECT_EQ(api.CallsStartingWith("CreateIndexBuffer").size(), 1u);
    EXPECT_FALSE(indices.Exists());
    EXPECT_EQ(device.indexbuffers.count, 0);

    indices.Create(&device, 100, false, true, true);
    for (bool refused : {true, false}) {
        api.fail["Lock"] = refused ? D3DERR_INVALIDCALL : D3D_OK;
        api.locknull = !refused;
        EXPECT_EQ(Failure<qzD3DException>([&] { indices.Lock(QZLOCKTYPE_DISCARD, 0, 0); }),
                  "qzIndexBuffer::Lock IDirect3DIndexBuffer9::Lock");
        EXPECT_FALSE(indices.IsLocked());
    }
    api.fail.clear();
    api.locknull = false;
    EXPECT_EQ(api.calls.back(), "Unlock ib1"); // the lock without a pointer was given back
    EXPECT_EQ(Failure<qzD3DException>([&] { indices.Lock(QZLOCKTYPE_NORMAL, 0x40000000, 1); }),
              "qzIndexBuffer::Lock IDirect3DIndexBuffer9::Lock");
}

// Random ranges of random indices, drawn as every primitive type: the draw consumes exactly the vertices the
// indices name, as many as the primitives need, and too few indices draw nothing.
TEST_F(BufferTest, AnIndexedDrawConsumesTheVerticesItsIndicesNameForWholePrimitives) {
    constexpr uint32_t VERTICES = 50, INDICES = 200, STRIDE = 32;
    buffer.Create(&device, VERTICES, 0x1C4, STRIDE, true, false, false);
    uint8_t* vertices = buffer._Lock(QZLOCKTYPE_NORMAL, 0, 0);
    for (uint32_t i = 0; i < VERTICES * STRIDE; ++i)
        vertices[i] = static_cast<uint8_t>(i * 7 + i / STRIDE);
    std::vector<uint8_t> expectedvertices(vertices, vertices + VERTICES * STRIDE);
    buffer.Unlock();
    qzIndexBuffer indices;
    indices.Create(&device, INDICES, true, false, false);
    std::mt19937 random(5);
    uint32_t* index = indices.Lock(QZLOCKTYPE_NORMAL, 0, 0);
    for (uint32_t i = 0; i < INDICES; ++i)
        index[i] = random() % VERTICES;
    std::vector<uint32_t> written(index, index + INDICES);
    indices.Unlock();

    api.device->BeginScene();
    int draws = 0;
    for (int round = 0; round < 300; ++round) {
        uint32_t type = 1 + random() % 6;
        uint32_t first = random() % INDICES;
        uint32_t count = random() % (INDICES - first + 1);
        if (round % 10 == 0)
            count = random() % 4; // the short ranges of strips and fans
        SCOPED_TRACE(testing::Message() << type << " " << first << " " << count);
        api.ClearCalls();
        buffer.DrawIndexed(type, indices, first, count, VERTICES, 0x1C4, STRIDE);
        uint32_t primitives = qzVertexBufferInternal::PrimitiveCount(type, count);
        if (primitives == 0) {
            EXPECT_TRUE(api.calls.empty());
            continue;
        }
        ++draws;
        EXPECT_EQ(api.calls, (std::vector<std::string>{
                                 "SetFVF 0x1c4", "SetStreamSource 0 vb1 0 32", "SetIndices ib2",
                                 "DrawIndexedPrimitive " + qzFakeName(static_cast<D3DPRIMITIVETYPE>(type)) +
                                     " 0 0 50 " + std::to_string(first) + " " + std::to_string(primitives)}));
        std::vector<uint8_t> consumed;
        for (uint32_t k = 0; k < qzVertexCountOf(static_cast<D3DPRIMITIVETYPE>(type), primitives); ++k) {
            const uint8_t* vertex = expectedvertices.data() + written[first + k] * STRIDE;
            consumed.insert(consumed.end(), vertex, vertex + STRIDE);
        }
        ASSERT_EQ(api.draws.size(), static_cast<size_t>(draws));
        EXPECT_EQ(api.draws.back().vertices, consumed);
        EXPECT_EQ(api.draws.back().indexbuffer, "ib2");
    }
    api.device->EndScene();
}

TEST_F(BufferTest, AnIndexedDrawNeedsUnlockedIndicesOfItsOwnDevice) {
    buffer.Create(&device, 10, 0x1C4, 32, false, false, true);
    qzIndexBuffer indices;
    EXPECT_DEATH(buffer.DrawIndexed(D3DPT_TRIANGLELIST, indices, 0, 3, 10, 0x1C4, 32),
                 "Expression: indices.device==device");
    indices.Create(&device, 3, false, false, true);
    indices.Lock(QZLOCKTYPE_NORMAL, 0, 0);
    EXPECT_DEATH(buffer.DrawIndexed(D3DPT_TRIANGLELIST, indices, 0, 3, 10, 0x1C4, 32),
                 "Expression: indices.data==NULL");
    indices.Unlock();
    qzIndexBuffer managed;
    managed.Create(&device, 30, true, false, true);
    EXPECT_DEATH(managed.Lock(QZLOCKTYPE_NORMAL, 3, 3),
                 "Expression: !managed \\|\\| \\(locktype==QZLOCKTYPE_NORMAL && pos==0 && len==0\\)");
    EXPECT_DEATH(indices.Create(&device, 3, false, false, true), "Expression: device==NULL");
}

// The fake holds indexed draws to what a sound driver may read, so that the tests above can trust it.
TEST_F(BufferTest, TheDeviceRefusesIndexedDrawsOutsideTheirBuffersOrVertexRange) {
    buffer.Create(&device, 10, 0x1C4, 32, true, false, false);
    qzIndexBuffer indices;
    indices.Create(&device, 6, true, false, false);
    const uint32_t values[6] = {0, 1, 2, 3, 4, 9};
    std::memcpy(indices.Lock(QZLOCKTYPE_NORMAL, 0, 0), values, sizeof values);
    indices.Unlock();
    qzRenderDevice* d3d = device.GetD3DDevice();
    d3d->BeginScene();
    d3d->SetFVF(0x1C4);
    d3d->SetStreamSource(0, buffer.buffer, 0, 32);
    d3d->SetIndices(indices.buffer);
    EXPECT_EQ(d3d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 10, 0, 2), D3D_OK);
    EXPECT_EQ(d3d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 9, 0, 2), D3DERR_INVALIDCALL);  // index 9
    EXPECT_EQ(d3d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 10, 1, 2), D3DERR_INVALIDCALL); // 7 indices
    EXPECT_EQ(d3d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 10, 0, 1), D3DERR_INVALIDCALL); // vertex 10
    EXPECT_EQ(d3d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 1, 3, 1, 1), D3D_OK); // vertices 0 .. 2
    EXPECT_EQ(d3d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 3, 0, 1), D3DERR_INVALIDCALL);
    d3d->SetIndices(nullptr);
    EXPECT_EQ(d3d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 10, 0, 1), D3DERR_INVALIDCALL);
    d3d->EndScene();
    EXPECT_EQ(api.errors.size(), 5u);
    EXPECT_EQ(api.draws.size(), 2u);
    api.errors.clear();
}
