#pragma once

#include <cstdint>

#include "core/quaternion.h"
#include "core/vector.h"
#include "render/render_mode.h"

class Subobject;
class Face;
class FunctionalPoint;

// What one walk of the subobject tree draws.
enum RenderPass : int32_t {
    allSubobjects = 0,    // $facing subobjects as ordinary geometry
    facingBillboards = 1, // only $facing subobjects, as billboards
    exceptFacing = 2,     // everything but $facing subobjects
};

// The optional "glActiveTextureARB" entry point; the reflection layer is drawn
// only when the host has found it.
void setActiveTextureFunction(void* entryPoint);
bool hasActiveTextureFunction();

// `frame` is the animation time in key frames; `seconds` the time since the model
// was put on screen, which drives spinners and animated textures.
void drawSubobject(const Subobject& subobject, const RenderState& state, float frame, float seconds, RenderPass pass);
// The rotation of a subobject relative to its parent.
Quaternion subobjectRotation(const Subobject& subobject, float frame, float seconds);
void drawFace(const Face& face, const Vector* vertices, const Vector* normals, const float* alphas, bool smooth,
              float seconds);
void drawFaceOutline(const Face& face, const Vector* vertices);
void drawPointMarker(const FunctionalPoint& point);

// Frames per second as the overlay shows it; kept across models.
struct FpsCounter {
    float lastTime = 0.0f;  // seconds
    int32_t frames = 0;
    float rate = 0.0f;      // frames per second
    void update(float seconds);
};
extern FpsCounter fpsCounter;

// Characters the overlay text buffer holds, its terminating 0 included; longer
// texts are cut.
inline constexpr int textBufferSize = 3000;

// Prints overlay text at the current raster position through the font's display
// lists: the renderer's own form, with the mode's list base.
void drawText(const RenderState& state, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The host's form, with the base the font's lists were built from (0).
void drawText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Makes display list `list` a glyph that draws nothing and moves the raster
// position `advance` pixels to the right, as a font's blank glyphs (the space)
// must. The hosts use it for the glyphs their font system leaves empty.
void defineBlankGlyph(uint32_t list, float advance);
