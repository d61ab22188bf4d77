#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "core/quaternion.h"
#include "model/poly_model.h"
#include "camera/viewer.h"

namespace {
constexpr float pi = 3.14159265358979323846f;

Vector turned(const Vector& v, const Vector& axis, float angle) {
    return Quaternion::fromAxisAngle(axis, angle).rotate(v);
}

Vector unit(Vector v) {
    v.normalize();
    return v;
}
}  // namespace

Viewer* PolyModel::createViewer() const { return new ModelViewer(this); }

ModelViewer::ModelViewer(const PolyModel* model_) : model(model_) {
    float z = 5.0f * model->radius;
    if (z < 3.0f) z = 3.0f;  // a tiny model is still seen from 3 units away
    eye = {0.0f, 0.0f, z};
    direction = {0.0f, 0.0f, -1.0f};
    up = {0.0f, 1.0f, 0.0f};
    largestRadius = model->radius;
}

void ModelViewer::setupView(int32_t width, int32_t height) {
    glViewport(viewportLeft, viewportBottom, width, height);
    float d = eye.length();
    const float r = model->radius;
    if (r > largestRadius) {
        largestRadius = r;
        const float want = r * 2.2f;
        if (want > d) {
            if (d < 0.01f) {
                eye -= direction * want;
                d = eye.length();
            } else {
                eye = eye * (want / d);
                d = want;
            }
        }
    }
    nearPlane = d - 2.0f * r;
    if (nearPlane < 0.1f) nearPlane = 0.1f;
    farPlane = d + 2.0f * r;

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A window of height 0 (minimised) has no aspect ratio; draw as if square
    // rather than divide by zero.
    const double aspect = height != 0 ? static_cast<double>(width) / height : 1.0;
    // Negated: the picture is mirrored left to right.
    gluPerspective(fovDegrees, -aspect, nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // Directional lights fixed to the camera, set while eye space is loaded.
    const float light0[4] = {0.0f, 1.0f, 1.0f, 0.0f};
    const float light1[4] = {-0.5f, -1.0f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light0);
    glLightfv(GL_LIGHT1, GL_POSITION, light1);

    const Vector centre = eye + direction;
    gluLookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, up.x, up.y, up.z);
}

void ModelViewer::dolly(float amount) {
    const float d = eye.length();
    eye += direction * (amount * d * 0.1f);
}

void ModelViewer::moveUp(float distance) { eye += up * distance; }

void ModelViewer::moveRight(float distance) { eye += rightVector() * distance; }

void ModelViewer::roll(float angle) { up = unit(turned(up, direction, angle)); }

void ModelViewer::yaw(float angle) { direction = unit(turned(direction, up, -angle)); }

void ModelViewer::pitch(float angle) {
    const Vector right = rightVector();
    direction = unit(turned(direction, right, angle));
    up = unit(right.cross(direction));
}

void ModelViewer::orbitVertical(float angle) {
    const Vector right = rightVector();
    const Quaternion q = Quaternion::fromAxisAngle(right, -angle);
    eye = q.rotate(eye);
    direction = unit(q.rotate(direction));
    up = unit(right.cross(direction));
}

void ModelViewer::orbitHorizontal(float angle) {
    const Quaternion q = Quaternion::fromAxisAngle(up, angle);
    eye = q.rotate(eye);
    direction = unit(q.rotate(direction));
}

void ModelViewer::widenFov(float degrees) { fovDegrees += degrees; }

void ModelViewer::levelRoll() {
    const Vector right = rightVector();
    Vector h(-direction.z, 0.0f, direction.x);
    if (h.dot(h) < 1e-6f) return;  // looking straight up or down
    h.normalize();
    float c = right.dot(h);
    if (c > 1.0f) c = 1.0f;
    if (c < -1.0f) c = -1.0f;
    float theta = std::acos(c);
    if (right.y * up.y < 0.0f) theta = -theta;
    if (theta > pi / 2) theta = pi - theta;
    else if (theta < -pi / 2) theta = -pi - theta;
    roll(theta);
}

void ModelViewer::viewFront() {
    const float d = eye.length();
    eye = {0, 0, d};
    direction = {0, 0, -1};
    up = {0, 1, 0};
}

void ModelViewer::viewTop() {
    const float d = eye.length();
    eye = {0, d, 0};
    direction = {0, -1, 0};
    up = {0, 0, -1};
}

void ModelViewer::viewSide() {
    const float d = eye.length();
    eye = {d, 0, 0};
    direction = {-1, 0, 0};
    up = {0, 1, 0};
}
