#pragma once

#include <cstdint>

#include "core/vector.h"
#include "textures/texture.h"

// Drawing options and colours: one process-wide record. The host copies five
// of the user's options in once at start-up; the rest keep their defaults.
struct RenderMode {
    bool showText = false;          // overlay line: frame, rate, model name
    bool blend = true;              // blending on, factors (ONE, ZERO) until a texture sets its own
    float animationSpeed = 3.0f;    // key frames per second of the host's animation clock
    float pointSize = 5.0f;         // pixels
    bool pointSmooth = false;
    float lineWidth = 0.0f;         // pixels; 0 is refused by GL, leaving lines 1 pixel wide
    bool lineSmooth = false;
    bool bilinear = true;           // given to a texture frame when it is first uploaded
    bool mipmap = true;             // likewise
    bool lighting = true;
    bool smoothShading = false;     // per-vertex normals instead of the face normal
    bool fog = false;
    bool cullOutlines = false;      // false: outlines of back faces are drawn too
    bool facingPass = true;         // $facing subobjects as billboards in a second pass
    bool reflection = false;        // sphere-mapped reflection layer over filled faces
    bool reflectionModulate = true; // false: GL_DECAL
    Vector backgroundColour{0.0f, 0.0f, 0.0f};
    Vector outlineColour{0.5f, 0.5f, 0.5f};
    Vector markerColour{0.0f, 0.6f, 0.8f};
    Vector textColour{0.8f, 0.8f, 0.8f};
    uint32_t fontListBase = 0;      // display list of character 0

    TextureFilters textureFilters() const { return {bilinear, mipmap}; }
};

// Solid or wireframe drawing for the model on screen.
struct RenderState {
    explicit RenderState(RenderMode* mode_) : mode(mode_) {}

    void setSolid() { solid = true; wire = false; }
    void setWireframe() { solid = false; wire = true; }

    bool solid = true;   // filled faces
    bool wire = false;   // face outlines and gun point markers
    bool clearsFrame = true;  // false: the whole window was cleared before the frames in it
    RenderMode* mode;
};

extern RenderMode renderMode;
extern RenderState renderState;
