#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <vector>

#include "model/poly_model.h"

struct Texture;

// One corner of one triangle of a face, as the vertex arrays hold it.
struct ArrayVertex {
    float position[3];
    float normal[3];      // the face's normal, or the vertex's for smooth shading
    float texCoord[2];
    float colour[4];      // the face's colour (white when textured), the vertex's alpha
    GLboolean edge;       // the edge from this corner to the next is an edge of the face
};

// Faces next to each other in list order that are drawn with the same state:
// the same texture, or none.
struct FaceRun {
    int32_t first = 0;    // first array element
    int32_t count = 0;    // array elements
    Texture* texture = nullptr;  // null: untextured
};

// A subobject's faces as vertex arrays. Each face of n corners becomes the n - 2
// triangles (i + 1, i + 2, 0), the order in which Mesa breaks up a polygon, so
// that both fill the same pixels; the edge flags keep a face's outline to its
// own edges, never a triangle's inner diagonal.
struct FaceArrays : SubobjectDrawing {
    FaceArrays(const Subobject& subobject, bool smooth);

    std::vector<ArrayVertex> vertices;
    std::vector<FaceRun> runs;  // every face, in list order
    FaceRun firstFace;          // the first face alone, as a billboard shows it
    bool smooth;                // which normals the arrays hold
};

// The subobject's arrays for this shading, made at its first draw (and again
// only if the shading changes).
const FaceArrays& faceArraysOf(const Subobject& subobject, bool smooth);

// Makes, before the model is first drawn, the arrays of each of its subobjects
// that has faces, for this shading: no OpenGL, so a model read ahead of its
// turn gets them on the thread that reads it. Returns the textures that the
// faces are drawn with, each once, in the order they are first drawn.
std::vector<Texture*> makeFaceArrays(const PolyModel& model, bool smooth);

// Points the vertex, normal, texture-coordinate and colour arrays (with
// `filled`) or the vertex and edge-flag arrays (for outlines) at `arrays`, and
// enables them; `releaseFaceArrays` disables them again.
void useFaceArrays(const FaceArrays& arrays, bool filled);
void releaseFaceArrays(bool filled);
