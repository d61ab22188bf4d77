#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "core/list.h"
#include "core/quaternion.h"
#include "core/vector.h"

// Key-frame tracks of a subobject. Frames are whole numbers in the keys; the
// animation clock is a float, so tracks are evaluated between keys.

struct PositionKey : ListNode {
    PositionKey(const Vector& position_, int32_t frame_) : position(position_), frame(frame_) {}

    Vector position;  // relative to the parent, rest position included
    int32_t frame;
};

struct PositionTrack {
    Vector defaultPosition;  // the rest position, used while there are no keys
    List keys;               // PositionKeys, ascending frame, no two alike

    // Inserts in frame order; throws "Duplicate key frame index" (track unchanged)
    // when a key of that frame is already there.
    void addKey(int32_t frame, const Vector& position);
    // Keys (frame, position) in the order a file gives them: as addKey one
    // after another, a key whose frame is already there dropped, but sorted
    // once, so that a long track costs n log n rather than n squared.
    void addKeys(std::vector<std::pair<int32_t, Vector>> keys);
    Vector positionAt(float frame) const;
};

struct RotationKey {
    Quaternion orientation;                          // relative to the parent, unit length
    Vector axis{0.0f, 0.0f, 1.0f};                   // unit axis of the turn from the previous key
    float angle = 0.0f;                              // radians; may exceed pi, even a whole turn
    Quaternion previous{-999.0f, 0.0f, 0.0f, 0.0f};  // the turn's start; w = -999 matches nothing
};

struct RotationKeyNode : ListNode {
    RotationKeyNode(const RotationKey& key_, int32_t frame_) : key(key_), frame(frame_) {}

    RotationKey key;
    int32_t frame;
};

struct RotationTrack {
    RotationKey defaultKey;  // identity orientation
    List keys;               // RotationKeyNodes, ascending frame, no two alike

    // As PositionTrack::addKey and addKeys.
    void addKey(int32_t frame, const RotationKey& key);
    void addKeys(std::vector<std::pair<int32_t, RotationKey>> keys);
    // The first key whose frame is not below `frame`, or null.
    RotationKeyNode* findKeyAtOrAfter(float frame) const;
    Quaternion rotationAt(float frame) const;
    // rotationAt(frame) for a frame known to lie between `node`'s key and the
    // key before it (or at either), without searching the track.
    static Quaternion rotationInto(const RotationKeyNode& node, float frame);
};

// The orientation a fraction `t` of the way through the turn of `key`, starting
// at `from`. When `from` is not the key's recorded start (keys that arrived out
// of frame order), the turn is worked out again from the two orientations on
// the copy, keeping the stored angle's whole turns.
Quaternion interpolate(const Quaternion& from, float t, RotationKey key);
