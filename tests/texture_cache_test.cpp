// The texture cache on a real Mesa context: sharing, lazy upload, frame
// choice, sliding, blending and teardown, checked through OpenGL's own state.
#include <GL/gl.h>

#include <cstdlib>
#include <limits>
#include <memory>

#include "texture_fixture.h"

namespace {
class TextureCache : public TextureArchiveTest {
protected:
    void SetUp() override {
        TextureArchiveTest::SetUp();
        glContext();
    }

    // Four 2 x 2 frames; frame i is red i * 17.
    void useAnimations() {
        std::vector<OgfImage> frames;
        for (uint16_t i = 0; i < 4; ++i) frames.push_back(solidImage(2, 2, static_cast<uint16_t>(0xF000 | i << 8)));
        OafAnimation oaf;
        oaf.frames = frames;
        TableWriter table;
        table.texture({.name = "bounce", .fileName = "four.oaf", .flags = textureAnimated | textureBackAndForth});
        table.texture({.name = "wrap", .fileName = "four.oaf", .flags = textureAnimated});
        table.texture({.name = "glow", .fileName = "glow.ogf", .flags = textureAdditive});
        table.texture({.name = "drift", .fileName = "glow.ogf", .slideU = 4.0f, .slideV = -2.0f, .flags = 0});
        useArchive(HogWriter().add("four.oaf", oaf.bytes()).add("glow.ogf", solidImage(4, 4, 0xF0F0).bytes()), table);
    }

    // The index of the frame whose texture is bound after bind(seconds).
    static int frameShownAt(TextureRef& ref, float seconds) {
        ref.bind(seconds, {});
        ref.unbind();
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        for (int i = 0; i < ref.texture->frameCount; ++i)
            if (ref.texture->frames[i].glName == static_cast<GLuint>(bound)) return i;
        return -1;
    }

    static GLint textureParameter(GLenum name) {
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        return value;
    }
};

GLint integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}
}  // namespace

TEST_F(TextureCache, NamesDifferingInCaseShareOneCountedTextureUntilTheLastHandleGoes) {
    useArchive(HogWriter().add("rock.ogf", solidImage(2, 2, 0xFF00).bytes()));
    auto lower = std::make_unique<TextureRef>("Rock");
    auto upper = std::make_unique<TextureRef>("ROCK");
    TextureRef other("elsewhere");
    ASSERT_EQ(lower->texture, upper->texture);
    EXPECT_EQ(lower->texture->refCount, 2);
    EXPECT_EQ(textureCache.count, 2);
    EXPECT_EQ(findTexture("rOCK"), lower->texture);

    lower->bind(0.0f, {});  // the first bind uploads
    const GLuint name = lower->texture->frames[0].glName;
    ASSERT_NE(name, 0u);
    EXPECT_TRUE(glIsTexture(name));
    lower.reset();
    EXPECT_EQ(upper->texture->refCount, 1);
    EXPECT_TRUE(glIsTexture(name));
    upper.reset();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(textureCache.count, 1);
    EXPECT_EQ(textureCache.first, other.texture);
    EXPECT_EQ(textureCache.last, other.texture);
    EXPECT_EQ(findTexture("rock"), nullptr);
}

TEST_F(TextureCache, ABitmapThatFailsToDecodeLeavesTheCacheAsItWas) {
    OgfImage broken = solidImage(2, 2, 0xFFFF);
    broken.runs.pop_back();
    broken.runs.push_back({1, 0});  // one pixel short
    useArchive(HogWriter().add("broken.ogf", broken.bytes()).add("good.ogf", solidImage(1, 1, 0xFFFF).bytes()));
    TextureRef good("good");
    expectMessage("Tried to read past limit", [] { TextureRef ref("broken"); });
    EXPECT_EQ(textureCache.count, 1);
    EXPECT_EQ(textureCache.last, good.texture);
    EXPECT_EQ(findTexture("broken"), nullptr);
    EXPECT_EQ(good.texture->refCount, 1);
}

TEST_F(TextureCache, AnimationsShowTheFrameOfTheirTimeInBothModes) {
    useAnimations();
    TextureRef bounce("bounce");
    TextureRef wrap("wrap");
    const float times[] = {0.0f, 0.3f, 0.6f, 0.9f, 1.2f, 1.5f, 1.9f};
    const int backAndForth[] = {0, 1, 2, 3, 3, 2, 0};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(frameShownAt(bounce, times[i]), backAndForth[i]) << times[i];
    EXPECT_EQ(frameShownAt(wrap, 0.9f), 3);
    EXPECT_EQ(frameShownAt(wrap, 1.0f), 0);
    EXPECT_EQ(frameShownAt(wrap, 1.3f), 1);
    // Times no clock gives still pick a frame that exists.
    EXPECT_EQ(frameShownAt(wrap, -0.3f), 0);
    EXPECT_EQ(frameShownAt(bounce, std::numeric_limits<float>::infinity()), 0);
    // Frames are uploaded only when first shown.
    EXPECT_NE(wrap.texture->frames[3].glName, 0u);
}

TEST_F(TextureCache, FiltersAreTheOnesGivenAtFirstUpload) {
    std::vector<OgfImage> four(4, OgfImage::fromPixels(4, 2, ogfArgb4444, {0x8F00, 0xF0F0, 0xF00F, 0xFFFF,
                                                                          0xF000, 0x0FFF, 0xF888, 0xF123}));
    HogWriter archive;
    for (const char* name : {"a.ogf", "b.ogf", "c.ogf", "d.ogf"}) archive.add(name, four[0].bytes());
    useArchive(archive);
    struct Case {
        const char* name;
        bool bilinear, mipmap;
        GLint minify, magnify;
    };
    const Case cases[] = {{"a", true, true, GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR},
                          {"b", true, false, GL_LINEAR, GL_LINEAR},
                          {"c", false, true, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST},
                          {"d", false, false, GL_NEAREST, GL_NEAREST}};
    std::vector<std::unique_ptr<TextureRef>> refs;
    for (const Case& c : cases) {
        refs.push_back(std::make_unique<TextureRef>(c.name));
        refs.back()->bind(0.0f, {c.bilinear, c.mipmap});
        EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), c.minify) << c.name;
        EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), c.magnify) << c.name;

        GLint width = 0, level0Alpha = 0, lastLevelWidth = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &level0Alpha);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &lastLevelWidth);
        EXPECT_EQ(width, 4) << c.name;
        // Mipmapped: four components and a chain down to 1 x 1; otherwise three and one level.
        EXPECT_EQ(level0Alpha != 0, c.mipmap) << c.name;
        EXPECT_EQ(lastLevelWidth, c.mipmap ? 1 : 0) << c.name;

        uint8_t uploaded[4 * 2 * 4];
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded);
        const TextureFrame& frame = refs.back()->texture->frames[0];
        // Rows in file order; without mipmapping the alpha is dropped.
        EXPECT_EQ(Rgba({uploaded[0], uploaded[1], uploaded[2], 136}), pixelAt(frame, 0, 0)) << c.name;
        EXPECT_EQ(Rgba({uploaded[24], uploaded[25], uploaded[26], 255}), pixelAt(frame, 2, 1)) << c.name;
        EXPECT_EQ(uploaded[3], c.mipmap ? 136 : 255) << c.name;
    }
    // Later changes of the options leave uploaded textures as they are.
    renderMode.bilinear = true;
    renderMode.mipmap = true;
    refs[2]->bind(1.0f, {});
    EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_NEAREST);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
}

TEST_F(TextureCache, SlidingGoesThroughTheTextureMatrixAndBlendingFollowsTheFlags) {
    useAnimations();
    TextureRef drift("drift");
    TextureRef glow("glow");
    TextureRef bounce("bounce");
    glMatrixMode(GL_MODELVIEW);

    drift.bind(2.0f, {});
    GLfloat matrix[16];
    glGetFloatv(GL_TEXTURE_MATRIX, matrix);
    EXPECT_FLOAT_EQ(matrix[12], 0.5f);   // 2 s at 1 / 4 per second
    EXPECT_FLOAT_EQ(matrix[13], -1.0f);  // 2 s at -1 / 2 per second
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    drift.unbind();
    glGetFloatv(GL_TEXTURE_MATRIX, matrix);
    const GLfloat identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(matrix[i], identity[i]) << i;
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_ONE);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ZERO);

    glow.bind(2.0f, {});
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ONE);
    glGetFloatv(GL_TEXTURE_MATRIX, matrix);
    EXPECT_EQ(matrix[12], 0.0f);  // a texture that does not slide leaves the matrix alone
    glow.unbind();
    bounce.bind(0.5f, {});
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    bounce.unbind();
}

TEST_F(TextureCache, TheReflectionSlotReplacesItsTextureOnlyForANewName) {
    useArchive(HogWriter().add("rock.ogf", solidImage(1, 1, 0xFFFF).bytes()).add("bad.ogf", Bytes{1, 0}));
    TextureRef face("rock");
    reflectionTexture.setName("Rock");
    TextureRef* first = reflectionTexture.ref;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->texture, face.texture);
    EXPECT_EQ(face.texture->refCount, 2);
    reflectionTexture.setName("Rock");
    EXPECT_EQ(reflectionTexture.ref, first);
    EXPECT_EQ(face.texture->refCount, 2);

    // A different spelling is another name: the handle is made anew.
    reflectionTexture.setName("ROCK");
    EXPECT_STREQ(reflectionTexture.name, "ROCK");
    EXPECT_EQ(face.texture->refCount, 2);

    reflectionTexture.setName("PaleWhiteRock001.ogf");
    EXPECT_EQ(face.texture->refCount, 1);
    EXPECT_EQ(reflectionTexture.ref->texture->frames[0].pixels, fallbackImage.data());
    reflectionTexture.ref->bind(0.0f, {});
    const GLuint name = reflectionTexture.ref->texture->frames[0].glName;
    // A texture that fails to load leaves the slot empty, its old texture gone.
    expectMessage("Incorrect OGF header", [] { reflectionTexture.setName("bad"); });
    EXPECT_EQ(reflectionTexture.ref, nullptr);
    EXPECT_EQ(reflectionTexture.name, nullptr);
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(textureCache.count, 1);
}

TEST_F(TextureCache, WithoutACurrentContextDestructionFreesMemoryOnly) {
    useArchive(HogWriter().add("rock.ogf", solidImage(1, 1, 0xFFFF).bytes()).add("sand.ogf", solidImage(1, 1, 0).bytes()));
    auto rock = std::make_unique<TextureRef>("rock");
    auto sand = std::make_unique<TextureRef>("sand");
    rock->bind(0.0f, {});
    sand->bind(0.0f, {});
    const GLuint rockName = rock->texture->frames[0].glName;
    const GLuint sandName = sand->texture->frames[0].glName;

    glContext().release();
    EXPECT_FALSE(eglContextIsCurrent());
    rock.reset();  // nothing to delete the name in: only memory is freed
    glContext();
    EXPECT_TRUE(glIsTexture(rockName));

    // The host's answer is what counts: told that no context is current, the
    // texture leaves OpenGL alone even though one is.
    setGlContextQuery([] { return false; });
    sand.reset();
    setGlContextQuery(&eglContextIsCurrent);
    EXPECT_TRUE(glIsTexture(sandName));
    glDeleteTextures(1, &rockName);
    glDeleteTextures(1, &sandName);
}

// At process exit the context is long gone: the reflection slot lets go
// first, then the cache frees what the model's faces still held.
TEST(TextureTeardown, ProcessExitAfterTheContextIsGoneFreesEverything) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto* context = new EglContext(8, 8);
            static TextureRef* heldByAFace = nullptr;
            heldByAFace = new TextureRef("missing");
            reflectionTexture.setName("missing");
            heldByAFace->bind(0.0f, {});
            reflectionTexture.ref->bind(1.0f, {});
            delete context;
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
