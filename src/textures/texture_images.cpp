// Resolving a texture name to its bitmap and decoding OGF images and OAF
// animations into RGBA frames.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

#include "data/game_table.h"
#include "data/hog_file.h"
#include "data/kv_path.h"
#include "textures/single_runs.h"
#include "textures/texture.h"

namespace {
constexpr uint8_t formatArgb4444 = 121;
constexpr uint8_t formatArgb1555 = 122;
constexpr uint8_t oafShortHeaderMark = 127;
constexpr int32_t oafLongHeaderSkip = 16;
constexpr int32_t imageFieldsSkip = 9;
constexpr int32_t sizeFieldsSkip = 2;
constexpr int32_t bytesPerRun = 3;
constexpr int maxRunLength = 255;
constexpr int shortRun = 8;

constexpr std::array<uint8_t, fallbackImageSide * fallbackImageSide * 4> drawFallbackImage() {
    // # is black, . is grey; row 0 comes first in memory.
    constexpr const char* rows[fallbackImageSide] = {
        "................", "................", "..#..#.####.....", "..##.#.#..#.....",
        "..##.#.#..#.....", "..#.##.#..#.....", "..#.##.#..#.....", "..#..#.####.....",
        "................", "###.#.#...###...", "#...#.#...#.....", "#...#.#...#.....",
        "###.#.#...###...", "#...#.#...#.....", "#...#.#...#.....", "#...#.###.###...",
    };
    std::array<uint8_t, fallbackImageSide * fallbackImageSide * 4> image{};
    size_t at = 0;
    for (const char* row : rows) {
        for (int column = 0; column < fallbackImageSide; ++column) {
            const uint8_t grey = row[column] == '#' ? 0 : 180;
            image[at++] = grey;
            image[at++] = grey;
            image[at++] = grey;
            image[at++] = 255;
        }
    }
    return image;
}

// The table's frame time and slide values are periods; textures keep rates.
float reciprocal(float value) { return value != 0.0f ? 1.0f / value : 0.0f; }

// A name with a path separator would be opened from disk by the search path
// (on Windows "\\server\share" reaches the network): no bitmap bears such a name.
InFile* openBitmap(const std::string& fileName) {
    if (fileName.find_first_of("/\\") != std::string::npos) return nullptr;
    try {
        return searchPath.open(fileName.c_str());
    } catch (Message) {
        return nullptr;
    }
}

void useFallbackImage(Texture& texture) {
    texture.frames = new TextureFrame[1];
    texture.frameCount = 1;
    texture.frames[0].width = fallbackImageSide;
    texture.frames[0].height = fallbackImageSide;
    // Never written through: the frame only hands it to OpenGL.
    texture.frames[0].pixels = const_cast<uint8_t*>(fallbackImage.data());
}

void skipBytes(InFile& stream, int32_t count) { stream.seek(stream.tell() + count); }

// Hands out an image's runs. A picture holds thousands of 3-byte runs, so
// they are fetched a block at a time rather than one stream call each;
// `finish` gives back what was fetched beyond the last run used, leaving the
// stream where reading run by run would have left it.
class RunReader {
public:
    explicit RunReader(InFile& stream_) : stream(stream_) {}

    // Hands each run to `use(count, pixel)` until it returns false, checking
    // for the block's end once per block rather than once per run.
    template <class Use>
    void each(Use&& use) {
        for (;;) {
            if (fill - at < bytesPerRun) refill();
            const uint8_t* run = block + at;
            const uint8_t* const last = block + fill - bytesPerRun;
            for (; run <= last; run += bytesPerRun) {
                if (!use(run[0] == 0 ? 1 : run[0], static_cast<uint16_t>(run[1] | run[2] << 8))) {
                    at = static_cast<int32_t>(run + bytesPerRun - block);
                    return;
                }
            }
            at = static_cast<int32_t>(run - block);
        }
    }

    // The runs fetched and not yet used: at least one, and at least `wanted`
    // while the stream has them. `count` is set to how many; `use(n)` marks
    // the first n of them used.
    const uint8_t* pending(int32_t& count, int32_t wanted) {
        if (fill - at < wanted * bytesPerRun) refill();
        count = (fill - at) / bytesPerRun;
        return block + at;
    }
    void use(int32_t count) { at += count * bytesPerRun; }

    void finish() {
        if (fill > at) stream.seek(stream.tell() - (fill - at));
        fill = at = 0;
    }

private:
    void refill() {
        const int32_t kept = fill - at;
        std::memmove(block, block + at, static_cast<size_t>(kept));
        // Never ask past the stream's end: only a run that is really cut short fails.
        const int64_t left = static_cast<int64_t>(stream.size()) - stream.tell();
        const auto wanted = static_cast<int32_t>(std::clamp<int64_t>(left, 0, blockBytes - kept));
        // A large image takes a while: a reader told to stop leaves it here.
        TexturesAhead::checkStop();
        const int32_t got = wanted > 0 ? stream.read(block + kept, wanted) : 0;
        fill = kept + std::max(got, 0);
        at = 0;
        if (fill < bytesPerRun) fail("Tried to read past limit");
    }

    static constexpr int32_t blockBytes = 4096 * bytesPerRun;
    InFile& stream;
    uint8_t block[blockBytes];
    int32_t fill = 0;
    int32_t at = 0;
};

constexpr uint8_t expand4(unsigned k) { return static_cast<uint8_t>(k * 17); }
constexpr uint8_t expand5(unsigned k) { return static_cast<uint8_t>(static_cast<int>(k * 8.225806451612904 + 0.5)); }

// The low 8 bits of trunc(alpha * factor), for any factor a table may hold.
uint8_t scaleAlpha(uint8_t alpha, float factor) {
    const float product = alpha * factor;
    if (!std::isfinite(product)) return 0;
    double low = std::fmod(std::trunc(static_cast<double>(product)), 256.0);
    if (low < 0) low += 256.0;
    return static_cast<uint8_t>(low);
}

// What a format's colour bits become, alpha aside: the high byte (red), the
// five green bits of 1-5-5-5 and the low byte (blue, and green in 4-4-4-4),
// each already in its place of the RGBA value; and each channel's values
// alone, for the vector decoder.
struct ColourTables {
    uint32_t high[256];
    uint32_t middle[32];
    uint32_t low[256];
    uint8_t channelLow[16];
    uint8_t channelHigh[16];
    int alphaShift;  // where the alpha bits start in the high byte
};

constexpr ColourTables colourTables(uint8_t format) {
    ColourTables t{};
    if (format == formatArgb4444) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            t.high[byte] = expand4(byte & 15);
            t.low[byte] = static_cast<uint32_t>(expand4(byte >> 4)) << 8 | static_cast<uint32_t>(expand4(byte & 15)) << 16;
        }
        for (unsigned k = 0; k < 16; ++k) t.channelLow[k] = expand4(k);
        t.alphaShift = 4;
    } else {
        for (unsigned byte = 0; byte < 256; ++byte) {
            t.high[byte] = expand5(byte >> 2 & 31);
            t.low[byte] = static_cast<uint32_t>(expand5(byte & 31)) << 16;
        }
        for (unsigned k = 0; k < 32; ++k) t.middle[k] = static_cast<uint32_t>(expand5(k)) << 8;
        for (unsigned k = 0; k < 16; ++k) {
            t.channelLow[k] = expand5(k);
            t.channelHigh[k] = expand5(k + 16);
        }
        t.alphaShift = 7;
    }
    return t;
}
constexpr ColourTables argb4444Colours = colourTables(formatArgb4444);
constexpr ColourTables argb1555Colours = colourTables(formatArgb1555);

// The RGBA value of every 16-bit pixel at the cost of three lookups, all
// channels in memory order R, G, B, A. Every channel depends on its own bits
// alone; only the alpha depends on the texture, so only the high byte's
// table is made per texture.
class PixelTable {
public:
    // Refills the table unless it already serves this format.
    void prepare(uint8_t format_, const Texture& texture) {
        if (format_ == format) return;
        format = format_;
        colours = format == formatArgb4444 ? &argb4444Colours : &argb1555Colours;
        const bool keepsAlpha = texture.flags & textureUsesAlpha;
        const unsigned alphaValues = format == formatArgb4444 ? 16 : 2;
        uint8_t alphas[16];
        for (unsigned k = 0; k < alphaValues; ++k) {
            const uint8_t stored = alphaValues == 16 ? expand4(k) : static_cast<uint8_t>(k * 255);
            alphas[k] = keepsAlpha ? scaleAlpha(stored, texture.alphaFactor) : 255;
        }
        for (unsigned byte = 0; byte < 256; ++byte)
            high[byte] = colours->high[byte] | static_cast<uint32_t>(alphas[byte >> colours->alphaShift]) << 24;
        std::memcpy(channels.low, colours->channelLow, sizeof channels.low);
        std::memcpy(channels.high, colours->channelHigh, sizeof channels.high);
        for (unsigned k = 0; k < 16; ++k) channels.alpha[k] = alphas[k & (alphaValues - 1)];
        channels.fiveBits = format == formatArgb1555;
    }

    uint32_t operator[](uint16_t v) const {
        return high[v >> 8] | colours->middle[v >> 5 & 31] | colours->low[v & 255];
    }

    // The same mapping channel by channel, for the vector decoder.
    ChannelBytes channels;

private:
    uint8_t format = 0;
    const ColourTables* colours = nullptr;
    uint32_t high[256];
};
static_assert(std::endian::native == std::endian::little, "pixels are stored as R, G, B, A bytes");

// An image record's header, its size checked against the limits.
struct ImageHeader {
    uint8_t format = 0;
    int levelCount = 0;
    int width = 0;
    int height = 0;
};

ImageHeader readImageHeader(InFile& stream) {
    ImageHeader header;
    if (readU16(stream) != 0) fail("Incorrect OGF header");
    header.format = readU8(stream);
    if (header.format != formatArgb4444 && header.format != formatArgb1555) fail("Incorrect OGF header");
    skipString(stream);
    header.levelCount = readU8(stream);
    skipBytes(stream, imageFieldsSkip);
    header.width = readU16(stream);
    header.height = readU16(stream);
    skipBytes(stream, sizeFieldsSkip);
    if (header.width == 0 || header.height == 0 || header.width > maxTextureSide || header.height > maxTextureSide)
        fail("Bad OGF image size");
    return header;
}

// Decodes the full-size image's runs into `pixels` (`pixelCount` of them);
// returns how far the last run went past the image's end.
int decodeImageRuns(RunReader& runs, uint8_t* pixels, int32_t pixelCount, const PixelTable& table) {
    const SingleRunDecoder decodeSingleRuns = singleRunDecoder();
    int32_t written = 0;
    int carried = 0;
    while (written < pixelCount) {
        int32_t fetched = 0;
        const uint8_t* const first = runs.pending(fetched, singleRunGroup);
        const uint8_t* const end = first + static_cast<ptrdiff_t>(fetched) * bytesPerRun;
        const uint8_t* run = first;
        while (run != end && written < pixelCount) {
            // Tried where two runs of one pixel begin, so that bitmaps of long
            // runs pay nothing for it.
            if (decodeSingleRuns != nullptr && run[0] <= 1 && end - run > bytesPerRun &&
                run[bytesPerRun] <= 1) {
                // Whole groups only, and never past the image's last pixel.
                const auto groups = static_cast<int32_t>(
                    std::min<ptrdiff_t>((end - run) / (singleRunGroup * bytesPerRun), (pixelCount - written) / singleRunGroup));
                if (groups > 0) {
                    const int32_t decoded =
                        decodeSingleRuns(run, groups, pixels + static_cast<size_t>(written) * 4, table.channels);
                    run += static_cast<ptrdiff_t>(decoded) * bytesPerRun;
                    written += decoded;
                    if (decoded > 0) continue;
                }
            }
            const int count = run[0] == 0 ? 1 : run[0];
            const uint32_t pixel = table[static_cast<uint16_t>(run[1] | run[2] << 8)];
            run += bytesPerRun;
            uint8_t* const at = pixels + static_cast<size_t>(written) * 4;
            if (pixelCount - written >= maxRunLength + shortRun) {
                // Far from the end no run can overflow the image. Runs are
                // written in whole groups of 8 pixels, of which the next runs
                // overwrite what was too much: short runs, the most common,
                // cost no branch on their exact count.
                const uint64_t two = pixel | uint64_t{pixel} << 32;
                for (int i = 0; i < count; i += shortRun)
                    for (int k = 0; k < shortRun; k += 2) std::memcpy(at + 4 * (i + k), &two, 8);
                written += count;
                continue;
            }
            const int used = count < pixelCount - written ? count : pixelCount - written;
            for (int i = 0; i < used; ++i) std::memcpy(at + 4 * i, &pixel, 4);
            written += used;
            carried = count - used;
        }
        runs.use(static_cast<int32_t>((run - first) / bytesPerRun));
    }
    return carried;
}

// Steps over the stored mip levels' runs. Runs may straddle levels: what
// overflowed one level (`carried`) counts toward the next. Levels shrink to
// nothing within a dozen steps, so a hostile level count costs nothing more;
// the carry stays below a level plus one run.
void skipStoredLevels(RunReader& runs, int levelCount, int32_t pixelCount, int carried) {
    const RunSkipper skipRuns = runSkipper();
    int32_t levelPixels = pixelCount;
    for (int level = 1; level < levelCount && levelPixels > 0; ++level) {
        levelPixels /= 4;
        while (skipRuns != nullptr && carried < levelPixels) {
            int32_t fetched = 0;
            const uint8_t* const first = runs.pending(fetched, singleRunGroup);
            const int32_t groups = fetched / singleRunGroup;
            const int32_t skipped = groups > 0 ? skipRuns(first, groups, levelPixels, carried) : 0;
            runs.use(skipped);
            if (groups == 0 || skipped < groups * singleRunGroup) break;
        }
        if (carried < levelPixels) {
            runs.each([&](int count, uint16_t) {
                carried += count;
                return carried < levelPixels;
            });
        }
        carried -= levelPixels;
    }
}

// One image record: header, the full-size image's runs, then the stored mip
// levels' runs, which are stepped over.
// `pixelBudget` is what the texture's frames may still hold between them.
void readImageRecord(InFile& stream, const Texture& texture, TextureFrame& frame, int32_t& pixelBudget,
                     PixelTable& table) {
    const ImageHeader header = readImageHeader(stream);
    // At most 4096 * 4096 pixels, so no product below overflows 32 bits. Each
    // run of 3 bytes covers at most 255 pixels: a stream too short to fill the
    // image is refused before its buffer is allocated.
    const int32_t pixelCount = header.width * header.height;
    if (pixelCount > pixelBudget) fail("Bad OGF image size");
    pixelBudget -= pixelCount;
    ModelTextureBudget::chargePixels(pixelCount);
    const int64_t leastBytes = static_cast<int64_t>((pixelCount + maxRunLength - 1) / maxRunLength) * bytesPerRun;
    if (leastBytes > static_cast<int64_t>(stream.size()) - stream.tell()) fail("Tried to read past limit");

    frame.width = static_cast<uint16_t>(header.width);
    frame.height = static_cast<uint16_t>(header.height);
    frame.pixels = new uint8_t[static_cast<size_t>(pixelCount) * 4];
    table.prepare(header.format, texture);

    RunReader runs(stream);
    const int carried = decodeImageRuns(runs, frame.pixels, pixelCount, table);
    skipStoredLevels(runs, header.levelCount, pixelCount, carried);
    runs.finish();
}

bool isAnimationFile(const std::string& fileName) {
    return fileName.size() >= 4 && endsWithIgnoringCase(fileName.c_str(), ".oaf");
}

// The OAF header: either 127, one byte, the frame count and four bytes, or a
// first byte that is itself the frame count followed by 16 bytes.
int readAnimationFrameCount(InFile& stream) {
    const uint8_t first = readU8(stream);
    if (first != oafShortHeaderMark) {
        skipBytes(stream, oafLongHeaderSkip);
        return first;
    }
    readU8(stream);
    const uint8_t count = readU8(stream);
    skipBytes(stream, 4);
    return count;
}
}  // namespace

const std::array<uint8_t, fallbackImageSide * fallbackImageSide * 4> fallbackImage = drawFallbackImage();

// --------------------------------------------------------- ModelTextureBudget

namespace {
thread_local ModelTextureBudget* budgetInForce = nullptr;
thread_local TexturesAhead* aheadInForce = nullptr;

bool aheadStopped() { return aheadInForce != nullptr && aheadInForce->stopped(); }

// What the upload would otherwise make on the thread that draws.
void makeMipLevels(Texture& texture) {
    if (aheadInForce == nullptr || !aheadInForce->mipmaps()) return;
    for (int32_t i = 0; i < texture.frameCount; ++i) {
        TextureFrame& frame = texture.frames[i];
        frame.mipLevels = buildMipLevels(frame.width, frame.height, frame.pixels, aheadStopped);
        TexturesAhead::checkStop();
    }
}
}  // namespace

TexturesAhead::TexturesAhead(bool mipmaps, const std::atomic<bool>& stop)
    : mipmaps_(mipmaps), stop_(stop), outer_(aheadInForce) {
    aheadInForce = this;
}

TexturesAhead::~TexturesAhead() { aheadInForce = outer_; }

TexturesAhead* TexturesAhead::inForce() { return aheadInForce; }

void TexturesAhead::checkStop() {
    if (aheadStopped()) fail(readingStoppedMessage);
}

ModelTextureBudget::ModelTextureBudget(int64_t pixels, int32_t textures)
    : pixelsLeft_(pixels), texturesLeft_(textures), outer_(budgetInForce) {
    budgetInForce = this;
}

ModelTextureBudget::~ModelTextureBudget() { budgetInForce = outer_; }

void ModelTextureBudget::chargePixels(int64_t pixels) {
    ModelTextureBudget* budget = budgetInForce;
    if (budget == nullptr) return;
    if (pixels > budget->pixelsLeft_) fail("Model textures too large");
    budget->pixelsLeft_ -= pixels;
}

void ModelTextureBudget::chargeTexture() {
    ModelTextureBudget* budget = budgetInForce;
    if (budget == nullptr) return;
    if (budget->texturesLeft_ == 0) fail("Model has too many textures");
    --budget->texturesLeft_;
}

// ---------------------------------------------------------- loadTextureImages

std::string loadTextureImages(Texture& texture, const char* name) {
    if (std::strlen(name) > maxTextureNameLength) fail("Texture name too long");
    texture.name = copyString(name);

    std::unique_ptr<InFile> stream;
    std::string fileName;
    if (const TextureEntry* entry = findTextureEntry(name)) {
        texture.alphaFactor = entry->alphaFactor();
        texture.frameRate = entry->frameTime();
        texture.slideRateU = entry->slideU();
        texture.slideRateV = entry->slideV();
        texture.flags = entry->flags();
        fileName = entry->fileName;
        stream.reset(openBitmap(fileName));
    } else {
        texture.alphaFactor = 1.0f;
        texture.frameRate = 1.0f;
        texture.slideRateU = 0.0f;
        texture.slideRateV = 0.0f;
        texture.flags = defaultTextureFlags;
        for (const char* extension : {"", ".ogf", ".oaf"}) {
            fileName = std::string(name) + extension;
            stream.reset(openBitmap(fileName));
            if (stream) break;
        }
    }
    // A missing bitmap keeps the table's periods as they are, not as rates.
    if (!stream) {
        useFallbackImage(texture);
        makeMipLevels(texture);
        return "";
    }
    texture.frameRate = reciprocal(texture.frameRate);
    texture.slideRateU = reciprocal(texture.slideRateU);
    texture.slideRateV = reciprocal(texture.slideRateV);

    int frameCount = 1;
    if (isAnimationFile(fileName)) {
        const int stored = readAnimationFrameCount(*stream);
        if (texture.flags & textureAnimated && texture.frameRate != 0.0f) frameCount = stored;
    }
    // An animation without frames could never be bound; it shows as missing.
    if (frameCount == 0) {
        useFallbackImage(texture);
        makeMipLevels(texture);
        return "";
    }
    // The frames live in `texture` from the start, so a failure part way
    // leaves every decoded frame to the texture's destructor.
    texture.frames = new TextureFrame[frameCount];
    texture.frameCount = frameCount;
    // All frames together get no more than one image of the largest size:
    // 255 frames of that size would be 16 GB from a 50 MB file.
    int32_t pixelBudget = maxTextureSide * maxTextureSide;
    PixelTable table;
    for (int i = 0; i < frameCount; ++i) readImageRecord(*stream, texture, texture.frames[i], pixelBudget, table);
    makeMipLevels(texture);
    return fileName;
}
