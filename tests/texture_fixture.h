#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "data/game_table.h"
#include "data/kv_path.h"
#include "forge/bitmap_writer.h"
#include "forge/hog_writer.h"
#include "forge/table_writer.h"
#include "host/egl/egl_context.h"
#include "render/render_mode.h"
#include "test_files.h"
#include "textures/texture.h"

// One headless context per test process, made at first use and current on return.
inline EglContext& glContext() {
    static EglContext context(64, 64);
    context.makeCurrent();
    return context;
}

// An image of one colour.
inline OgfImage solidImage(uint16_t width, uint16_t height, uint16_t pixel, uint8_t format = ogfArgb4444) {
    return OgfImage::fromPixels(width, height, format, std::vector<uint16_t>(size_t{width} * height, pixel));
}

inline std::array<uint8_t, 4> pixelAt(const TextureFrame& frame, int x, int y) {
    const uint8_t* p = frame.pixels + (static_cast<size_t>(y) * frame.width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

// Tests that read textures from a forged archive: it becomes the one archive
// of the search path, with its table.gam loaded; all is undone afterwards.
class TextureArchiveTest : public ::testing::Test {
protected:
    void SetUp() override { clearGameTable(); }
    void TearDown() override {
        reflectionTexture.clear();
        textureCache.clear();
        clearGameTable();
        searchPath.reset(0);
        renderMode = RenderMode();
    }

    void useArchive(HogWriter archive, const TableWriter& table = TableWriter()) {
        if (!table.bytes().empty()) archive.add("table.gam", table.bytes());
        const std::string path = dir.write("kv.hog", archive.build());
        searchPath.reset(1);
        searchPath.add(new HogFile(path.c_str()));
        loadGameTable("table.gam");
    }

    TempDir dir;
};
