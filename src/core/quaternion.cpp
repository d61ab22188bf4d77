#include "core/quaternion.h"

#include <cmath>

Quaternion Quaternion::fromAxisAngle(const Vector& axis, float angleRadians) {
    const float half = angleRadians / 2.0f;
    return {std::cos(half), axis * std::sin(half)};
}

Quaternion product(const Quaternion& a, const Quaternion& b) {
    return {a.w * b.w - a.v.dot(b.v), b.v * a.w + a.v * b.w + a.v.cross(b.v)};
}

void Quaternion::normalize() {
    const float s = w * w + v.x * v.x + v.y * v.y + v.z * v.z;
    if (s == 0.0f) return;
    const float r = static_cast<float>(1.0 / std::sqrt(static_cast<double>(s)));
    w *= r;
    v *= r;
}

Quaternion::AxisAngle Quaternion::toAxisAngle() const {
    // Rounding can push |w| a hair above 1, where acos is undefined; such a
    // quaternion is as near to the identity as makes no difference, so clamp.
    AxisAngle result;
    float c = w >= 0.0f ? w : -w;
    if (c > 1.0f) c = 1.0f;
    result.angle = 2.0f * std::acos(c);
    result.axis = w >= 0.0f ? v : -v;
    result.axis.normalize();
    return result;
}

Vector Quaternion::rotate(const Vector& p) const {
    const Quaternion pure(0.0f, p);
    return product(product(*this, pure), conjugate()).v;
}
