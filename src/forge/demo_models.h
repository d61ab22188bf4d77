#pragma once

#include "forge/byte_writer.h"

// The demo archive's models. Between them they show everything the saver draws:
// textured and coloured faces, vertex alpha, key-frame position and rotation
// animation, $rotate spinners, $fov turrets, $facing glows, gun points and
// weapon batteries, animated and sliding textures, additive and alpha blending,
// a missing bitmap, and (with the mirror option) the reflection layer.
Bytes vanguardModel();    // a cruiser: textured hull, wings, turrets, engine glows, gun points
Bytes relayModel();       // a relay station: ring, running lights, spinning radar dish, solar panels
Bytes harvesterModel();   // a mining drone: coloured body, glass canopy, animated arms and claws, drill
Bytes asteroidModel();    // an asteroid outpost: rough pale rock, dome, cargo pod with a missing bitmap
Bytes lanceModel();       // a fighter, in the older file version: rolls and bobs by key frames
Bytes lighthouseModel();  // a beacon tower: rotating lamp with glows and fading beams
