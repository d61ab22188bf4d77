#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/arena.h"
#include "core/list.h"
#include "core/quaternion.h"
#include "core/vector.h"
#include "test_math.h"

namespace {
constexpr float pi = 3.14159265358979f;
}  // namespace

TEST(VectorMath, NormalizeScalesToUnitAndLeavesZeroAlone) {
    Vector zero;
    zero.normalize();
    EXPECT_EQ(zero, Vector(0, 0, 0));
    Vector v(3, 0, 4);
    v.normalize();
    expectNear(v, {0.6f, 0, 0.8f}, 1e-6f);
    Vector tiny(1e-30f, 0, 0);  // squared length underflows to exactly 0: left as it is
    tiny.normalize();
    EXPECT_EQ(tiny.x, 1e-30f);
}

TEST(VectorMath, CrossIsRightHandedWithReceiverOnTheLeft) {
    EXPECT_EQ(Vector(1, 0, 0).cross({0, 1, 0}), Vector(0, 0, 1));
    EXPECT_EQ(Vector(0, 1, 0).cross({1, 0, 0}), Vector(0, 0, -1));
    EXPECT_FLOAT_EQ(Vector(1, 2, 3).dot({4, -5, 6}), 12.0f);
    expectNear(Vector(0, 0, 0).lerp({2, 4, -6}, 0.25f), {0.5f, 1, -1.5f}, 1e-6f);
    EXPECT_EQ(2.0f * Vector(1, 2, 3), Vector(1, 2, 3) * 2.0f);
}

TEST(VectorMath, PerpendicularPartUsesTheHintOrItsFallbacks) {
    expectNear(Vector(0, 0, 1).perpendicularPart({0, 1, 0}), {0, 1, 0}, 1e-6f);
    // Parallel to the hint: falls back to this x (1, 0, 0).
    expectNear(Vector(0, 1, 0).perpendicularPart({0, 1, 0}), {1, 0, 0}, 1e-6f);
    // A tilted hint is made perpendicular and unit length.
    const Vector up = Vector(0, 0, 1).perpendicularPart({0, 1, 1});
    expectNear(up, {0, 1, 0}, 1e-6f);
}

TEST(QuaternionMath, AxisAngleFoldsTheSignIntoTheAxis) {
    const auto a = Quaternion(-0.7071068f, 0, 0, -0.7071068f).toAxisAngle();
    const auto b = Quaternion(0.7071068f, 0, 0, 0.7071068f).toAxisAngle();
    EXPECT_NEAR(a.angle, pi / 2, 1e-5f);
    expectNear(a.axis, {0, 0, 1}, 1e-6f);
    EXPECT_NEAR(b.angle, a.angle, 1e-6f);
    expectNear(b.axis, a.axis, 1e-6f);

    const auto identity = Quaternion().toAxisAngle();
    EXPECT_EQ(identity.angle, 0.0f);
    EXPECT_EQ(identity.axis, Vector(0, 0, 0));
}

TEST(QuaternionMath, AxisAngleOfAWSlightlyAboveOneIsNotNaN) {
    const auto r = Quaternion(1.0000001f, 0, 0, 1e-7f).toAxisAngle();
    EXPECT_FALSE(std::isnan(r.angle));
    EXPECT_EQ(r.angle, 0.0f);
    const auto n = Quaternion(-1.0000001f, 0, 0, 0).toAxisAngle();
    EXPECT_EQ(n.angle, 0.0f);
}

TEST(QuaternionMath, RotateTurnsRightHandedAndProductAppliesRightFirst) {
    const Quaternion quarterZ = Quaternion::fromAxisAngle({0, 0, 1}, pi / 2);
    expectNear(quarterZ.rotate({1, 0, 0}), {0, 1, 0}, 1e-6f);

    const Quaternion quarterX = Quaternion::fromAxisAngle({1, 0, 0}, pi / 2);
    const Quaternion quarterY = Quaternion::fromAxisAngle({0, 1, 0}, pi / 2);
    const Quaternion xy = quarterX * quarterY;
    const Quaternion yx = quarterY * quarterX;
    EXPECT_FALSE(xy == yx);
    // x*y applies y first: z goes to x under y, then x stays x under x.
    expectNear(xy.rotate({0, 0, 1}), {1, 0, 0}, 1e-6f);
    expectNear(yx.rotate({0, 0, 1}), quarterY.rotate(quarterX.rotate({0, 0, 1})), 1e-6f);
}

TEST(QuaternionMath, NormalizeCoversAllFourComponentsAndSkipsZero) {
    Quaternion q(2, 0, 0, 0);
    q.normalize();
    EXPECT_EQ(q, Quaternion(1, 0, 0, 0));
    Quaternion r(1, 1, 1, 1);
    r.normalize();
    EXPECT_FLOAT_EQ(r.w, 0.5f);
    EXPECT_FLOAT_EQ(r.v.z, 0.5f);
    Quaternion zero(0, 0, 0, 0);
    zero.normalize();
    EXPECT_EQ(zero, Quaternion(0, 0, 0, 0));
    EXPECT_EQ(Quaternion(0.5f, 1, 2, 3).conjugate(), Quaternion(0.5f, -1, -2, -3));
}

namespace {
// Records the order in which nodes are destroyed.
struct TracedNode : ListNode {
    TracedNode(int id_, std::vector<int>* log_) : id(id_), log(log_) {}
    ~TracedNode() override { log->push_back(id); }
    int id;
    std::vector<int>* log;
};

struct Target {
    bool alive = true;
};
}  // namespace

TEST(IntrusiveList, AppendKeepsInsertionOrderAndLinks) {
    std::vector<int> log;
    List list;
    auto* a = new TracedNode(1, &log);
    auto* b = new TracedNode(2, &log);
    auto* c = new TracedNode(3, &log);
    list.append(a);
    list.append(b);
    list.append(c);
    EXPECT_EQ(list.first, a);
    EXPECT_EQ(list.last, c);
    EXPECT_EQ(list.count, 3);
    EXPECT_EQ(a->prev, nullptr);
    EXPECT_EQ(a->next, b);
    EXPECT_EQ(b->prev, a);
    EXPECT_EQ(b->next, c);
    EXPECT_EQ(c->prev, b);
    EXPECT_EQ(c->next, nullptr);
    EXPECT_EQ(b->owner, &list);
    std::vector<int> walked;
    for (TracedNode* n : list.as<TracedNode>()) walked.push_back(n->id);
    EXPECT_EQ(walked, (std::vector<int>{1, 2, 3}));
}

TEST(IntrusiveList, DestroyingTheFirstNodeDestroysTheChainInOrder) {
    std::vector<int> log;
    List list;
    for (int i = 1; i <= 3; ++i) list.append(new TracedNode(i, &log));
    list.clear();
    EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(list.first, nullptr);
    EXPECT_EQ(list.last, nullptr);
    EXPECT_EQ(list.count, 0);
}

TEST(IntrusiveList, AChainOfManyThousandsIsReleasedWithoutRecursion) {
    std::vector<int> log;
    {
        List list;
        for (int i = 0; i < 300000; ++i) list.append(new TracedNode(i, &log));
    }
    ASSERT_EQ(log.size(), 300000u);
    EXPECT_EQ(log.front(), 0);
    EXPECT_EQ(log.back(), 299999);
}

TEST(IntrusiveList, ReferenceListsLeaveTheirTargetsAlive) {
    Target targets[3];
    {
        List refs;
        for (Target& t : targets) refs.append(new RefNode<Target>(&t));
        EXPECT_EQ(static_cast<RefNode<Target>*>(refs.last)->target, &targets[2]);
    }
    for (const Target& t : targets) EXPECT_TRUE(t.alive);
}

TEST(IntrusiveList, UnlinkFixesNeighboursAndEnds) {
    std::vector<int> log;
    List list;
    auto* a = new TracedNode(1, &log);
    auto* b = new TracedNode(2, &log);
    auto* c = new TracedNode(3, &log);
    list.append(a);
    list.append(b);
    list.append(c);
    list.unlink(b);
    EXPECT_EQ(a->next, c);
    EXPECT_EQ(c->prev, a);
    EXPECT_EQ(list.count, 2);
    list.unlink(a);
    EXPECT_EQ(list.first, c);
    list.unlink(c);
    EXPECT_EQ(list.first, nullptr);
    EXPECT_EQ(list.last, nullptr);
    EXPECT_TRUE(log.empty());
    delete a;
    delete b;
    delete c;
    EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
}

TEST(Arena, HandsOutAlignedDisjointMemoryAcrossBlocks) {
    Arena arena;
    std::vector<std::pair<char*, size_t>> pieces;
    // Mixed sizes and alignments, far more than one block holds, and one piece
    // larger than any block so far.
    for (int i = 0; i < 3000; ++i) {
        const size_t bytes = 1 + static_cast<size_t>(i % 97);
        const size_t alignment = size_t{1} << (i % 4);
        auto* piece = static_cast<char*>(arena.allocate(bytes, alignment));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(piece) % alignment, 0u);
        std::memset(piece, i & 0xFF, bytes);
        pieces.emplace_back(piece, bytes);
    }
    auto* large = static_cast<char*>(arena.allocate(1 << 20, 8));
    std::memset(large, 0x5A, 1 << 20);
    for (size_t i = 0; i < pieces.size(); ++i)
        for (size_t k = 0; k < pieces[i].second; ++k)
            ASSERT_EQ(static_cast<uint8_t>(pieces[i].first[k]), i & 0xFF) << "piece " << i << " was overwritten";
}
