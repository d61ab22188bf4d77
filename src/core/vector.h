#pragma once

#include <type_traits>

// Three packed floats, so that an array of vectors is an array of float triples
// and a Vector can go straight to glVertex3fv and glNormal3fv.
struct Vector {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr Vector() = default;
    constexpr Vector(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    void set(float x_, float y_, float z_) { x = x_; y = y_; z = z_; }
    void zero() { x = y = z = 0.0f; }

    Vector& operator+=(const Vector& u) { x += u.x; y += u.y; z += u.z; return *this; }
    Vector& operator-=(const Vector& u) { x -= u.x; y -= u.y; z -= u.z; return *this; }
    Vector& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }

    float dot(const Vector& u) const { return x * u.x + y * u.y + z * u.z; }
    // Right-handed, receiver on the left.
    Vector cross(const Vector& u) const {
        return {y * u.z - z * u.y, z * u.x - x * u.z, x * u.y - y * u.x};
    }
    float squaredLength() const { return x * x + y * y + z * z; }
    float length() const;

    // Scales to unit length; a vector of exactly zero length is left alone.
    void normalize();
    // this + (target - this) * t
    Vector lerp(const Vector& target, float t) const;
    // Unit vector perpendicular to this, as near to `a` as possible (with fallbacks
    // when `a` is parallel to this).
    Vector perpendicularPart(const Vector& a) const;

    const float* data() const { return &x; }
};

static_assert(sizeof(Vector) == 3 * sizeof(float), "vertex arrays are handed to GL as float triples");
static_assert(std::is_standard_layout_v<Vector>);

inline Vector operator+(Vector a, const Vector& b) { return a += b; }
inline Vector operator-(Vector a, const Vector& b) { return a -= b; }
inline Vector operator-(const Vector& v) { return {-v.x, -v.y, -v.z}; }
inline Vector operator*(Vector v, float s) { return v *= s; }
inline Vector operator*(float s, Vector v) { return v *= s; }
// Exact comparison: all three components bitwise-equal as floats.
inline bool operator==(const Vector& a, const Vector& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
