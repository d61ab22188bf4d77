#pragma once

#include "forge/byte_writer.h"

// The demo archive's bitmaps, drawn by code so that nothing binary is kept.
Bytes hullPlateBitmap();       // 64x64 grey hull panels with seams and rivets
Bytes paleRockBitmap();        // 64x64 pale stone; also the reflection layer's texture
Bytes engineGlowAnimation();   // 4 frames of a pulsing blue-white glow, with alpha
Bytes runningLightsBitmap();   // 32x8 strip of lights that slides along its faces
Bytes beaconGlowBitmap();      // 32x32 soft amber glow with alpha
Bytes solarPanelBitmap();      // 32x32 blue photovoltaic cells
