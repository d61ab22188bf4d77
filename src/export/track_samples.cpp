#include "export/track_samples.h"

#include <cmath>

#include "core/message.h"
#include "model/poly_model.h"

namespace {
constexpr double fullTurn = 6.283185307179586;
constexpr double largestStep = fullTurn / 8;
// A track that needs more samples than this turns thousands of times: a
// damaged or hostile file rather than anything a viewer could play.
constexpr size_t maxRotationSamples = size_t{1} << 20;

// The frames a track is sampled at: 0, where the saver's clock starts, and
// every key after it.
template <class Node>
std::vector<int32_t> keyFramesFromZero(const List& keys) {
    std::vector<int32_t> frames{0};
    for (const Node* node : keys.as<Node>())
        if (node->frame > 0) frames.push_back(node->frame);
    return frames;
}

void appendRotation(RotationSamples& out, float seconds, Quaternion q) {
    q.normalize();
    if (!out.values.empty()) {
        const Quaternion& before = out.values.back();
        if (before.w * q.w + before.v.dot(q.v) < 0.0f) q = Quaternion(-q.w, -q.v);
    }
    out.seconds.push_back(seconds);
    out.values.push_back(q);
}

// How far the turn into `node` can go: its stored angle, or, when the key's
// recorded start is not the key before it (the turn is then worked out again
// from the two orientations, keeping the stored whole turns), up to a turn more.
double turnBound(const RotationKeyNode& node) {
    const double stored = std::fabs(static_cast<double>(node.key.angle));
    const auto* before = static_cast<const RotationKeyNode*>(node.prev);
    if (before != nullptr && node.key.previous == before->key.orientation) return stored;
    return stored + fullTurn;
}

const RotationKeyNode* keyAt(const List& keys, int32_t frame) {
    for (const RotationKeyNode* node : keys.as<RotationKeyNode>())
        if (node->frame == frame) return node;
    return nullptr;
}
}  // namespace

PositionSamples samplePositionTrack(const Subobject& s, float keyFramesPerSecond) {
    PositionSamples out;
    if (s.positionTrack.keys.empty()) return out;
    for (int32_t frame : keyFramesFromZero<PositionKey>(s.positionTrack.keys)) {
        out.seconds.push_back(static_cast<float>(frame) / keyFramesPerSecond);
        out.values.push_back(s.positionTrack.positionAt(static_cast<float>(frame)));
    }
    return out;
}

RotationSamples sampleRotationTrack(const Subobject& s, float keyFramesPerSecond) {
    RotationSamples out;
    const int32_t kind = s.property->kind();
    const RotationTrack& track = s.rotationTrack;
    if (track.keys.empty() || kind == SubobjectProperty::fov || kind == SubobjectProperty::rotate) return out;
    const std::vector<int32_t> frames = keyFramesFromZero<RotationKeyNode>(track.keys);
    appendRotation(out, 0.0f, track.rotationAt(0.0f));
    for (size_t i = 1; i < frames.size(); ++i) {
        const double from = frames[i - 1], to = frames[i];
        const RotationKeyNode* node = keyAt(track.keys, frames[i]);
        // Before the first key the track holds still: one step is enough there.
        const bool turning = node != nullptr && node->prev != nullptr;
        const double steps = turning ? std::ceil(turnBound(*node) / largestStep) : 1.0;
        if (steps + static_cast<double>(out.values.size()) > static_cast<double>(maxRotationSamples))
            fail("Rotation keys turn too far to export");
        const int32_t n = steps < 1.0 ? 1 : static_cast<int32_t>(steps);
        for (int32_t j = 1; j <= n; ++j) {
            const float frame = j == n ? static_cast<float>(to) : static_cast<float>(from + (to - from) * j / n);
            appendRotation(out, frame / keyFramesPerSecond, track.rotationAt(frame));
        }
    }
    return out;
}

RotationSamples sampleSpin(const Subobject& s) {
    RotationSamples out;
    Vector axis;
    if (s.property->kind() != SubobjectProperty::rotate || !spinAxis(s, axis)) return out;
    const float period = s.property->parameterValue(0);
    constexpr int steps = 8;
    for (int i = 0; i <= steps; ++i) {
        const double angle = fullTurn * i / steps;
        // Written out rather than normalised and sign-matched: the last sample
        // is (-1, 0) on purpose, a whole turn on from the first.
        out.seconds.push_back(period * static_cast<float>(i) / steps);
        out.values.push_back(Quaternion(static_cast<float>(std::cos(angle / 2)), axis * static_cast<float>(std::sin(angle / 2))));
    }
    return out;
}
