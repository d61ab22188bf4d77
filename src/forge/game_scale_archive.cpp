#include "forge/game_scale_archive.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "data/game_table.h"
#include "forge/bitmap_writer.h"
#include "forge/oof_writer.h"
#include "forge/table_writer.h"

namespace {
constexpr int rings = 10;  // rings x segments quads make one subobject's shell
constexpr int segments = gameScaleFacesPerSubobject / rings;
static_assert(rings * segments == gameScaleFacesPerSubobject);
constexpr int storedLevels = 5;
constexpr float pi = 3.14159265f;

uint32_t hash(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h = a * 374761393u + b * 668265263u + c * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

bool isAnimation(int texture) { return texture >= gameScaleTextures - gameScaleAnimations; }
int sideOf(int texture) { return isAnimation(texture) || texture % 2 == 0 ? 128 : 256; }
uint8_t formatOf(int texture) { return texture % 4 < 2 ? ogfArgb4444 : ogfArgb1555; }

// The first carrier's names have no number; the others' carry theirs.
std::string carrierMark(int carrier) { return carrier == 0 ? "" : std::to_string(carrier + 1); }

std::string fileNameOf(int carrier, int texture) {
    char name[32];
    std::snprintf(name, sizeof name, "carrier%s%02d.%s", carrierMark(carrier).c_str(), texture,
                  isAnimation(texture) ? "oaf" : "ogf");
    return name;
}

std::string textureNameOf(int carrier, int texture) {
    const std::string carrierName = carrier == 0 ? "Carrier" : "Carrier " + carrierMark(carrier);
    char name[40];
    std::snprintf(name, sizeof name, "%s Texture %02d", carrierName.c_str(), texture);
    return name;
}

// Hull panels as the game paints them: 32-pixel plates of one tone with busy
// detail in most of them and flat seams between, so that runs are mostly
// short, as in real 16-bit art.
std::vector<uint16_t> panelPicture(int side, uint8_t format, uint32_t seed) {
    std::vector<uint16_t> pixels(static_cast<size_t>(side) * side);
    const unsigned top = format == ogfArgb4444 ? 15 : 31;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const uint32_t panel = hash(static_cast<uint32_t>(x / 32), static_cast<uint32_t>(y / 32), seed);
            unsigned level[3];
            for (int c = 0; c < 3; ++c) level[c] = (panel >> (c * 8)) % (top - 3) + 2;
            const bool seam = x % 32 == 0 || y % 32 == 0;
            if (seam) {
                level[0] = level[1] = level[2] = 1;
            } else if (panel % 4 != 0) {
                const uint32_t grain = hash(static_cast<uint32_t>(x), static_cast<uint32_t>(y), seed + 1);
                for (int c = 0; c < 3; ++c) level[c] += (grain >> (c * 2)) % 3 - 1;
            }
            pixels[static_cast<size_t>(y) * side + x] =
                format == ogfArgb4444
                    ? static_cast<uint16_t>(0xF000 | level[0] << 8 | level[1] << 4 | level[2])
                    : static_cast<uint16_t>(0x8000 | level[0] << 10 | level[1] << 5 | level[2]);
        }
    return pixels;
}

// The image with its smaller levels stored after it, each a point-sampled
// half of the one before.
OgfImage withStoredLevels(int side, uint8_t format, std::vector<uint16_t> pixels) {
    OgfImage image = OgfImage::fromPixels(static_cast<uint16_t>(side), static_cast<uint16_t>(side), format, pixels);
    image.levelCount = storedLevels;
    for (int level = 1, size = side / 2; level < storedLevels; ++level, size /= 2) {
        std::vector<uint16_t> smaller(static_cast<size_t>(size) * size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                smaller[static_cast<size_t>(y) * size + x] = pixels[static_cast<size_t>(y) * 2 * size * 2 + x * 2];
        const OgfImage stored =
            OgfImage::fromPixels(static_cast<uint16_t>(size), static_cast<uint16_t>(size), format, smaller);
        image.runs.insert(image.runs.end(), stored.runs.begin(), stored.runs.end());
        pixels = std::move(smaller);
    }
    return image;
}

Bytes bitmapBytes(int carrier, int texture) {
    const int side = sideOf(texture);
    const uint8_t format = formatOf(texture);
    const auto first = static_cast<uint32_t>(carrier * 10000);
    if (!isAnimation(texture))
        return withStoredLevels(side, format, panelPicture(side, format, first + static_cast<uint32_t>(texture))).bytes();
    OafAnimation animation;
    for (int frame = 0; frame < gameScaleAnimationFrames; ++frame) {
        const auto seed = first + static_cast<uint32_t>(texture * 100 + frame);
        animation.frames.push_back(withStoredLevels(side, format, panelPicture(side, format, seed)));
    }
    return animation.bytes();
}

TextureRecord recordOf(int carrier, int texture) {
    constexpr uint32_t animated = 0x40, additive = 0x200000, usesAlpha = 0x400000;
    TextureRecord record{
        .name = textureNameOf(carrier, texture), .fileName = fileNameOf(carrier, texture), .thirdText = "metal"};
    if (isAnimation(texture)) {
        record.thirdText = "effect";
        record.frameTime = 0.8f;
        record.flags = animated | usesAlpha | (texture % 2 == 0 ? additive : 0);
    } else {
        record.flags = texture % 3 == 0 ? usesAlpha : 0;
        if (texture == 5) record.slideU = 6.0f;
    }
    return record;
}

Vector normalised(const Vector& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return Vector(v.x / length, v.y / length, v.z / length);
}

// A closed shell of rings x segments quads about the origin; its bands use
// three of the model's textures, every fourth ring is plain colour.
OofSubobject shell(int index, float radius) {
    OofSubobject s;
    s.index = index;
    s.parentIndex = index == 0 ? -1 : (index - 1) / 3;
    s.radius = radius;
    char name[32];
    std::snprintf(name, sizeof name, "section %02d", index);
    s.name = name;
    if (index % 10 == 9) s.property = "$rotate=6";
    for (int ring = 0; ring <= rings; ++ring)
        for (int segment = 0; segment <= segments; ++segment) {
            const float polar = pi * static_cast<float>(ring) / rings;
            const float around = 2 * pi * static_cast<float>(segment) / segments;
            const Vector direction(std::sin(polar) * std::cos(around), std::cos(polar),
                                   std::sin(polar) * std::sin(around));
            s.vertices.emplace_back(direction.x * radius, direction.y * radius * 0.6f, direction.z * radius);
            s.normals.push_back(direction);
        }
    const auto at = [](int ring, int segment) { return ring * (segments + 1) + segment; };
    for (int ring = 0; ring < rings; ++ring)
        for (int segment = 0; segment < segments; ++segment) {
            OofFace face;
            const int corners[4][2] = {{ring, segment}, {ring, segment + 1}, {ring + 1, segment + 1}, {ring + 1, segment}};
            Vector sum;
            for (const auto& corner : corners) {
                const int vertex = at(corner[0], corner[1]);
                sum = sum + s.normals[static_cast<size_t>(vertex)];
                face.corners.push_back({vertex, static_cast<float>(corner[1]) / 4.0f, static_cast<float>(corner[0]) / 4.0f});
            }
            face.normal = normalised(sum);
            if (ring % 4 == 3) {
                face.colour = {static_cast<uint8_t>(90 + index), 100, static_cast<uint8_t>(120 + ring)};
            } else {
                face.textured = true;
                face.textureIndex = (index * 3 + ring / 4) % gameScaleTextures;
            }
            s.faces.push_back(std::move(face));
        }
    return s;
}

Bytes carrierModel(int carrier) {
    std::vector<std::string> textureNames;
    for (int t = 0; t < gameScaleTextures; ++t) textureNames.push_back(textureNameOf(carrier, t));

    OofWriter writer;
    writer.textures(textureNames);
    writer.header(gameScaleSubobjects, 36.0f, Vector(-36, -36, -36), Vector(36, 36, 36));
    std::vector<std::vector<OofPositionKey>> positionKeys(gameScaleSubobjects);
    std::vector<std::vector<OofRotationKey>> rotationKeys(gameScaleSubobjects);
    std::vector<OofPoint> guns;
    for (int i = 0; i < gameScaleSubobjects; ++i) {
        OofSubobject s = shell(i, i == 0 ? 7.0f : 3.0f);
        // Children fan out around their parent.
        const float angle = 2 * pi * static_cast<float>(i % 3) / 3 + static_cast<float>(i) * 0.3f;
        if (i > 0) s.restPosition = Vector(9 * std::cos(angle), (i % 2 == 0 ? 2.0f : -2.0f), 9 * std::sin(angle));
        s.center = Vector(0, 0, 0);
        writer.subobject(s);
        for (int k = 0; k < gameScaleKeyFrames; ++k) {
            const float phase = static_cast<float>(k + i) * 0.7f;
            positionKeys[static_cast<size_t>(i)].push_back({k * 10, Vector(0, 0.5f * std::sin(phase), 0)});
            rotationKeys[static_cast<size_t>(i)].push_back({k * 10, Vector(0, 1, 0), k == 0 ? 0 : 2048});
        }
        if (i % 8 == 1) guns.push_back({i, Vector(0, 0, 3), Vector(0, 0, 1)});
    }
    writer.positionKeys(positionKeys);
    writer.rotationKeys(rotationKeys);
    writer.gunPoints(guns);
    writer.batteries({{{0, 1, 2}, {1, 9}}});
    return writer.build();
}
}  // namespace

std::string gameScaleModelNameOf(int carrier) { return "carrier" + carrierMark(carrier) + ".oof"; }

HogWriter gameScaleArchive(int carriers) {
    TableWriter table;
    table.record(2, 1, Bytes(40, 0x11));
    for (int c = 0; c < carriers; ++c)
        for (int t = 0; t < gameScaleTextures; ++t) table.texture(recordOf(c, t));
    table.record(1, 3, Bytes(12, 0x22));

    HogWriter archive;
    archive.add(gameTableName, table.bytes());
    for (int c = 0; c < carriers; ++c) {
        for (int t = 0; t < gameScaleTextures; ++t) archive.add(fileNameOf(c, t), bitmapBytes(c, t));
        archive.add(gameScaleModelNameOf(c), carrierModel(c));
    }
    return archive;
}
