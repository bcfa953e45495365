#include "test_qzdevice_fixture.h"

#include "qzscene.h"
#include "qzvertexqueue.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace {

// A primitive as the ids of its vertices, in drawing order.
using Primitive = std::vector<int>;

bool IsList(uint32_t type) {
    return type == D3DPT_POINTLIST || type == D3DPT_LINELIST || type == D3DPT_TRIANGLELIST;
}

uint32_t VerticesPerPrimitive(uint32_t type) {
    return type == D3DPT_POINTLIST ? 1 : type == D3DPT_LINELIST || type == D3DPT_LINESTRIP ? 2 : 3;
}

// The primitives that vertices of a type make, with the winding a strip's odd triangles reverse put right
// (as Direct3D does), so that a chunked strip compares equal to the whole one.
std::vector<Primitive> Primitives(uint32_t type, const std::vector<int>& ids) {
    std::vector<Primitive> made;
    const size_t k = VerticesPerPrimitive(type);
    for (size_t i = 0; i + k <= ids.size(); i += IsList(type) ? k : 1) {
        Primitive p(ids.begin() + static_cast<long>(i), ids.begin() + static_cast<long>(i + k));
        if (type == D3DPT_TRIANGLEFAN)
            p[0] = ids[0];
        if (type == D3DPT_TRIANGLESTRIP && i % 2 == 1)
            std::swap(p[0], p[1]);
        made.push_back(p);
    }
    return made;
}

// Every primitive drawn, rebuilt from the vertices the fake copied at each draw (the id is in x).
std::vector<Primitive> DrawnPrimitives(const qzFakeRenderApi& api, size_t fromdraw = 0) {
    std::vector<Primitive> drawn;
    for (size_t d = fromdraw; d < api.draws.size(); ++d) {
        const qzFakeRenderApi::Draw& draw = api.draws[d];
        std::vector<int> ids;
        for (size_t offset = 0; offset + draw.stride <= draw.vertices.size(); offset += draw.stride) {
            float x;
            std::memcpy(&x, draw.vertices.data() + offset, sizeof x);
            ids.push_back(static_cast<int>(x));
        }
        std::vector<Primitive> made = Primitives(draw.type, ids);
        EXPECT_EQ(made.size(), draw.primitivecount);
        drawn.insert(drawn.end(), made.begin(), made.end());
    }
    return drawn;
}

struct QueueTest : UsableDeviceTest {
    qzVertexQueue2D queue;
    qzScene scene;
    int nextid = 0;

    void SetUp() override {
        UsableDeviceTest::SetUp();
        Create(10000);
    }
    void TearDown() override {
        if (scene.device != nullptr)
            scene.End();
        DeviceTest::TearDown();
    }
    void Create(uint32_t capacity) {
        if (scene.device != nullptr)
            scene.End();
        queue.Destroy();
        queue.Create(&device, capacity);
        scene.Begin(&device);
        scene.Register(&queue);
        api.ClearCalls();
    }
    // n vertices with fresh ids in x; the ids go to ids.
    std::vector<qzVertex2D> Array(uint32_t n, std::vector<int>& ids) {
        std::vector<qzVertex2D> vertices;
        ids.clear();
        for (uint32_t i = 0; i < n; ++i) {
            ids.push_back(nextid);
            vertices.push_back(qzVertex2D{static_cast<float>(nextid++), 0, 0, 1, 0, 0, 0, 0});
        }
        return vertices;
    }
    std::vector<int> Enqueue(uint32_t type, uint32_t n) {
        std::vector<int> ids;
        std::vector<qzVertex2D> vertices = Array(n, ids);
        std::copy(vertices.begin(), vertices.end(), queue.Enqueue(type, n));
        return ids;
    }
    // Draws points until the next batch starts at start.
    void MoveStartTo(uint32_t start) {
        if (start > 0) {
            Enqueue(D3DPT_POINTLIST, start);
            queue.Flush();
        }
        ASSERT_EQ(queue.start, start);
        api.ClearCalls();
    }
    void ExpectInvariants() {
        EXPECT_LE(queue.start + queue.count, queue.capacity);
        EXPECT_EQ(queue.vbi.IsLocked(), queue.count > 0);
    }
};

const uint32_t TYPES[] = {D3DPT_POINTLIST,    D3DPT_LINELIST,      D3DPT_LINESTRIP,
                          D3DPT_TRIANGLELIST, D3DPT_TRIANGLESTRIP, D3DPT_TRIANGLEFAN};

} // namespace

TEST_F(QueueTest, ListsOfOneTypeMergeIntoOneDrawAndStripsAndFansDrawAlone) {
    Enqueue(D3DPT_TRIANGLELIST, 3);
    Enqueue(D3DPT_TRIANGLELIST, 6);
    queue.Flush();
    EXPECT_EQ(api.CallsStartingWith("DrawPrimitive"),
              std::vector<std::string>{"DrawPrimitive D3DPT_TRIANGLELIST 0 3"});
    EXPECT_EQ(api.CallsStartingWith("Lock").size(), 1u); // the second list wrote into the same lock

    api.ClearCalls();
    Enqueue(D3DPT_TRIANGLESTRIP, 4);
    Enqueue(D3DPT_TRIANGLESTRIP, 5);
    Enqueue(D3DPT_TRIANGLEFAN, 5);
    Enqueue(D3DPT_TRIANGLEFAN, 4);
    Enqueue(D3DPT_LINESTRIP, 3);
    Enqueue(D3DPT_LINESTRIP, 2);
    queue.Flush();
    EXPECT_EQ(api.CallsStartingWith("DrawPrimitive"),
              (std::vector<std::string>{
                  "DrawPrimitive D3DPT_TRIANGLESTRIP 9 2", "DrawPrimitive D3DPT_TRIANGLESTRIP 13 3",
                  "DrawPrimitive D3DPT_TRIANGLEFAN 18 3", "DrawPrimitive D3DPT_TRIANGLEFAN 23 2",
                  "DrawPrimitive D3DPT_LINESTRIP 27 2", "DrawPrimitive D3DPT_LINESTRIP 30 1"}));
    // every batch after the first appends behind what was drawn
    EXPECT_EQ(api.CallsStartingWith("Lock vb1 0 0 0x1000").size(), 6u);
}

TEST_F(QueueTest, EnqueueOfNothingReturnsNullAndChangesNothing) {
    Enqueue(D3DPT_TRIANGLELIST, 3);
    api.ClearCalls();
    EXPECT_EQ(queue.Enqueue(D3DPT_LINESTRIP, 0), nullptr);
    EXPECT_EQ(queue.type, int32_t(D3DPT_TRIANGLELIST));
    EXPECT_EQ(queue.count, 3u);
    EXPECT_TRUE(api.calls.empty());
}

TEST_F(QueueTest, TheWholeCapacityFitsAndOneMoreThrowsLeavingTheQueueAsItWas) {
    EXPECT_NE(queue.Enqueue(D3DPT_POINTLIST, 10000), nullptr);
    EXPECT_EQ(queue.start, 0u);
    api.ClearCalls();
    EXPECT_THROW(queue.Enqueue(D3DPT_LINELIST, 10001), bad_vertex_enqueue);
    EXPECT_TRUE(api.calls.empty());
    EXPECT_EQ(queue.type, int32_t(D3DPT_POINTLIST));
    EXPECT_EQ(queue.count, 10000u);
    EXPECT_TRUE(queue.vbi.IsLocked());
}

TEST_F(QueueTest, ANewBatchDiscardsOnlyWhenLessThanASixtyFourthIsLeft) {
    // 10000 / 64 = 156: 156 vertices left still append, 155 discard
    const struct {
        uint32_t start;
        bool discards;
    } cases[] = {{9800, false}, {9844, false}, {9845, true}, {9900, true}};
    for (const auto& c : cases) {
        Create(10000);
        MoveStartTo(c.start);
        Enqueue(D3DPT_TRIANGLESTRIP, 4);
        std::vector<std::string> locks = api.CallsStartingWith("Lock");
        ASSERT_EQ(locks.size(), 1u);
        EXPECT_EQ(locks[0].substr(locks[0].rfind(' ')), c.discards ? " 0x2000" : " 0x1000") << c.start;
        EXPECT_EQ(queue.start, c.discards ? 0u : c.start);
        queue.Flush();
        EXPECT_EQ(api.CallsStartingWith("DrawPrimitive").back(),
                  "DrawPrimitive D3DPT_TRIANGLESTRIP " + std::to_string(queue.start - 4) + " 2");
    }
}

TEST_F(QueueTest, AListThatNoLongerFitsIsDrawnAndTheBufferDiscarded) {
    MoveStartTo(9000);
    Enqueue(D3DPT_TRIANGLELIST, 900);
    Enqueue(D3DPT_TRIANGLELIST, 99); // 9999: still fits
    EXPECT_EQ(api.CallsStartingWith("DrawPrimitive").size(), 0u);
    Enqueue(D3DPT_TRIANGLELIST, 3);
    EXPECT_EQ(api.CallsStartingWith("DrawPrimitive"),
              std::vector<std::string>{"DrawPrimitive D3DPT_TRIANGLELIST 9000 333"});
    EXPECT_EQ(api.calls.back(), "Lock vb1 0 0 0x2000");
    EXPECT_EQ(queue.start, 0u);
    EXPECT_EQ(queue.count, 3u);
}

TEST_F(QueueTest, ResetDropsPendingVerticesWithoutDrawing) {
    MoveStartTo(30);
    Enqueue(D3DPT_TRIANGLELIST, 6);
    queue.Reset();
    EXPECT_EQ(queue.count, 0u);
    EXPECT_EQ(queue.type, -1);
    EXPECT_EQ(queue.start, 30u);
    EXPECT_FALSE(queue.vbi.IsLocked());
    queue.Flush();
    queue.Reset(); // nothing locked: nothing to unlock
    EXPECT_EQ(api.CallsStartingWith("DrawPrimitive").size(), 0u);
    EXPECT_EQ(api.CallsStartingWith("Unlock").size(), 1u);
}

TEST_F(QueueTest, RandomEnqueuesDrawEveryPrimitiveOnceInOrder) {
    std::mt19937 random(1234);
    for (uint32_t capacity : {10000u, 150u}) {
        Create(capacity);
        std::vector<Primitive> expected;
        size_t firstdraw = api.draws.size();
        for (int step = 0; step < 3000; ++step) {
            uint32_t type = TYPES[random() % 6];
            uint32_t n = 1 + random() % (random() % 4 == 0 ? capacity : 40);
            if (IsList(type))
                n = std::max(1u, n / VerticesPerPrimitive(type)) * VerticesPerPrimitive(type);
            if (random() % 10 == 0)
                queue.Flush();
            std::vector<int> ids = Enqueue(type, n);
            std::vector<Primitive> made = Primitives(type, ids);
            expected.insert(expected.end(), made.begin(), made.end());
            ExpectInvariants();
        }
        queue.Flush();
        EXPECT_EQ(DrawnPrimitives(api, firstdraw), expected) << capacity;
    }
}

TEST_F(QueueTest, ArraysLongerThanTheBufferAreDrawnInChunksWithoutLosingOrDoublingAPrimitive) {
    std::mt19937 random(99);
    for (uint32_t capacity : {10000u, 100u, 127u, 191u}) {
        for (uint32_t type : TYPES) {
            for (int round = 0; round < 12; ++round) {
                Create(capacity);
                MoveStartTo(random() % capacity);
                if (random() % 2 == 0)
                    Enqueue(type, IsList(type) ? VerticesPerPrimitive(type) * 2 : 5);
                queue.Flush();
                size_t firstdraw = api.draws.size();
                uint32_t n = 1 + random() % (3 * capacity + 7);
                if (round < 3)
                    n = 1 + round; // the shortest arrays
                if (IsList(type))
                    n = std::max(1u, n / VerticesPerPrimitive(type)) * VerticesPerPrimitive(type);
                std::vector<int> ids;
                std::vector<qzVertex2D> vertices = Array(n, ids);
                queue.EnqueueArray(type, vertices.data(), n);
                ExpectInvariants();
                EXPECT_EQ(queue.type, int32_t(type));
                queue.Flush();
                EXPECT_EQ(DrawnPrimitives(api, firstdraw), Primitives(type, ids))
                    << "capacity " << capacity << " type " << type << " n " << n;
            }
        }
    }
}

TEST_F(QueueTest, ArraysOfAListTypeJoinThePendingBatchAndSeamsRestartStripsOnAnEvenVertex) {
    Enqueue(D3DPT_TRIANGLELIST, 3);
    std::vector<int> ids;
    std::vector<qzVertex2D> vertices = Array(6, ids);
    queue.EnqueueArray(D3DPT_TRIANGLELIST, vertices.data(), 6);
    queue.Flush();
    EXPECT_EQ(api.CallsStartingWith("DrawPrimitive"),
              std::vector<std::string>{"DrawPrimitive D3DPT_TRIANGLELIST 0 3"});

    Create(10000);
    vertices = Array(25000, ids);
    queue.EnqueueArray(D3DPT_TRIANGLESTRIP, vertices.data(), 25000);
    queue.Flush();
    // 10000 vertices a chunk, each repeating the last two of the one before
    EXPECT_EQ(api.CallsStartingWith("DrawPrimitive"),
              (std::vector<std::string>{"DrawPrimitive D3DPT_TRIANGLESTRIP 0 9998",
                                        "DrawPrimitive D3DPT_TRIANGLESTRIP 0 9998",
                                        "DrawPrimitive D3DPT_TRIANGLESTRIP 0 5002"}));
    int discards = 0;
    for (const std::string& lock : api.CallsStartingWith("Lock"))
        discards += lock.ends_with(" 0x2000");
    EXPECT_EQ(discards, 2);
}
