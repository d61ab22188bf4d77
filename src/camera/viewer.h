#pragma once

#include <cstdint>

#include "core/vector.h"

class PolyModel;

// The virtual camera: loads viewport, projection, light positions and view for a
// frame, and is nudged between frames. Angles are radians unless a name says
// degrees; distances are in model units.
class Viewer {
public:
    // Virtual so that deleting a ModelViewer through a Viewer pointer is defined.
    virtual ~Viewer() = default;
    virtual void setupView(int32_t width, int32_t height) = 0;  // pixels
    virtual void dolly(float amount) = 0;         // fraction of the eye's distance, before the factor 0.1
    virtual void moveUp(float distance) = 0;
    virtual void moveRight(float distance) = 0;
    virtual void roll(float angle) = 0;
    virtual void yaw(float angle) = 0;
    virtual void pitch(float angle) = 0;
    virtual void orbitVertical(float angle) = 0;
    virtual void orbitHorizontal(float angle) = 0;
    virtual void widenFov(float degrees) = 0;
    virtual void levelRoll() = 0;
    virtual void viewFront() = 0;
    virtual void viewTop() = 0;
    virtual void viewSide() = 0;

    // direction x up, computed afresh whenever it is needed.
    Vector rightVector() const { return direction.cross(up); }

    Vector eye;
    Vector direction;
    Vector up;
};

// The camera of one model: starts on +z looking at the origin, far enough out to
// frame the model's bounding radius.
class ModelViewer : public Viewer {
public:
    explicit ModelViewer(const PolyModel* model);

    void setupView(int32_t width, int32_t height) override;
    void dolly(float amount) override;
    void moveUp(float distance) override;
    void moveRight(float distance) override;
    void roll(float angle) override;
    void yaw(float angle) override;
    void pitch(float angle) override;
    void orbitVertical(float angle) override;
    void orbitHorizontal(float angle) override;
    void widenFov(float degrees) override;
    void levelRoll() override;
    void viewFront() override;
    void viewTop() override;
    void viewSide() override;

    const PolyModel* model;
    float fovDegrees = 54.0f;
    float largestRadius = 0.0f;

    // Where setupView puts the viewport's bottom left corner, in pixels from the
    // window's: another than 0, 0 where the window shows more than one picture.
    int32_t viewportLeft = 0;
    int32_t viewportBottom = 0;

    // The planes the last setupView used, model units.
    float nearPlane = 0.0f;
    float farPlane = 0.0f;
};
