#pragma once

#include "options/settings.h"

// The texture the mirror option layers over every filled face.
inline constexpr const char* reflectionTextureName = "PaleWhiteRock001.ogf";

// Key frames per second of an animation-speed choice, its label read with
// sscanf's "%f" as the saver reads it. `index` must be within the table.
float animationSpeedOf(int32_t index);

// Brings a hand-edited index into its table, as the dialog would show it, and
// copies the options that steer drawing into the renderer's record: the
// overlay, the animation speed, bilinear filtering, mipmapping and the mirror.
void applyShowOptions(Settings& settings);
