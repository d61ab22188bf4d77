#pragma once

#include <cstdint>

#include "core/list.h"

// One decoded image of a texture and, once drawn, its OpenGL texture object.
struct TextureFrame {
    uint16_t height = 0;
    uint16_t width = 0;
    uint32_t glName = 0;        // 0 until the frame is first bound
    uint8_t* pixels = nullptr;  // width * height RGBA bytes, rows in file order

    // Binds the frame, uploading it first if it has no GL name yet.
    void bind();
    void upload();
    void releaseGl();
};

// A shared, reference-counted texture: every handle of one name (letter case
// ignored) refers to the same Texture, which lives as long as one of them.
struct Texture : ListNode {
    ~Texture() override;

    char* name = nullptr;
    int32_t frameCount = 0;
    TextureFrame* frames = nullptr;
    int32_t refCount = 0;
    float alphaFactor = 1.0f;
    float frameRate = 1.0f;     // animation sweeps per second
    float slideRateU = 0.0f;    // texture-coordinate drift per second
    float slideRateV = 0.0f;
    uint32_t flags = 0;

    // `seconds` since the model was put on screen: picks the frame, slides, sets blending.
    void bind(float seconds);
    void unbind();
    void releaseGl();
};

// A handle on the shared texture of a name. Making the first handle of a name
// loads its bitmap; a bitmap that cannot be found shows the built-in NO FILE
// image, and a malformed one throws its message (nothing is cached then).
struct TextureRef : ListNode {
    explicit TextureRef(const char* name);
    ~TextureRef() override;

    void bind(float seconds) { texture->bind(seconds); }
    void unbind() { texture->unbind(); }

    Texture* texture = nullptr;
};

// A named, replaceable handle.
struct TextureSlot {
    ~TextureSlot();
    // Does nothing when `name` is the name already held (case counts).
    void setName(const char* name);
    void clear();

    TextureRef* ref = nullptr;
    char* name = nullptr;
};

// Every live texture, in order of creation.
extern List textureCache;
// The reflection layer's texture, named by the host when the mirror option is on.
extern TextureSlot reflectionTexture;

// The first cached texture whose name matches (ASCII case ignored), or null.
Texture* findTexture(const char* name);
