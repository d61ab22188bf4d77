#include "model/animation.h"

#include <algorithm>
#include <cmath>

#include "core/message.h"

namespace {
constexpr double fullTurn = 6.283185307179586;

template <class Node>
int32_t frameOf(const ListNode* node) {
    return static_cast<const Node*>(node)->frame;
}

// Sorted insertion shared by both tracks: frames compare as floats, as the
// evaluation does, so two frames that a float cannot tell apart are duplicates.
template <class Node>
void insertSorted(List& keys, Node* node) {
    const float frame = static_cast<float>(node->frame);
    ListNode* at = keys.first;
    while (at != nullptr && static_cast<float>(frameOf<Node>(at)) < frame) at = at->next;
    if (at != nullptr && static_cast<float>(frameOf<Node>(at)) == frame) {
        delete node;
        fail("Duplicate key frame index");
    }
    if (at == nullptr) {
        keys.append(node);
        return;
    }
    node->owner = &keys;
    node->next = at;
    node->prev = at->prev;
    if (at->prev != nullptr) at->prev->next = node;
    else keys.first = node;
    at->prev = node;
    ++keys.count;
}

// Sorted once, stably, so that of the keys of one frame the first in the
// file's order stays; then each is appended, or dropped when the last key
// has its frame. A track that had keys before takes the slow way.
template <class Node, class Value>
void insertAllSorted(List& keys, std::vector<std::pair<int32_t, Value>>& items) {
    std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
        return static_cast<float>(a.first) < static_cast<float>(b.first);
    });
    for (const auto& [frame, value] : items) {
        const float at = static_cast<float>(frame);
        if (keys.last == nullptr || static_cast<float>(frameOf<Node>(keys.last)) < at) {
            keys.append(new Node(value, frame));
        } else if (static_cast<float>(frameOf<Node>(keys.last)) != at) {
            try {
                insertSorted(keys, new Node(value, frame));
            } catch (Message) {
                // A key of that frame was there before.
            }
        }
    }
}

// The first node whose frame is not below `frame`; null past the last key.
ListNode* firstAtOrAfter(const List& keys, float frame, int32_t (*frameOfNode)(const ListNode*)) {
    ListNode* node = keys.first;
    while (node != nullptr && !(static_cast<float>(frameOfNode(node)) >= frame)) node = node->next;
    return node;
}

// The fraction of the way from frame `before` to frame `after`. The frame
// difference is taken in 64 bits: hostile frames far apart must not overflow.
float fraction(float frame, int32_t before, int32_t after) {
    const int64_t span = static_cast<int64_t>(after) - before;
    return (frame - static_cast<float>(before)) / static_cast<float>(span);
}
}  // namespace

// -------------------------------------------------------------- PositionTrack

void PositionTrack::addKey(int32_t frame, const Vector& position) {
    insertSorted(keys, new PositionKey(position, frame));
}

void PositionTrack::addKeys(std::vector<std::pair<int32_t, Vector>> items) { insertAllSorted<PositionKey>(keys, items); }

Vector PositionTrack::positionAt(float frame) const {
    if (keys.first == nullptr) return defaultPosition;
    const auto* first = static_cast<const PositionKey*>(keys.first);
    const auto* last = static_cast<const PositionKey*>(keys.last);
    if (static_cast<float>(first->frame) > frame) return first->position;
    if (frame > static_cast<float>(last->frame)) return last->position;
    const auto* key = static_cast<const PositionKey*>(firstAtOrAfter(keys, frame, frameOf<PositionKey>));
    // Only a NaN frame gets past the two tests above without finding a key
    // with one before it; it gets the first key rather than a null dereference.
    if (key == nullptr || key->prev == nullptr) return first->position;
    if (static_cast<float>(key->frame) == frame) return key->position;
    const auto* before = static_cast<const PositionKey*>(key->prev);
    return before->position.lerp(key->position, fraction(frame, before->frame, key->frame));
}

// -------------------------------------------------------------- RotationTrack

void RotationTrack::addKey(int32_t frame, const RotationKey& key) {
    insertSorted(keys, new RotationKeyNode(key, frame));
}

void RotationTrack::addKeys(std::vector<std::pair<int32_t, RotationKey>> items) {
    insertAllSorted<RotationKeyNode>(keys, items);
}

RotationKeyNode* RotationTrack::findKeyAtOrAfter(float frame) const {
    return static_cast<RotationKeyNode*>(firstAtOrAfter(keys, frame, frameOf<RotationKeyNode>));
}

Quaternion RotationTrack::rotationAt(float frame) const {
    if (keys.first == nullptr) return defaultKey.orientation;
    const auto* first = static_cast<const RotationKeyNode*>(keys.first);
    const auto* last = static_cast<const RotationKeyNode*>(keys.last);
    if (static_cast<float>(first->frame) > frame) return first->key.orientation;
    if (frame > static_cast<float>(last->frame)) return last->key.orientation;
    const RotationKeyNode* node = findKeyAtOrAfter(frame);
    if (node == nullptr) return first->key.orientation;  // NaN frame
    return rotationInto(*node, frame);
}

Quaternion RotationTrack::rotationInto(const RotationKeyNode& node, float frame) {
    const auto* before = static_cast<const RotationKeyNode*>(node.prev);
    if (before == nullptr || static_cast<float>(node.frame) <= frame) return node.key.orientation;
    if (frame <= static_cast<float>(before->frame)) return before->key.orientation;
    return interpolate(before->key.orientation, fraction(frame, before->frame, node.frame), node.key);
}

Quaternion interpolate(const Quaternion& from, float t, RotationKey key) {
    if (!(key.previous == from)) {
        key.previous = from;
        const Quaternion::AxisAngle turn = (key.orientation * from.conjugate()).toAxisAngle();
        if (turn.axis.squaredLength() < 0.01f) {
            // No measurable turn between the two orientations: keep the stored one.
            if (key.axis.squaredLength() < 0.01f) key.axis = Vector(0.0f, 0.0f, 1.0f);
        } else {
            key.axis = turn.axis;
            float theta = turn.angle;
            // The stored angle says how many whole turns the key makes and, past half
            // a turn, that it goes the long way round. Done in floating point: a
            // hostile angle must not overflow a conversion to an integer.
            const double wholeRadians = std::fabs(std::trunc(static_cast<double>(key.angle)));
            const float turns = static_cast<float>(wholeRadians / fullTurn);
            const float wholeTurns = std::trunc(turns);
            if (turns - wholeTurns > 0.5f) {
                key.axis = -turn.axis;
                theta = static_cast<float>(fullTurn - theta);
            }
            key.angle = static_cast<float>(theta + wholeTurns * fullTurn);
        }
    }
    const float half = t * key.angle / 2.0f;
    const Quaternion step(std::cos(half), key.axis * std::sin(half));
    return step * from;
}
