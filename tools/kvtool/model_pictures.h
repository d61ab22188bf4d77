#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "offscreen/offscreen_saver.h"

// What the commands that put several models on one picture share
// (contact-sheet, thumbnail).

// The entry names of the archive's models, in table order; throws ToolError
// when it cannot be opened or holds no models.
std::vector<std::string> archiveModelNames(const std::string& archive);

// RGBA pixels of a sheet in the dark grey that the cells stand on.
std::vector<uint8_t> blankSheet(int width, int height);

// Copies a picture of `width` x `height` into the sheet, `sheetWidth` wide, at (left, top).
void pasteInto(std::vector<uint8_t>& sheet, int sheetWidth, int left, int top, const std::vector<uint8_t>& picture,
               int width, int height);

// The saver's frame of `run`, `seconds` after its model was put on screen;
// throws the reader's message when the model cannot be read.
std::vector<uint8_t> drawModelPicture(const OffscreenSaver::Options& run, float seconds);
