#include "test_qzdevice_fixture.h"

#include "qzexceptions.h"
#include "qzvertexbufferinternal.h"

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
