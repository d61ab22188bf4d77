#pragma once

#include <cstddef>
#include <vector>

#include "core/quaternion.h"
#include "core/vector.h"

class Subobject;

// A subobject's motion as a linearly interpolated curve: times in seconds,
// one value per time. Rotations are unit quaternions, each on the same side
// as the one before (a non-negative dot product), so that a viewer's slerp
// between neighbours takes the way the saver takes.
struct PositionSamples {
    std::vector<float> seconds;
    std::vector<Vector> values;
};

struct RotationSamples {
    std::vector<float> seconds;
    std::vector<Quaternion> values;
};

// The position track from frame 0 to its last key, played at
// `keyFramesPerSecond`: a sample at frame 0 and at every later key. Empty
// when the track has no keys.
PositionSamples samplePositionTrack(const Subobject& s, float keyFramesPerSecond);
// How many samples samplePositionTrack gives, without making them.
size_t positionSampleCount(const Subobject& s);

// The rotation track, as the renderer evaluates it, sampled at every key and
// between keys often enough that no step turns by more than an eighth of a
// turn: a key that turns the long way round, or several times, is followed
// in its stored sense. Empty for a track without keys and for $fov and
// $rotate subobjects, whose keys the renderer does not play. Throws "Rotation
// keys turn too far to export" for more than maxExportRotationSamples
// (export_budget.h), which bounds all of a model's tracks together.
RotationSamples sampleRotationTrack(const Subobject& s, float keyFramesPerSecond);
// How many samples sampleRotationTrack gives, without making them.
size_t rotationSampleCount(const Subobject& s);

// One period of a $rotate subobject's spin (seconds per turn from its
// property), ending where it started; empty when it has no spin axis.
RotationSamples sampleSpin(const Subobject& s);
