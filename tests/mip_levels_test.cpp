// Our mipmap chain against GLU's own, read back from a real context.
#include <GL/gl.h>
#include <GL/glu.h>

#include <memory>
#include <vector>

#include "data/hog_file.h"
#include "forge/demo_archive.h"
#include "forge/game_scale_archive.h"
#include "texture_fixture.h"
#include "textures/mip_levels.h"

namespace {

// Every level GLU uploads for the image, as OpenGL holds them.
std::vector<MipLevel> gluLevels(int32_t width, int32_t height, const uint8_t* rgba) {
    glContext();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 4, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    std::vector<MipLevel> levels;
    for (int level = 0;; ++level) {
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
        if (w == 0 || h == 0) break;
        MipLevel read{w, h, std::make_unique<uint8_t[]>(static_cast<size_t>(w) * h * 4)};
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, read.pixels.get());
        levels.push_back(std::move(read));
    }
    glDeleteTextures(1, &name);
    return levels;
}

void expectGluLevels(int32_t width, int32_t height, const uint8_t* rgba) {
    const std::vector<MipLevel> ours = buildMipLevels(width, height, rgba);
    const std::vector<MipLevel> glu = gluLevels(width, height, rgba);
    ASSERT_EQ(ours.size(), glu.size()) << width << "x" << height;
    for (size_t i = 0; i < ours.size(); ++i) {
        ASSERT_EQ(ours[i].width, glu[i].width) << width << "x" << height << " level " << i;
        ASSERT_EQ(ours[i].height, glu[i].height) << width << "x" << height << " level " << i;
        const uint8_t* mine = ours[i].pixels ? ours[i].pixels.get() : rgba;
        const size_t bytes = static_cast<size_t>(ours[i].width) * ours[i].height * 4;
        size_t first = 0;
        while (first < bytes && mine[first] == glu[i].pixels[first]) ++first;
        EXPECT_EQ(first, bytes) << width << "x" << height << " level " << i << " differs at byte " << first << ": "
                                << int{mine[first]} << " against GLU's " << int{glu[i].pixels[first]};
    }
}

// Every frame of every bitmap in the search path's archive.
void expectGluLevelsOfArchive() {
    const HogFile& file = *static_cast<HogFile*>(searchPath.archives[0]);
    for (int32_t i = 0; i < file.entryCount; ++i) {
        const char* name = file.entries[i].name;
        if (!endsWithIgnoringCase(name, ".ogf") && !endsWithIgnoringCase(name, ".oaf")) continue;
        Texture texture;
        loadTextureImages(texture, name);
        for (int32_t f = 0; f < texture.frameCount; ++f) {
            SCOPED_TRACE(std::string(name) + " frame " + std::to_string(f));
            expectGluLevels(texture.frames[f].width, texture.frames[f].height, texture.frames[f].pixels);
        }
    }
}

class MipLevelsTest : public TextureArchiveTest {};

TEST_F(MipLevelsTest, theDemoArchiveBitmapsGetGlusLevels) {
    useArchive(demoArchive());
    expectGluLevelsOfArchive();
}

TEST_F(MipLevelsTest, theGameScaleBitmapsGetGlusLevels) {
    useArchive(gameScaleArchive());
    expectGluLevelsOfArchive();
}

TEST_F(MipLevelsTest, oddSizesGetGlusLevels) {
    const int32_t sides[][2] = {{1, 1},   {1, 2},   {2, 1},  {1, 5},   {7, 1},    {3, 3},   {3, 4},  {4, 3},
                                {5, 5},   {6, 6},   {48, 64}, {64, 48}, {5, 7},   {6, 10},  {13, 1}, {1, 13},
                                {100, 37}, {255, 129}, {96, 96}, {24, 200}, {257, 3}, {33, 17}, {1024, 1}};
    for (const auto& [width, height] : sides) {
        std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
        uint32_t seed = static_cast<uint32_t>(width * 7919 + height);
        for (uint8_t& byte : rgba) {
            seed = seed * 1664525u + 1013904223u;
            byte = static_cast<uint8_t>(seed >> 24);
        }
        expectGluLevels(width, height, rgba.data());
    }
}

}  // namespace
