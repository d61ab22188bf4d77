// Shared, reference-counted textures and their OpenGL texture objects.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

#include "data/hog_file.h"
#include "data/in_file.h"
#include "render/render_mode.h"
#include "textures/texture.h"

// Destroyed in the reverse order: the reflection texture lets go of its
// texture before the cache tears down whatever is left.
List textureCache;
TextureSlot reflectionTexture;

namespace {
GlContextQuery contextQuery = nullptr;

// findTexture's index: every cached texture under its folded name, as a model
// may name tens of thousands. Never destroyed: textures are still deleted
// while the process exits.
std::unordered_map<std::string, Texture*>& textureIndex() {
    static auto* index = new std::unordered_map<std::string, Texture*>;
    return *index;
}
}  // namespace

void setGlContextQuery(GlContextQuery query) { contextQuery = query; }

bool glContextIsCurrent() { return contextQuery == nullptr || contextQuery(); }

// ------------------------------------------------------------- TextureFrame

void TextureFrame::bind() {
    if (glName == 0) upload();
    else glBindTexture(GL_TEXTURE_2D, glName);
}

void TextureFrame::upload() {
    GLuint generated = 0;
    glGenTextures(1, &generated);
    glName = generated;
    glBindTexture(GL_TEXTURE_2D, glName);
    // The options as they stand now stay with this texture for its whole life.
    const bool bilinear = renderMode.bilinear;
    const bool mipmap = renderMode.mipmap;
    const GLint magnify = bilinear ? GL_LINEAR : GL_NEAREST;
    GLint minify = magnify;
    if (mipmap) minify = bilinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minify);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magnify);
    if (mipmap) {
        // Every level is built from the full-size image; the file's levels were never kept.
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    } else {
        // Three components: without mipmapping the texture carries no alpha.
        glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    }
}

void TextureFrame::releaseGl() {
    if (glName == 0) return;
    // Without a current context the names went with it; deleting is skipped.
    if (glContextIsCurrent()) {
        const GLuint name = glName;
        glDeleteTextures(1, &name);
    }
    glName = 0;
}

// ------------------------------------------------------------------ Texture

Texture::~Texture() {
    if (name != nullptr) {
        const auto indexed = textureIndex().find(foldedName(name));
        if (indexed != textureIndex().end() && indexed->second == this) textureIndex().erase(indexed);
    }
    releaseGl();
    for (int32_t i = 0; i < frameCount; ++i)
        if (frames[i].pixels != fallbackImage.data()) delete[] frames[i].pixels;
    delete[] frames;
    delete[] name;
}

void Texture::bind(float seconds) {
    int32_t frame = 0;
    if (flags & textureAnimated && frameCount > 1) {
        const auto fraction = [](float y) { return y - std::trunc(y); };
        const float sweeps = seconds * frameRate;
        float x;
        if (flags & textureBackAndForth) {
            x = 2.0f * fraction(sweeps / 2.0f);
            if (x >= 1.0f) x = 2.0f - x;
        } else {
            x = fraction(sweeps);
        }
        // A negative or non-finite time gives no position in [0, 1]: frame 0.
        const float position = frameCount * x;
        if (position >= 0.0f && position < static_cast<float>(frameCount)) frame = static_cast<int32_t>(position);
    }
    frames[frame].bind();

    if (slides()) {
        glMatrixMode(GL_TEXTURE);
        glTranslatef(seconds * slideRateU, seconds * slideRateV, 0.0f);
        glMatrixMode(GL_MODELVIEW);
    }
    setBlendFunction();
}

void Texture::setBlendFunction() const {
    glBlendFunc(GL_SRC_ALPHA, flags & textureAdditive ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
}

void Texture::unbind() {
    glBlendFunc(GL_ONE, GL_ZERO);
    if (slides()) {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
    }
}

void Texture::releaseGl() {
    for (int32_t i = 0; i < frameCount; ++i) frames[i].releaseGl();
}

Texture* findTexture(const char* name) {
    const auto found = textureIndex().find(foldedName(name));
    return found != textureIndex().end() ? found->second : nullptr;
}

// --------------------------------------------------------------- TextureRef

TextureRef::TextureRef(const char* name) {
    Texture* shared = findTexture(name);
    if (shared == nullptr) {
        ModelTextureBudget::chargeTexture();
        // A bitmap that fails to decode takes its half-built texture with it.
        std::unique_ptr<Texture> loaded(new Texture);
        loadTextureImages(*loaded, name);
        shared = loaded.release();
        textureCache.append(shared);
        textureIndex().emplace(foldedName(shared->name), shared);
    }
    ++shared->refCount;
    texture = shared;
}

TextureRef::TextureRef(Texture* shared) : texture(shared) { ++shared->refCount; }

TextureRef::~TextureRef() {
    if (--texture->refCount > 0) return;
    if (texture->owner != nullptr) texture->owner->unlink(texture);
    delete texture;
}

// -------------------------------------------------------------- TextureSlot

TextureSlot::~TextureSlot() { clear(); }

void TextureSlot::setName(const char* newName) {
    if (name != nullptr && std::strcmp(name, newName) == 0) return;
    // Copied first: `newName` may belong to the texture that clear() lets go.
    char* copy = copyString(newName);
    clear();
    name = copy;
    try {
        ref = new TextureRef(name);
    } catch (Message) {
        // An empty slot rather than a name without its texture.
        clear();
        throw;
    }
}

void TextureSlot::clear() {
    delete ref;
    ref = nullptr;
    delete[] name;
    name = nullptr;
}
