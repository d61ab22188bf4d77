#pragma once

// Glyph display lists 1..127 (0 is no valid list name) for the overlay text where no window system font
// exists (offscreen): list n draws character n from a small 5x7 font with
// glBitmap and moves the raster position on by one 6-pixel cell. Needs a
// current OpenGL context.
void buildBitmapFont();

// The 5x7 pattern of a printable character, top row first, 5 bits a row with
// the leftmost pixel in bit 4; all zero for codes without a glyph.
const unsigned char* glyphRows(int code);

inline constexpr int glyphWidth = 5;
inline constexpr int glyphHeight = 7;
inline constexpr int glyphAdvance = 6;
