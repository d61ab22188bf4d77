// The headless OpenGL context: both drawing targets give a desktop OpenGL
// context whose pixels read back top row first.
#include <GL/gl.h>

#include <cstring>
#include <string>

#include "texture_fixture.h"

TEST(EglContext, BothTargetsDrawAndReadBackTopRowFirst) {
    for (const EglContext::Target target : {EglContext::Target::pbuffer, EglContext::Target::framebuffer}) {
        EglContext context(6, 4, target);
        SCOPED_TRACE(context.usesFramebufferObject() ? "framebuffer object" : "pbuffer");
        EXPECT_EQ(context.usesFramebufferObject(), target == EglContext::Target::framebuffer);
        ASSERT_TRUE(context.isCurrent());
        // Desktop OpenGL with the fixed-function pipeline, not OpenGL ES nor a core profile.
        const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        EXPECT_EQ(version.find("OpenGL ES"), std::string::npos) << version;
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        EXPECT_NE(context.procAddress("glActiveTextureARB"), nullptr);

        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], 6);
        EXPECT_EQ(viewport[3], 4);
        GLint depthBits = 0;
        glGetIntegerv(GL_DEPTH_BITS, &depthBits);
        EXPECT_GE(depthBits, 24);

        // Blue everywhere, then red in the top row only (GL counts rows from the bottom).
        glClearColor(0, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 3, 6, 1);
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        const std::vector<uint8_t> pixels = context.readPixels();
        ASSERT_EQ(pixels.size(), 6u * 4 * 4);
        EXPECT_EQ(Rgba({pixels[0], pixels[1], pixels[2], pixels[3]}), (Rgba{255, 0, 0, 255}));
        const size_t lastRow = 6 * 4 * 3;
        EXPECT_EQ(Rgba({pixels[lastRow], pixels[lastRow + 1], pixels[lastRow + 2], pixels[lastRow + 3]}),
                  (Rgba{0, 0, 255, 255}));

        context.release();
        EXPECT_FALSE(context.isCurrent());
        EXPECT_FALSE(eglContextIsCurrent());
    }
}

TEST(EglContext, TwoContextsLiveSideBySide) {
    EglContext first(2, 2);
    {
        EglContext second(3, 3);
        EXPECT_TRUE(second.isCurrent());
        EXPECT_FALSE(first.isCurrent());
    }
    // The display outlives the second context: the first still works.
    first.makeCurrent();
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(first.readPixels()[1], 255);
    expectMessage("Bad OpenGL target size", [] { EglContext empty(0, 4); });
}
