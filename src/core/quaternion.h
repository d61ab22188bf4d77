#pragma once

#include "core/vector.h"

// Orientation in Hamilton's convention, w first. Angles are radians.
// As a rotation, a*b applies b first and a second.
struct Quaternion {
    float w = 1.0f;
    Vector v;

    constexpr Quaternion() = default;
    constexpr Quaternion(float w_, float x, float y, float z) : w(w_), v(x, y, z) {}
    constexpr Quaternion(float w_, const Vector& v_) : w(w_), v(v_) {}

    // The axis is expected to be of unit length; it is not normalized here.
    static Quaternion fromAxisAngle(const Vector& axis, float angleRadians);

    Quaternion conjugate() const { return {w, -v}; }
    void normalize();

    struct AxisAngle {
        Vector axis;
        float angle = 0.0f;  // radians, in [0, pi]
    };
    AxisAngle toAxisAngle() const;

    // The vector part of q * (0, p) * conjugate(q); q is taken to be of unit length.
    Vector rotate(const Vector& p) const;
};

Quaternion product(const Quaternion& a, const Quaternion& b);
inline Quaternion operator*(const Quaternion& a, const Quaternion& b) { return product(a, b); }
inline bool operator==(const Quaternion& a, const Quaternion& b) { return a.w == b.w && a.v == b.v; }
