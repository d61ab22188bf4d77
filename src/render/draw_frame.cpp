#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "model/poly_model.h"
#include "render/draw_frame.h"

FpsCounter fpsCounter;

namespace {
const float materialColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const float light0Diffuse[4] = {0.7f, 0.7f, 0.7f, 1.0f};
const float light1Diffuse[4] = {0.2f, 0.3f, 0.3f, 1.0f};

void enableIf(GLenum capability, bool on) {
    if (on) glEnable(capability);
    else glDisable(capability);
}

void drawTextWithBase(uint32_t base, const char* format, va_list values) {
    // vsnprintf cuts a long text at the buffer's end instead of overrunning it.
    char text[textBufferSize];
    std::vsnprintf(text, sizeof text, format, values);
    glListBase(base);
    glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
    glListBase(0);
}
}  // namespace

void FpsCounter::update(float seconds) {
    if (seconds > lastTime) {
        ++frames;
        if (seconds - lastTime >= 0.5f) {
            rate = static_cast<float>(frames) / (seconds - lastTime);
            lastTime = seconds;
            frames = 0;
        }
    } else if (seconds == lastTime) {
        ++frames;
    } else {
        lastTime = seconds;  // a new model restarted the clock
        frames = 0;
        rate = 0.0f;
    }
}

void drawText(const RenderState& state, const char* format, ...) {
    va_list values;
    va_start(values, format);
    drawTextWithBase(state.mode->fontListBase, format, values);
    va_end(values);
}

void drawText(const char* format, ...) {
    va_list values;
    va_start(values, format);
    drawTextWithBase(0, format, values);
    va_end(values);
}

void defineBlankGlyph(uint32_t list, float advance) {
    // Mesa compiles a glBitmap without pixels into nothing, advance and all, so
    // the empty bitmap gets a pointer; with size 0 no byte of it is read.
    // glXUseXFont and Wine's wglUseFontBitmaps both pass none for a blank glyph.
    static const GLubyte noPixels = 0;
    glNewList(list, GL_COMPILE);
    glBitmap(0, 0, 0.0f, 0.0f, advance, 0.0f, &noPixels);
    glEndList();
}

void PolyModel::drawFrame(const RenderState& state, float frame, float seconds) const {
    drawFrame(state, frame, seconds, fpsCounter);
}

void PolyModel::drawFrame(const RenderState& state, float frame, float seconds, FpsCounter& rate) const {
    const RenderMode& m = *state.mode;
    if (state.clearsFrame) {
        glClearColor(m.backgroundColour.x, m.backgroundColour.y, m.backgroundColour.z, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_POLYGON_OFFSET_LINE);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glEnable(GL_POLYGON_OFFSET_POINT);
    glEnable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_NOTEQUAL, 0.0f);
    if (m.blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ZERO);
    } else {
        glDisable(GL_BLEND);
    }
    glPointSize(m.pointSize);
    enableIf(GL_POINT_SMOOTH, m.pointSmooth);
    glLineWidth(m.lineWidth);  // the default 0 is refused, leaving lines 1 pixel wide
    enableIf(GL_LINE_SMOOTH, m.lineSmooth);
    glFrontFace(GL_CW);
    if (m.lighting) {
        glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, materialColour);
        glEnable(GL_LIGHT0);
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT, GL_DIFFUSE);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, light0Diffuse);
        glEnable(GL_LIGHT1);
        glLightfv(GL_LIGHT1, GL_DIFFUSE, light1Diffuse);
    } else {
        glDisable(GL_LIGHT0);
        glDisable(GL_COLOR_MATERIAL);
    }
    if (m.fog) {
        glEnable(GL_FOG);
        // A model of radius 0 would make the density infinite; fog it as radius 1.
        glFogf(GL_FOG_DENSITY, 0.5f / (radius > 0.0f ? radius : 1.0f));
        const float fogColour[4] = {m.backgroundColour.x, m.backgroundColour.y, m.backgroundColour.z, 0.0f};
        glFogfv(GL_FOG_COLOR, fogColour);
    } else {
        glDisable(GL_FOG);
    }

    if (m.facingPass) {
        for (const Subobject* root : rootSubobjects.as<Subobject>()) drawSubobject(*root, state, frame, seconds, exceptFacing);
        for (const Subobject* root : rootSubobjects.as<Subobject>())
            drawSubobject(*root, state, frame, seconds, facingBillboards);
    } else {
        for (const Subobject* root : rootSubobjects.as<Subobject>())
            drawSubobject(*root, state, frame, seconds, RenderPass::allSubobjects);
    }

    if (!m.showText) return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glColor3fv(m.textColour.data());
    glRasterPos2f(-0.99f, -0.97f);
    drawText(state, "Frame %.2f", frame);
    rate.update(seconds);
    drawText(state, " (%.2f fps)", rate.rate);
}
