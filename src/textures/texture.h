#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/list.h"
#include "textures/mip_levels.h"

// Flag bits of a texture's properties.
constexpr uint32_t textureAnimated = 0x40;          // an OAF's frames are all read and cycled
constexpr uint32_t textureBackAndForth = 0x40000;   // animation plays forwards, then backwards
constexpr uint32_t textureAdditive = 0x200000;      // blended with (SRC_ALPHA, ONE)
constexpr uint32_t textureUsesAlpha = 0x400000;     // pixel alpha kept, scaled by alphaFactor
// The properties of a texture that the game table does not describe.
constexpr uint32_t defaultTextureFlags = textureUsesAlpha | textureAnimated;

// Game bitmaps are small; a side beyond this, or an animation whose frames
// together hold more pixels than one such square, is a damaged or hostile
// file, refused before anything is allocated.
constexpr int maxTextureSide = 4096;

// What one model's textures may decode to between them: all frames of all the
// textures first decoded while it is read (the built-in image aside), 32 Mi
// pixels or 128 MB of RGBA. That is two images of the largest size and some
// fifteen times a game-scale model (2.2 Mpixel), yet it keeps a small archive
// whose model names many large bitmaps from taking gigabytes: past it the model
// is refused with "Model textures too large", before the pixels are allocated.
constexpr int64_t maxModelTexturePixels = int64_t{2} * maxTextureSide * maxTextureSide;

// How many textures may be first made while one model is read: 32 times the
// game-scale model's 32. Even a texture that shows the 16 x 16 NO FILE image
// costs an OpenGL texture object of some kilobytes once drawn, so a 6 MB model
// whose faces name 80 000 missing bitmaps took 640 MB to draw. Past it the
// model is refused with "Model has too many textures".
constexpr int32_t maxModelTextures = 1024;

// While one is alive on a thread, every texture that thread makes and every
// frame it decodes are charged to it; past either limit it throws "Model has
// too many textures" or "Model textures too large". The model reader opens one
// for each model. Textures made outside any (the mirror's reflection texture,
// kvtool texture) are bounded by their own limit alone: one image of the
// largest size for all their frames together.
class ModelTextureBudget {
public:
    explicit ModelTextureBudget(int64_t pixels = maxModelTexturePixels, int32_t textures = maxModelTextures);
    ~ModelTextureBudget();
    ModelTextureBudget(const ModelTextureBudget&) = delete;
    ModelTextureBudget& operator=(const ModelTextureBudget&) = delete;

    // Take from the budget in force on this thread, if there is one.
    static void chargePixels(int64_t pixels);
    static void chargeTexture();

private:
    int64_t pixelsLeft_;
    int32_t texturesLeft_;
    ModelTextureBudget* outer_;
};

inline constexpr const char* readingStoppedMessage = "Reading stopped";

// While one is alive on a thread, that thread reads a model ahead of its turn:
// every texture it makes gets its mip levels made there too, when `mipmaps`;
// a texture it finds already cached is charged to the budget in force as if
// it were made, so that a model that passes ahead also passes when read in its
// turn, with nothing else cached; and loading throws readingStoppedMessage
// soon after `stop` is set.
class TexturesAhead {
public:
    TexturesAhead(bool mipmaps, const std::atomic<bool>& stop);
    ~TexturesAhead();
    TexturesAhead(const TexturesAhead&) = delete;
    TexturesAhead& operator=(const TexturesAhead&) = delete;

    // The one in force on this thread, or null.
    static TexturesAhead* inForce();
    bool mipmaps() const { return mipmaps_; }
    bool stopped() const { return stop_.load(std::memory_order_relaxed); }
    // Throws readingStoppedMessage once told to stop.
    static void checkStop();

private:
    bool mipmaps_;
    const std::atomic<bool>& stop_;
    TexturesAhead* outer_;
};

// The built-in NO FILE image (16 x 16 RGBA), shown for any bitmap that cannot
// be found. Shared by every texture that shows it, never freed.
constexpr int fallbackImageSide = 16;
extern const std::array<uint8_t, fallbackImageSide * fallbackImageSide * 4> fallbackImage;

// How a texture is filtered: chosen by the drawing options when a frame is
// first bound, and kept with its texture object for the object's life.
struct TextureFilters {
    bool bilinear = true;
    bool mipmap = true;
};

// One decoded image of a texture and, once drawn, its OpenGL texture object.
struct TextureFrame {
    uint16_t height = 0;
    uint16_t width = 0;
    uint32_t glName = 0;        // 0 until the frame is first bound
    uint8_t* pixels = nullptr;  // width * height RGBA bytes, rows in file order
    // Made where the frame was decoded ahead of its turn; let go once uploaded.
    std::vector<MipLevel> mipLevels;

    // Binds the frame, uploading it first, filtered so, if it has no GL name yet.
    void bind(TextureFilters filters);
    void upload(TextureFilters filters);
    void releaseGl();
};

// A shared, reference-counted texture: every handle of one name (letter case
// ignored) refers to the same Texture, which lives as long as one of them.
// Handles are made and let go on two threads (the one that draws and the one
// that reads the next model), so the count is atomic and the cache locked;
// the frames are written only while the texture is made, and the GL names only
// on the thread that draws.
struct Texture : ListNode {
    ~Texture() override;

    char* name = nullptr;
    int32_t frameCount = 0;
    TextureFrame* frames = nullptr;
    std::atomic<int32_t> refCount = 0;
    float alphaFactor = 1.0f;
    float frameRate = 1.0f;     // animation sweeps per second
    float slideRateU = 0.0f;    // texture-coordinate drift per second
    float slideRateV = 0.0f;
    uint32_t flags = 0;

    // `seconds` since the model was put on screen: picks the frame (frame 0
    // for a negative or non-finite time), slides, sets blending; a frame bound
    // the first time is uploaded with `filters`.
    void bind(float seconds, TextureFilters filters);
    void unbind();
    // The blend factors that bind sets: (SRC_ALPHA, ONE) for an additive
    // texture, (SRC_ALPHA, ONE_MINUS_SRC_ALPHA) for any other.
    void setBlendFunction() const;
    bool slides() const { return slideRateU != 0.0f || slideRateV != 0.0f; }
    // Uploads, with `filters`, each frame that has no GL name yet, ahead of
    // its first bind, and binds again what was bound; returns the pixels of
    // the frames uploaded (their full-size images).
    int64_t uploadFrames(TextureFilters filters);
    void releaseGl();
};

// A handle on the shared texture of a name. Making the first handle of a name
// loads its bitmap; a bitmap that cannot be found shows the built-in NO FILE
// image, and a malformed one throws its message (nothing is cached then).
struct TextureRef : ListNode {
    explicit TextureRef(const char* name);
    // Another handle on a texture that a handle already holds: no lookup.
    explicit TextureRef(Texture* shared);
    ~TextureRef() override;

    void bind(float seconds, TextureFilters filters) { texture->bind(seconds, filters); }
    void unbind() { texture->unbind(); }

    Texture* texture = nullptr;

private:
    static void chargeAsMade(const Texture& shared);
    // Lets go of one handle on `shared`; the last one deletes it.
    static void releaseHandle(Texture* shared);
};

// A named, replaceable handle.
struct TextureSlot {
    ~TextureSlot();
    // Does nothing when `name` is the name already held (case counts).
    // A bitmap that fails to decode leaves the slot empty and throws its message.
    void setName(const char* name);
    void clear();

    TextureRef* ref = nullptr;
    char* name = nullptr;
};

// A name and the extension the loader may add once had to fit 1024 bytes. A
// longer name belongs to no file, and a model whose faces all named one of a
// megabyte would have it repeated face after face wherever a model's textures
// are listed: loading it throws "Texture name too long".
constexpr size_t maxTextureNameLength = 1019;

// Resolves `name` through the game table and the search path and decodes its
// OGF or OAF file into `texture` (name, properties, frames). A name no file
// bears (among them any name with a slash or backslash: nothing is opened from
// disk) and an animated OAF without frames give the NO FILE image. Throws
// "Incorrect OGF header", "Bad OGF image size" or the stream's message for a
// damaged file, "Model textures too large" past the budget in force and
// "Texture name too long"; whatever was decoded by then is owned by `texture`.
// Returns the file that was read, or "" for the built-in image.
std::string loadTextureImages(Texture& texture, const char* name);

// Whether an OpenGL context is current on this thread. Textures ask before
// deleting their GL names, because at process exit the context is already gone.
// The host that makes contexts installs its answer; until then one is assumed.
using GlContextQuery = bool (*)();
void setGlContextQuery(GlContextQuery query);
bool glContextIsCurrent();

// Every live texture, in order of creation.
extern List textureCache;
// The reflection layer's texture, named by the host when the mirror option is on.
extern TextureSlot reflectionTexture;

// The first cached texture whose name matches (ASCII case ignored), or null.
Texture* findTexture(const char* name);
