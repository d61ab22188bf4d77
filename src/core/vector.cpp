#include "core/vector.h"

#include <cmath>

float Vector::length() const { return std::sqrt(squaredLength()); }

void Vector::normalize() {
    const float squared = squaredLength();
    if (squared == 0.0f) return;
    const float r = static_cast<float>(1.0 / std::sqrt(static_cast<double>(squared)));
    x *= r;
    y *= r;
    z *= r;
}

Vector Vector::lerp(const Vector& target, float t) const { return *this + (target - *this) * t; }

Vector Vector::perpendicularPart(const Vector& a) const {
    constexpr float threshold = 0.0001f;
    Vector c = cross(a);
    if (c.squaredLength() < threshold) c = cross(Vector(0, 1, 0));
    if (c.squaredLength() < threshold) c = cross(Vector(1, 0, 0));
    Vector result = c.cross(*this);
    result.normalize();
    return result;
}
