#include <GL/gl.h>

#include <cmath>

#include "model/poly_model.h"
#include "render/draw_frame.h"
#include "render/face_arrays.h"
#include "textures/texture.h"

namespace {
constexpr double radiansToDegrees = 57.29577951308232;
constexpr GLenum textureUnit0 = 0x84C0;  // GL_TEXTURE0_ARB
constexpr GLenum textureUnit1 = 0x84C1;  // GL_TEXTURE1_ARB

using ActiveTextureFunction = void(APIENTRY*)(GLenum);
ActiveTextureFunction activeTexture = nullptr;

bool reflectionLayerWanted(const RenderMode& mode) {
    return mode.reflection && activeTexture != nullptr && reflectionTexture.ref != nullptr;
}

void reflectionLayerOn(const RenderMode& mode, float seconds) {
    activeTexture(textureUnit1);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode.reflectionModulate ? GL_MODULATE : GL_DECAL);
    reflectionTexture.ref->bind(seconds, mode.textureFilters());
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    activeTexture(textureUnit0);
}

void reflectionLayerOff() {
    activeTexture(textureUnit1);
    glDisable(GL_TEXTURE_2D);
    activeTexture(textureUnit0);
}

// Turns a $facing subobject's first face towards the viewer, about its centre.
void setUpBillboard(const Subobject& s) {
    glPushMatrix();
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    m[0] = m[5] = m[10] = 1.0;
    m[1] = m[2] = m[4] = m[6] = m[8] = m[9] = 0.0;
    glLoadMatrixd(m);

    const Vector n = s.faces.as<Face>().begin().operator*()->normal;
    const float d = n.z;
    if (d < -0.999f) {
        glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
    } else if (d > 0.999f) {
        // already facing the viewer
    } else {
        Vector axis(n.y, -n.x, 0.0f);
        axis.normalize();
        glRotatef(static_cast<float>(std::acos(d) * radiansToDegrees), axis.x, axis.y, axis.z);
    }
    glTranslatef(-s.center.x, -s.center.y, -s.center.z);
    glDepthMask(GL_FALSE);
}
}  // namespace

void setActiveTextureFunction(void* entryPoint) { activeTexture = reinterpret_cast<ActiveTextureFunction>(entryPoint); }

bool hasActiveTextureFunction() { return activeTexture != nullptr; }

Quaternion subobjectRotation(const Subobject& s, float frame, float seconds) {
    switch (s.property->kind()) {
        case SubobjectProperty::fov:
            return Quaternion();
        case SubobjectProperty::rotate: {
            Vector axis;
            if (!spinAxis(s, axis)) return Quaternion();
            float f = seconds / s.property->parameterValue(0);
            f = f - std::trunc(f);
            const float angle = static_cast<float>(2.0 * 3.14159265358979323846 * f);
            return Quaternion::fromAxisAngle(axis, angle);
        }
        default:
            return s.rotationTrack.rotationAt(frame);
    }
}

void drawFace(const Face& f, const Vector* vertices, const Vector* normals, const float* alphas, bool smooth,
              float seconds) {
    glPolygonMode(GL_FRONT, GL_FILL);
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    if (f.textured) {
        glEnable(GL_TEXTURE_2D);
        f.texture->bind(seconds, renderMode.textureFilters());
    } else {
        colour[0] = f.colour[0] / 255.0f;
        colour[1] = f.colour[1] / 255.0f;
        colour[2] = f.colour[2] / 255.0f;
    }
    glBegin(GL_POLYGON);
    if (!smooth) glNormal3fv(f.normal.data());
    for (int32_t i = 0; i < f.vertexCount; ++i) {
        const FaceVertex& c = f.corners[i];
        glTexCoord2f(c.u, c.v);
        if (smooth) glNormal3fv(normals[c.vertex].data());
        colour[3] = alphas[c.vertex];
        glColor4fv(colour);
        glVertex3fv(vertices[c.vertex].data());
    }
    glEnd();
    if (f.textured) {
        f.texture->unbind();
        glDisable(GL_TEXTURE_2D);
    }
    glPolygonMode(GL_FRONT, GL_LINE);
}

void drawFaceOutline(const Face& f, const Vector* vertices) {
    glBegin(GL_POLYGON);
    for (int32_t i = 0; i < f.vertexCount; ++i) glVertex3fv(vertices[f.corners[i].vertex].data());
    glEnd();
}

void drawPointMarker(const FunctionalPoint& point) {
    const float r = point.subobject->model->radius;
    glBegin(GL_POINTS);
    glVertex3fv(point.position.data());
    glEnd();
    const Vector tip = point.position + (point.normal * 0.2f) * r;
    glBegin(GL_POLYGON);
    glVertex3fv(tip.data());
    glEdgeFlag(GL_FALSE);
    glVertex3fv(point.position.data());
    glVertex3fv(point.position.data());
    glEdgeFlag(GL_TRUE);
    glEnd();
}

namespace {
// The faces filled a run at a time: each run's state is set once, as drawing
// each face on its own would have set it for every face of the run, and the
// state that drawing leaves behind is the same.
void fillRuns(const FaceArrays& arrays, const FaceRun* runs, size_t runCount, const RenderMode& m, float seconds) {
    const bool layer = reflectionLayerWanted(m);
    if (layer) reflectionLayerOn(m, seconds);  // also sets its texture's blend factors
    glPolygonOffset(1.0f, 0.0f);
    if (m.lighting) glEnable(GL_LIGHTING);
    glPolygonMode(GL_FRONT, GL_FILL);
    useFaceArrays(arrays, true);
    bool textured = false;
    for (size_t i = 0; i < runCount; ++i) {
        const FaceRun& run = runs[i];
        if (run.texture != nullptr) {
            if (!textured) glEnable(GL_TEXTURE_2D);
            textured = true;
            run.texture->bind(seconds, renderMode.textureFilters());
            if (run.count > 0) glDrawArrays(GL_TRIANGLES, run.first, run.count);
            run.texture->unbind();
        } else {
            if (textured) glDisable(GL_TEXTURE_2D);
            // An untextured face is blended as the reflection layer's bind left
            // it, which a textured face before it has undone.
            if (textured && layer) reflectionTexture.ref->texture->setBlendFunction();
            textured = false;
            if (run.count > 0) glDrawArrays(GL_TRIANGLES, run.first, run.count);
        }
    }
    if (textured) glDisable(GL_TEXTURE_2D);
    releaseFaceArrays(true);
    glPolygonMode(GL_FRONT, GL_LINE);
    if (m.lighting) glDisable(GL_LIGHTING);
    if (layer) reflectionLayerOff();
}

// Every outline in one draw: they all share their state.
void drawOutlines(const FaceArrays& arrays, int32_t first, int32_t count, const RenderMode& m) {
    if (!m.cullOutlines) glDisable(GL_CULL_FACE);
    glPolygonOffset(0.0f, -1.0f);
    glColor3fv(m.outlineColour.data());
    useFaceArrays(arrays, false);
    if (count > 0) glDrawArrays(GL_TRIANGLES, first, count);
    releaseFaceArrays(false);
}

// Faces one by one, each with its whole state, where drawing them in runs
// would not give the same pixels: with both fill and outline, each face's
// outline comes before the next face's fill; and a sliding reflection texture
// adds its drift to the texture matrix again for every face.
bool facesOneByOne(const RenderState& state) {
    const RenderMode& m = *state.mode;
    if (state.solid && state.wire) return true;
    return state.solid && reflectionLayerWanted(m) && reflectionTexture.ref->texture->slides();
}

void drawFacesOneByOne(const Subobject& s, const RenderState& state, float seconds, bool facing) {
    const RenderMode& m = *state.mode;
    for (const Face* f : s.faces.as<Face>()) {
        glEnable(GL_CULL_FACE);
        if (state.solid) {
            const bool layer = reflectionLayerWanted(m);
            if (layer) reflectionLayerOn(m, seconds);
            glPolygonOffset(1.0f, 0.0f);
            if (m.lighting) glEnable(GL_LIGHTING);
            drawFace(*f, s.vertices, s.normals, s.alphas, m.smoothShading, seconds);
            if (m.lighting) glDisable(GL_LIGHTING);
            if (layer) reflectionLayerOff();
        }
        if (state.wire) {
            if (!m.cullOutlines) glDisable(GL_CULL_FACE);
            glPolygonOffset(0.0f, -1.0f);
            glColor3fv(m.outlineColour.data());
            drawFaceOutline(*f, s.vertices);
        }
        if (facing) break;  // a billboard shows only its first face
    }
}

void drawFaces(const Subobject& s, const RenderState& state, float seconds, bool facing) {
    if (s.faces.first == nullptr) return;
    if (facesOneByOne(state)) {
        drawFacesOneByOne(s, state, seconds, facing);
        return;
    }
    const RenderMode& m = *state.mode;
    const FaceArrays& arrays = faceArraysOf(s, m.smoothShading);
    glEnable(GL_CULL_FACE);
    // A billboard shows only its first face.
    if (state.solid) {
        if (facing) fillRuns(arrays, &arrays.firstFace, 1, m, seconds);
        else fillRuns(arrays, arrays.runs.data(), arrays.runs.size(), m, seconds);
    }
    if (state.wire) {
        const int32_t count = facing ? arrays.firstFace.count : static_cast<int32_t>(arrays.vertices.size());
        drawOutlines(arrays, 0, count, m);
    }
}
}  // namespace

void drawSubobject(const Subobject& s, const RenderState& state, float frame, float seconds, RenderPass pass) {
    glPushMatrix();
    const Vector p = s.positionTrack.positionAt(frame);
    glTranslatef(p.x, p.y, p.z);
    const Quaternion::AxisAngle turn = subobjectRotation(s, frame, seconds).toAxisAngle();
    glRotatef(static_cast<float>(turn.angle * radiansToDegrees), turn.axis.x, turn.axis.y, turn.axis.z);

    const bool isFacing = s.property->kind() == SubobjectProperty::facing;
    // A $facing subobject without faces has no normal to turn by: it draws nothing.
    const bool facing = pass == facingBillboards && isFacing && s.faces.first != nullptr;
    if (facing) setUpBillboard(s);

    if (pass == allSubobjects || facing || (pass == exceptFacing && !isFacing)) drawFaces(s, state, seconds, facing);
    if (facing) {
        glPopMatrix();
        glDepthMask(GL_TRUE);
    }
    glDisable(GL_CULL_FACE);

    if (state.wire && (pass == allSubobjects || pass == exceptFacing)) {
        glPolygonOffset(0.0f, -7.0f);
        glColor3fv(state.mode->markerColour.data());
        for (const FunctionalPoint* point : s.points[gunPointKind].as<FunctionalPoint>()) drawPointMarker(*point);
    }
    for (const Subobject* child : s.children.as<Subobject>()) drawSubobject(*child, state, frame, seconds, pass);
    glPopMatrix();
}
