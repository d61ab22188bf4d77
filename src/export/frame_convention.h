#pragma once

#include "core/vector.h"

// How a model's file coordinates map to the frames of other tools.
//
// The renderer takes a model's coordinates as OpenGL's: right-handed, the
// camera's up along +y, looking down -z. Its picture is mirrored left to right
// by the camera alone (a negative aspect ratio in the projection), and it
// culls with glFrontFace(GL_CW) under that mirror, so the faces it shows are
// the ones wound counter-clockwise in the unmirrored right-handed frame.
// That is glTF's frame (right-handed, +Y up, counter-clockwise front faces)
// and Wavefront OBJ's, so positions, normals and corner order are written
// as the file holds them. A viewer of the export shows the model the other
// way round from the saver: the saver's mirror is not part of the model.
inline Vector toExportFrame(const Vector& v) { return v; }
