// Shared, reference-counted textures and their OpenGL texture objects.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "data/hog_file.h"
#include "data/in_file.h"
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

// Guards the index, the cache's list and every count's fall to 0: a texture
// leaves the index in the same hold that lets its last handle go, so that a
// lookup never finds one on its way out. Never destroyed, as the index.
std::mutex& cacheLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

Texture* findUnlocked(const char* name) {
    const auto found = textureIndex().find(foldedName(name));
    return found != textureIndex().end() ? found->second : nullptr;
}

void unindexUnlocked(Texture* texture) {
    if (texture->name == nullptr) return;
    const auto indexed = textureIndex().find(foldedName(texture->name));
    if (indexed != textureIndex().end() && indexed->second == texture) textureIndex().erase(indexed);
}

// Levels past GL_MAX_TEXTURE_SIZE are GLU's to shrink, as it asks OpenGL what fits.
bool fitsOpenGl(const MipLevel& first) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    return first.width <= largest && first.height <= largest;
}
}  // namespace

void setGlContextQuery(GlContextQuery query) { contextQuery = query; }

bool glContextIsCurrent() { return contextQuery == nullptr || contextQuery(); }

// ------------------------------------------------------------- TextureFrame

void TextureFrame::bind(TextureFilters filters) {
    if (glName == 0) upload(filters);
    else glBindTexture(GL_TEXTURE_2D, glName);
}

void TextureFrame::upload(TextureFilters filters) {
    GLuint generated = 0;
    glGenTextures(1, &generated);
    glName = generated;
    glBindTexture(GL_TEXTURE_2D, glName);
    const bool bilinear = filters.bilinear;
    const bool mipmap = filters.mipmap;
    const GLint magnify = bilinear ? GL_LINEAR : GL_NEAREST;
    GLint minify = magnify;
    if (mipmap) minify = bilinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minify);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magnify);
    if (mipmap) {
        // Every level is built from the full-size image; the file's levels were never kept.
        if (mipLevels.empty()) mipLevels = buildMipLevels(width, height, pixels);
        if (fitsOpenGl(mipLevels.front())) {
            for (size_t level = 0; level < mipLevels.size(); ++level) {
                const MipLevel& made = mipLevels[level];
                glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 4, made.width, made.height, 0, GL_RGBA,
                             GL_UNSIGNED_BYTE, made.pixels ? made.pixels.get() : pixels);
            }
        } else {
            gluBuild2DMipmaps(GL_TEXTURE_2D, 4, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        }
    } else {
        // Three components: without mipmapping the texture carries no alpha.
        glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    }
    // OpenGL holds its copy now.
    std::vector<MipLevel>().swap(mipLevels);
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
    {
        const std::lock_guard hold(cacheLock());
        unindexUnlocked(this);
    }
    releaseGl();
    for (int32_t i = 0; i < frameCount; ++i)
        if (frames[i].pixels != fallbackImage.data()) delete[] frames[i].pixels;
    delete[] frames;
    delete[] name;
}

void Texture::bind(float seconds, TextureFilters filters) {
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
    frames[frame].bind(filters);

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

int64_t Texture::uploadFrames(TextureFilters filters) {
    // A texture the model on screen already sent up costs no GL call.
    GLint bound = -1;
    int64_t pixels = 0;
    for (int32_t i = 0; i < frameCount; ++i) {
        if (frames[i].glName != 0) continue;
        if (bound < 0) glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        frames[i].upload(filters);
        pixels += int64_t{frames[i].width} * frames[i].height;
    }
    if (bound >= 0) glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    return pixels;
}

void Texture::releaseGl() {
    for (int32_t i = 0; i < frameCount; ++i) frames[i].releaseGl();
}

Texture* findTexture(const char* name) {
    const std::lock_guard hold(cacheLock());
    return findUnlocked(name);
}

// --------------------------------------------------------------- TextureRef

TextureRef::TextureRef(const char* name) {
    TexturesAhead::checkStop();
    Texture* shared = nullptr;
    {
        const std::lock_guard hold(cacheLock());
        shared = findUnlocked(name);
        if (shared != nullptr) ++shared->refCount;
    }
    if (shared != nullptr) {
        texture = shared;
        if (TexturesAhead::inForce() != nullptr) {
            // Charged as if made, and let go again when the charge fails.
            try {
                chargeAsMade(*shared);
            } catch (Message) {
                releaseHandle(shared);
                throw;
            }
        }
        return;
    }
    ModelTextureBudget::chargeTexture();
    // A bitmap that fails to decode takes its half-built texture with it;
    // it is decoded outside the lock, which only guards the cache.
    std::unique_ptr<Texture> loaded(new Texture);
    loadTextureImages(*loaded, name);
    shared = loaded.release();
    shared->refCount = 1;
    const std::lock_guard hold(cacheLock());
    textureCache.append(shared);
    textureIndex().emplace(foldedName(shared->name), shared);
    texture = shared;
}

void TextureRef::chargeAsMade(const Texture& shared) {
    ModelTextureBudget::chargeTexture();
    for (int32_t i = 0; i < shared.frameCount; ++i) {
        const TextureFrame& frame = shared.frames[i];
        if (frame.pixels != fallbackImage.data()) ModelTextureBudget::chargePixels(int64_t{frame.width} * frame.height);
    }
}

void TextureRef::releaseHandle(Texture* shared) {
    // Above 1 no other handle can fall to 0 meanwhile: no lock needed.
    int32_t count = shared->refCount.load();
    while (count > 1)
        if (shared->refCount.compare_exchange_weak(count, count - 1)) return;
    {
        const std::lock_guard hold(cacheLock());
        if (--shared->refCount > 0) return;
        if (shared->owner != nullptr) shared->owner->unlink(shared);
        unindexUnlocked(shared);
    }
    delete shared;
}

TextureRef::TextureRef(Texture* shared) : texture(shared) { ++shared->refCount; }

TextureRef::~TextureRef() { releaseHandle(texture); }

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
