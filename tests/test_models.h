#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forge/bitmap_writer.h"
#include "forge/demo_shapes.h"
#include "forge/hog_writer.h"
#include "test_files.h"
#include "textures/texture.h"

// A model of one subobject: a box whose faces have this much red.
inline Bytes boxModel(uint8_t red) {
    DemoModel model({});
    MeshBuilder box;
    box.box({-1, -1, -1}, {1, 1, 1}, coloured(red, 120, 60));
    model.add(box, -1, "box", "", {});
    return model.build();
}

// The bad-input table's heaviest small archive, without its model: 40 bitmaps
// of the largest size in runs of 255 pixels (8 MB that would decode to 40 x 64
// MB), added to `archive` as big0.ogf .. big39.ogf; returns their names.
inline std::vector<std::string> addLargestBitmaps(HogWriter& archive) {
    OgfImage largest;
    largest.width = maxTextureSide;
    largest.height = maxTextureSide;
    largest.runs.assign(maxTextureSide * maxTextureSide / 255 + 1, {255, 0xF0F0});
    const Bytes bitmap = largest.bytes();
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) {
        names.push_back("big" + std::to_string(i) + ".ogf");
        archive.add(names.back(), bitmap);
    }
    return names;
}
