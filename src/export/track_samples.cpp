#include "export/track_samples.h"

#include <cmath>

#include "core/message.h"
#include "export/export_budget.h"
#include "model/poly_model.h"

namespace {
constexpr double fullTurn = 6.283185307179586;
constexpr double largestStep = fullTurn / 8;

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

// The samples from the frame before up to `node`'s key (a later key than
// frame 0): before the first key the track holds still, so one is enough.
// A key read from a file turns at most 2^31 * pi / 32768 radians, some
// 262 000 steps; an angle that is not a number counts as too many.
size_t stepsInto(const RotationKeyNode& node) {
    if (node.prev == nullptr) return 1;
    const double steps = std::ceil(turnBound(node) / largestStep);
    if (!(steps <= static_cast<double>(maxExportRotationSamples))) return maxExportRotationSamples + 1;
    return steps < 1.0 ? 1 : static_cast<size_t>(steps);
}

bool playsRotationKeys(const Subobject& s) {
    const int32_t kind = s.property->kind();
    return !s.rotationTrack.keys.empty() && kind != SubobjectProperty::fov && kind != SubobjectProperty::rotate;
}
}  // namespace

size_t positionSampleCount(const Subobject& s) {
    if (s.positionTrack.keys.empty()) return 0;
    size_t count = 1;
    for (const PositionKey* key : s.positionTrack.keys.as<PositionKey>()) count += key->frame > 0;
    return count;
}

// Frame 0, where the saver's clock starts, then every key after it: the
// walk along the keys makes sampling cost its samples, not samples times keys.
PositionSamples samplePositionTrack(const Subobject& s, float keyFramesPerSecond) {
    PositionSamples out;
    if (s.positionTrack.keys.empty()) return out;
    out.seconds.push_back(0.0f);
    out.values.push_back(s.positionTrack.positionAt(0.0f));
    for (const PositionKey* key : s.positionTrack.keys.as<PositionKey>()) {
        if (key->frame <= 0) continue;
        out.seconds.push_back(static_cast<float>(key->frame) / keyFramesPerSecond);
        out.values.push_back(key->position);
    }
    return out;
}

size_t rotationSampleCount(const Subobject& s) {
    if (!playsRotationKeys(s)) return 0;
    size_t count = 1;
    for (const RotationKeyNode* node : s.rotationTrack.keys.as<RotationKeyNode>())
        if (node->frame > 0) count += stepsInto(*node);
    return count;
}

RotationSamples sampleRotationTrack(const Subobject& s, float keyFramesPerSecond) {
    RotationSamples out;
    if (!playsRotationKeys(s)) return out;
    const size_t count = rotationSampleCount(s);
    if (count > maxExportRotationSamples) fail("Rotation keys turn too far to export");
    out.seconds.reserve(count);
    out.values.reserve(count);
    appendRotation(out, 0.0f, s.rotationTrack.rotationAt(0.0f));
    double from = 0.0;
    for (const RotationKeyNode* node : s.rotationTrack.keys.as<RotationKeyNode>()) {
        if (node->frame <= 0) continue;
        const double to = node->frame;
        const auto n = static_cast<int32_t>(stepsInto(*node));
        for (int32_t j = 1; j <= n; ++j) {
            const float frame = j == n ? static_cast<float>(to) : static_cast<float>(from + (to - from) * j / n);
            appendRotation(out, frame / keyFramesPerSecond, RotationTrack::rotationInto(*node, frame));
        }
        from = to;
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
