#pragma once

#include <string>

#include "forge/hog_writer.h"

// An archive with one model of the size the game's own models have, for
// measuring the saver at that scale: written on demand (by the benchmarks and
// tests), never part of the demo archive.
//
// The model has `gameScaleSubobjects` subobjects in a tree, each with position
// and rotation keys and `gameScaleFacesPerSubobject` four-cornered faces, most
// of them textured. Its `gameScaleTextures` textures are OGF images of 128x128
// and 256x256 in both pixel formats with their mip levels stored, the last
// `gameScaleAnimations` of them OAF animations of `gameScaleAnimationFrames`
// frames; the archive's game table has a record for each.
constexpr int gameScaleSubobjects = 40;
constexpr int gameScaleFacesPerSubobject = 200;
constexpr int gameScaleTextures = 32;
constexpr int gameScaleAnimations = 4;
constexpr int gameScaleAnimationFrames = 16;
constexpr int gameScaleKeyFrames = 9;  // per track, frames 0, 10, ..., 80

// The model's entry name in the archive.
inline const std::string gameScaleModelName = "carrier.oof";

// With `carriers` above 1, as many carriers of their own textures (the same
// shapes, other pictures, no bitmap shared): "carrier.oof", "carrier2.oof"...
HogWriter gameScaleArchive(int carriers = 1);
std::string gameScaleModelNameOf(int carrier);  // counted from 0
