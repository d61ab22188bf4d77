#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "core/message.h"
#include "model/animation.h"
#include "test_math.h"

namespace {
constexpr float pi = 3.14159265358979f;
const Vector zAxis(0, 0, 1);

template <class Node>
std::vector<int32_t> framesOf(const List& keys) {
    std::vector<int32_t> frames;
    for (const Node* node : keys.as<Node>()) frames.push_back(node->frame);
    return frames;
}

// Same rotation: q and -q turn alike.
void expectSameTurn(const Quaternion& actual, const Quaternion& expected) {
    const float sign = actual.w * expected.w + actual.v.dot(expected.v) < 0 ? -1.0f : 1.0f;
    EXPECT_NEAR(actual.w, sign * expected.w, 1e-5f);
    expectNear(actual.v, sign * expected.v);
}

RotationKey keyAbout(const Vector& axis, float angle, const Quaternion& previous) {
    RotationKey key;
    key.orientation = Quaternion::fromAxisAngle(axis, angle) * previous;
    key.axis = axis;
    key.angle = angle;
    key.previous = previous;
    return key;
}
}  // namespace

TEST(KeyInsertion, KeysArrivingOutOfOrderAreHeldInFrameOrder) {
    PositionTrack positions;
    positions.addKey(10, {1, 0, 0});
    positions.addKey(0, {2, 0, 0});
    positions.addKey(5, {3, 0, 0});
    EXPECT_EQ(framesOf<PositionKey>(positions.keys), (std::vector<int32_t>{0, 5, 10}));
    EXPECT_EQ(positions.keys.count, 3);
    // Links run both ways, so the last key and the walk back agree.
    EXPECT_EQ(static_cast<PositionKey*>(positions.keys.last)->frame, 10);
    EXPECT_EQ(static_cast<PositionKey*>(positions.keys.last->prev)->frame, 5);
    EXPECT_EQ(positions.keys.first->prev, nullptr);

    RotationTrack rotations;
    for (int32_t frame : {7, -3, 12, 0}) rotations.addKey(frame, RotationKey());
    EXPECT_EQ(framesOf<RotationKeyNode>(rotations.keys), (std::vector<int32_t>{-3, 0, 7, 12}));
}

TEST(KeyInsertion, ADuplicateFrameIsRefusedAndLeavesTheTrackAsItWas) {
    PositionTrack positions;
    positions.addKey(4, {1, 1, 1});
    positions.addKey(8, {2, 2, 2});
    try {
        positions.addKey(4, {9, 9, 9});
        FAIL() << "a second key for frame 4 was accepted";
    } catch (Message m) {
        EXPECT_STREQ(m, "Duplicate key frame index");
    }
    EXPECT_EQ(framesOf<PositionKey>(positions.keys), (std::vector<int32_t>{4, 8}));
    EXPECT_EQ(positions.positionAt(4), Vector(1, 1, 1));

    RotationTrack rotations;
    rotations.addKey(2, RotationKey());
    EXPECT_THROW(rotations.addKey(2, RotationKey()), Message);
    EXPECT_EQ(rotations.keys.count, 1);
}

// A file's keys are added all at once: sorted once, with what addKey one by
// one would give, so that a track of 50 000 keys in order is not 10^9 steps.
TEST(KeyInsertion, AFilesKeysAddedAtOnceAreSortedAndKeepTheFirstOfEachFrame) {
    PositionTrack positions;
    positions.addKey(3, {7, 7, 7});
    positions.addKeys({{16777217, {1, 0, 0}}, {3, {9, 9, 9}}, {0, {2, 0, 0}}, {16777216, {5, 0, 0}}, {0, {8, 8, 8}}});
    EXPECT_EQ(framesOf<PositionKey>(positions.keys), (std::vector<int32_t>{0, 3, 16777217})) << "one float, one frame";
    EXPECT_EQ(positions.positionAt(0), Vector(2, 0, 0));
    EXPECT_EQ(positions.positionAt(3), Vector(7, 7, 7));
    EXPECT_EQ(static_cast<PositionKey*>(positions.keys.last->prev)->frame, 3);

    RotationTrack rotations;
    rotations.addKeys({{7, RotationKey()}, {-3, RotationKey()}, {12, RotationKey()}, {7, RotationKey()}});
    EXPECT_EQ(framesOf<RotationKeyNode>(rotations.keys), (std::vector<int32_t>{-3, 7, 12}));
}

TEST(PositionEvaluation, HoldsTheEndsAndInterpolatesBetweenKeys) {
    PositionTrack track;
    track.defaultPosition = {5, 6, 7};
    EXPECT_EQ(track.positionAt(3), Vector(5, 6, 7));  // no keys: the rest position

    track.addKey(7, {1, 2, 3});
    for (float frame : {-100.0f, 6.5f, 7.0f, 7.5f, 1e6f}) EXPECT_EQ(track.positionAt(frame), Vector(1, 2, 3));

    PositionTrack two;
    two.addKey(2, {0, 0, 0});
    two.addKey(3, {2, 0, 0});
    expectNear(two.positionAt(2.5f), {1, 0, 0});
    EXPECT_EQ(two.positionAt(-0.5f), Vector(0, 0, 0));
    EXPECT_EQ(two.positionAt(3.0f), Vector(2, 0, 0));
    EXPECT_EQ(two.positionAt(4.0f), Vector(2, 0, 0));
}

TEST(PositionEvaluation, KeysAtTheFarEndsOfTheFrameRangeDoNotOverflow) {
    PositionTrack track;
    track.addKey(INT_MIN, {0, 0, 0});
    track.addKey(INT_MAX, {4, 0, 0});
    const Vector middle = track.positionAt(0.0f);
    EXPECT_NEAR(middle.x, 2.0f, 1e-3f);
    EXPECT_EQ(track.positionAt(NAN), Vector(0, 0, 0));  // never a null key
}

TEST(RotationEvaluation, EndsAndExactKeysGiveTheStoredOrientation) {
    RotationTrack track;
    EXPECT_EQ(track.rotationAt(5), Quaternion());
    EXPECT_EQ(track.findKeyAtOrAfter(0), nullptr);

    const RotationKey first = keyAbout(zAxis, pi / 2, Quaternion());
    const RotationKey second = keyAbout(zAxis, pi / 2, first.orientation);
    track.addKey(0, first);
    track.addKey(10, second);
    EXPECT_EQ(track.rotationAt(-1), first.orientation);
    EXPECT_EQ(track.rotationAt(10), second.orientation);
    EXPECT_EQ(track.rotationAt(11), second.orientation);
    EXPECT_EQ(track.findKeyAtOrAfter(0.5f)->frame, 10);
    EXPECT_EQ(track.findKeyAtOrAfter(0.0f)->frame, 0);
    EXPECT_EQ(track.findKeyAtOrAfter(10.5f), nullptr);
}

TEST(RotationEvaluation, ATurnOfMoreThanHalfACircleIsFollowedTheLongWay) {
    RotationTrack track;
    track.addKey(0, RotationKey{Quaternion(), zAxis, 0.0f, Quaternion(-999, 0, 0, 0)});
    track.addKey(10, keyAbout(zAxis, 3 * pi / 2, Quaternion()));
    // Halfway through 270 degrees is 135 degrees the same way, not 45 the other.
    expectSameTurn(track.rotationAt(5), Quaternion::fromAxisAngle(zAxis, 3 * pi / 4));
    expectSameTurn(track.rotationAt(2.5f), Quaternion::fromAxisAngle(zAxis, 3 * pi / 8));
}

TEST(RotationEvaluation, AKeyWhoseStartDoesNotMatchIsWorkedOutAgain) {
    // Read out of frame order, a key's recorded start is some other orientation.
    const Quaternion elsewhere = Quaternion::fromAxisAngle({1, 0, 0}, 1.0f);

    // Stored as 270 degrees about +z: the orientations alone say 90 about -z,
    // and the recomputation must keep the long way round.
    RotationKey longWay = keyAbout(zAxis, 3 * pi / 2, Quaternion());
    longWay.previous = elsewhere;
    expectSameTurn(interpolate(Quaternion(), 0.5f, longWay), Quaternion::fromAxisAngle(zAxis, 3 * pi / 4));

    // A turn and a quarter keeps its whole turn: halfway is 225 degrees.
    RotationKey overTurn = keyAbout(zAxis, 2 * pi + pi / 2, Quaternion());
    overTurn.previous = elsewhere;
    expectSameTurn(interpolate(Quaternion(), 0.5f, overTurn), Quaternion::fromAxisAngle(zAxis, 5 * pi / 4));

    // The recomputed axis comes from the orientations, not from the stored one.
    RotationKey wrongAxis = keyAbout({0, 1, 0}, pi / 2, Quaternion());
    wrongAxis.axis = {1, 0, 0};
    wrongAxis.previous = elsewhere;
    expectSameTurn(interpolate(Quaternion(), 0.5f, wrongAxis), Quaternion::fromAxisAngle({0, 1, 0}, pi / 4));
}

TEST(RotationEvaluation, NoMeasurableTurnKeepsTheStoredAngleAboutZWhenTheAxisIsZero) {
    RotationKey fullTurn;
    fullTurn.orientation = Quaternion();
    fullTurn.axis = {0, 0, 0};
    fullTurn.angle = 2 * pi;
    fullTurn.previous = Quaternion(0.5f, 0.5f, 0.5f, 0.5f);
    expectSameTurn(interpolate(Quaternion(), 0.5f, fullTurn), Quaternion::fromAxisAngle(zAxis, pi));

    // The track evaluates a copy: its key still records the old start.
    RotationTrack track;
    track.addKey(0, RotationKey());
    track.addKey(4, fullTurn);
    track.rotationAt(2);
    EXPECT_EQ(static_cast<RotationKeyNode*>(track.keys.last)->key.previous, Quaternion(0.5f, 0.5f, 0.5f, 0.5f));
    EXPECT_EQ(static_cast<RotationKeyNode*>(track.keys.last)->key.axis, Vector(0, 0, 0));
}
