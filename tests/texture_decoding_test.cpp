// Resolving texture names and decoding OGF images and OAF animations, on
// archives forged byte for byte.
#include <memory>

#include "texture_fixture.h"

namespace {
class TextureDecoding : public TextureArchiveTest {
protected:
    std::unique_ptr<Texture> load(const char* name) {
        auto texture = std::make_unique<Texture>();
        source = loadTextureImages(*texture, name);
        return texture;
    }
    std::string source;
};

Bytes ogf(const OgfImage& image) { return image.bytes(); }

OafAnimation animation(std::vector<OgfImage> frames, OafAnimation::Header header = OafAnimation::Header::counted) {
    OafAnimation oaf;
    oaf.header = header;
    oaf.frames = std::move(frames);
    return oaf;
}

// A frame drawn as text: '#' for black, '.' for anything else.
std::string rowText(const TextureFrame& frame, int y) {
    std::string text;
    for (int x = 0; x < frame.width; ++x) text += pixelAt(frame, x, y)[0] == 0 ? '#' : '.';
    return text;
}

void expectNoFileImage(const Texture& texture) {
    ASSERT_EQ(texture.frameCount, 1);
    const TextureFrame& frame = texture.frames[0];
    EXPECT_EQ(frame.width, 16);
    EXPECT_EQ(frame.height, 16);
    EXPECT_EQ(frame.glName, 0u);
    EXPECT_EQ(frame.pixels, fallbackImage.data());
}
}  // namespace

TEST_F(TextureDecoding, PixelsOfBothFormatsBecomeRgbaUnderTheAlphaRules) {
    const OgfImage nibbles = OgfImage::fromPixels(2, 1, ogfArgb4444, {0xF0F8, 0x8421});
    const OgfImage bits = OgfImage::fromPixels(4, 1, ogfArgb1555, {0x7FFF, 0x8000, 0xC000, 0x03E0});
    TableWriter table;
    table.texture({.name = "full", .fileName = "nibbles.ogf", .flags = textureUsesAlpha});
    table.texture({.name = "half", .fileName = "nibbles.ogf", .alphaFactor = 0.5f, .flags = textureUsesAlpha});
    table.texture({.name = "double", .fileName = "nibbles.ogf", .alphaFactor = 2.0f, .flags = textureUsesAlpha});
    table.texture({.name = "opaque", .fileName = "nibbles.ogf", .alphaFactor = 0.5f, .flags = 0});
    table.texture({.name = "bits", .fileName = "bits.ogf", .flags = textureUsesAlpha});
    table.texture({.name = "bitsOpaque", .fileName = "bits.ogf", .flags = 0});
    useArchive(HogWriter().add("nibbles.ogf", ogf(nibbles)).add("bits.ogf", ogf(bits)), table);

    const auto full = load("full");
    EXPECT_EQ(pixelAt(full->frames[0], 0, 0), (Rgba{0, 255, 136, 255}));
    EXPECT_EQ(pixelAt(full->frames[0], 1, 0), (Rgba{68, 34, 17, 136}));
    EXPECT_EQ(pixelAt(load("half")->frames[0], 0, 0), (Rgba{0, 255, 136, 127}));
    // The alpha keeps the low 8 bits of the scaled value: 510 -> 254, 272 -> 16.
    const auto doubled = load("double");
    EXPECT_EQ(pixelAt(doubled->frames[0], 0, 0)[3], 254);
    EXPECT_EQ(pixelAt(doubled->frames[0], 1, 0)[3], 16);
    EXPECT_EQ(pixelAt(load("opaque")->frames[0], 1, 0), (Rgba{68, 34, 17, 255}));

    const auto withAlpha = load("bits");
    EXPECT_EQ(pixelAt(withAlpha->frames[0], 0, 0), (Rgba{255, 255, 255, 0}));
    EXPECT_EQ(pixelAt(withAlpha->frames[0], 1, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(pixelAt(withAlpha->frames[0], 2, 0), (Rgba{132, 0, 0, 255}));  // 16 * 255 / 31 = 131.6
    EXPECT_EQ(pixelAt(withAlpha->frames[0], 3, 0), (Rgba{0, 255, 0, 0}));
    EXPECT_EQ(pixelAt(load("bitsOpaque")->frames[0], 0, 0), (Rgba{255, 255, 255, 255}));
}

TEST_F(TextureDecoding, RunsCarryOverIntoStoredMipLevelsAndTheNextRecordFollows) {
    // 4 x 4 with 3 levels: a count-0 run writes one pixel, the next run of 20
    // fills the 15 left and its 5 extra cover level 1 (4 pixels) and level 2 (1).
    OgfImage overflowing;
    overflowing.width = 4;
    overflowing.height = 4;
    overflowing.levelCount = 3;
    overflowing.run(0, 0xFF00).run(20, 0xF0F0);
    // 255 levels of a 2 x 1 image: the levels shrink to nothing, no run is read.
    OgfImage hostileLevels = OgfImage::fromPixels(2, 1, ogfArgb4444, {0xF00F, 0xFFFF});
    hostileLevels.levelCount = 255;
    // 4 x 2 with 3 levels: level 1's single run of 3 straddles into level 2.
    OgfImage straddling = solidImage(4, 2, 0xF888);
    straddling.levelCount = 3;
    straddling.run(3, 0);
    // Stored levels as the game writes them.
    OgfImage stored = solidImage(4, 4, 0xF444).storeLevels(4, 0x1234);
    // More runs than the decoder fetches at once (every pixel its own run).
    std::vector<uint16_t> alternating(48 * 48);
    for (size_t i = 0; i < alternating.size(); ++i) alternating[i] = i % 2 ? 0xF000 : 0xFFFF;
    const OgfImage busy = OgfImage::fromPixels(48, 48, ogfArgb4444, alternating);
    const OgfImage last = solidImage(1, 1, 0xF123);

    TableWriter table;
    table.texture({.name = "carry", .fileName = "carry.oaf"});
    useArchive(
        HogWriter().add("carry.oaf", animation({overflowing, hostileLevels, straddling, stored, busy, last}).bytes()),
        table);
    const auto texture = load("carry");
    ASSERT_EQ(texture->frameCount, 6);
    const TextureFrame* frames = texture->frames;
    EXPECT_EQ(pixelAt(frames[0], 0, 0), (Rgba{255, 0, 0, 255}));
    for (int i = 1; i < 16; ++i) EXPECT_EQ(pixelAt(frames[0], i % 4, i / 4), (Rgba{0, 255, 0, 255})) << i;
    EXPECT_EQ(pixelAt(frames[1], 0, 0), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(pixelAt(frames[1], 1, 0), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pixelAt(frames[2], 3, 1), (Rgba{136, 136, 136, 255}));
    EXPECT_EQ(pixelAt(frames[3], 3, 3), (Rgba{68, 68, 68, 255}));
    for (int i : {0, 1, 1024, 2303}) EXPECT_EQ(pixelAt(frames[4], i % 48, i / 48)[0], i % 2 ? 0 : 255) << i;
    EXPECT_EQ(pixelAt(frames[5], 0, 0), (Rgba{17, 34, 51, 255}));
}

// Every 16-bit value in runs as detailed bitmaps hold them: mostly one pixel
// (count 1 or 0), every 23rd run longer, so that the runs of one pixel come in
// stretches of every length and alignment. The runs overflow the image by a
// few pixels into its two stored levels, which are all runs of one pixel.
struct EveryValue {
    OgfImage image;
    std::vector<uint16_t> pixels;  // what each pixel of the image holds
};

EveryValue everyValue(uint8_t format) {
    EveryValue made;
    OgfImage& image = made.image;
    image.format = format;
    image.width = 256;
    for (uint32_t i = 0; i < 65536; ++i) {
        const auto value = static_cast<uint16_t>(i * 40503u);  // odd: every value once, neighbours differ
        const int count = i % 23 == 0 ? 2 + static_cast<int>(i % 39) : i % 5 == 0 ? 0 : 1;
        image.run(static_cast<uint8_t>(count), value);
        made.pixels.insert(made.pixels.end(), count == 0 ? 1 : count, value);
    }
    image.height = static_cast<uint16_t>(made.pixels.size() / image.width);
    const size_t imagePixels = size_t{image.width} * image.height;
    const size_t overflow = made.pixels.size() - imagePixels;
    made.pixels.resize(imagePixels);
    image.levelCount = 3;
    const size_t levelPixels = imagePixels / 4 + imagePixels / 16;
    for (size_t i = overflow; i < levelPixels; ++i) image.run(1, static_cast<uint16_t>(i % 2 ? 0x0F0F : 0x1234));
    return made;
}

uint8_t expanded5(unsigned k) { return static_cast<uint8_t>((k * 510 + 31) / 62); }  // k * 255 / 31, rounded

TEST_F(TextureDecoding, EveryValueOfBothFormatsDecodesAlikeAmidRunsOfAnyLength) {
    const EveryValue nibbles = everyValue(ogfArgb4444);
    const EveryValue bits = everyValue(ogfArgb1555);
    // A record after each image shows that its stored levels were stepped over exactly.
    const OgfImage next = solidImage(2, 2, 0xF123);
    TableWriter table;
    for (const char* file : {"nibbles.oaf", "bits.oaf"}) {
        const std::string stem(file, 4);
        table.texture({.name = stem + "Alpha", .fileName = file, .frameTime = 1.0f, .flags = textureUsesAlpha | textureAnimated});
        table.texture({.name = stem + "Half", .fileName = file, .alphaFactor = 0.5f, .frameTime = 1.0f,
                       .flags = textureUsesAlpha | textureAnimated});
        table.texture({.name = stem + "Opaque", .fileName = file, .frameTime = 1.0f, .flags = textureAnimated});
    }
    useArchive(HogWriter()
                   .add("nibbles.oaf", animation({nibbles.image, next}).bytes())
                   .add("bits.oaf", animation({bits.image, next}).bytes()),
               table);

    for (const char* variant : {"Alpha", "Half", "Opaque"}) {
        for (const EveryValue* made : {&nibbles, &bits}) {
            const bool fourBits = made == &nibbles;
            const std::string name = std::string(fourBits ? "nibb" : "bits") + variant;
            const auto texture = load(name.c_str());
            ASSERT_EQ(texture->frameCount, 2) << name;
            const TextureFrame& frame = texture->frames[0];
            ASSERT_EQ(frame.width * frame.height, static_cast<int>(made->pixels.size())) << name;
            int wrong = 0;
            for (size_t i = 0; i < made->pixels.size() && wrong < 5; ++i) {
                const unsigned v = made->pixels[i];
                const unsigned stored = fourBits ? (v >> 12) * 17 : (v >> 15) * 255;
                const unsigned alpha = std::string(variant) == "Opaque" ? 255
                                       : std::string(variant) == "Half" ? stored / 2
                                                                        : stored;
                const Rgba want = fourBits ? Rgba{static_cast<uint8_t>((v >> 8 & 15) * 17),
                                                  static_cast<uint8_t>((v >> 4 & 15) * 17),
                                                  static_cast<uint8_t>((v & 15) * 17), static_cast<uint8_t>(alpha)}
                                           : Rgba{expanded5(v >> 10 & 31), expanded5(v >> 5 & 31), expanded5(v & 31),
                                                  static_cast<uint8_t>(alpha)};
                const Rgba got = pixelAt(frame, static_cast<int>(i % frame.width), static_cast<int>(i / frame.width));
                if (got != want) {
                    ++wrong;
                    ADD_FAILURE() << name << ": pixel " << i << " of value " << std::hex << v;
                }
            }
            const uint8_t nextAlpha = std::string(variant) == "Half" ? 127 : 255;
            EXPECT_EQ(pixelAt(texture->frames[1], 1, 1), (Rgba{17, 34, 51, nextAlpha})) << name;
        }
    }
}

TEST_F(TextureDecoding, BothOafHeadersAndWhenAllFramesAreRead) {
    const std::vector<OgfImage> five = {solidImage(2, 2, 0xF100), solidImage(2, 2, 0xF200), solidImage(2, 2, 0xF300),
                                        solidImage(2, 2, 0xF400), solidImage(2, 2, 0xF500)};
    const std::vector<OgfImage> three(five.begin(), five.begin() + 3);
    const Bytes counted = animation(three).bytes();
    const Bytes marked = animation(five, OafAnimation::Header::marked).bytes();
    // The first image record starts at byte 17 after a counted header, at 7 after a marked one.
    const Bytes record = five[0].bytes();
    ASSERT_EQ(counted[0], 3);
    ASSERT_EQ(Bytes(counted.begin() + 17, counted.begin() + 17 + record.size()), record);
    ASSERT_EQ(marked[0], 127);
    ASSERT_EQ(marked[2], 5);
    ASSERT_EQ(Bytes(marked.begin() + 7, marked.begin() + 7 + record.size()), record);
    OafAnimation empty;
    OafAnimation promisesMore = animation(three);
    promisesMore.frameCountOverride = 4;

    TableWriter table;
    table.texture({.name = "three", .fileName = "three.oaf", .frameTime = 0.5f});
    table.texture({.name = "five", .fileName = "five.oaf"});
    table.texture({.name = "still", .fileName = "five.oaf", .flags = textureUsesAlpha});
    table.texture({.name = "frozen", .fileName = "five.oaf", .frameTime = 0.0f});
    table.texture({.name = "empty", .fileName = "empty.oaf", .frameTime = 2.0f});
    table.texture({.name = "short", .fileName = "short.oaf"});
    useArchive(HogWriter()
                   .add("three.oaf", counted)
                   .add("five.oaf", marked)
                   .add("empty.oaf", empty.bytes())
                   .add("short.oaf", promisesMore.bytes()),
               table);

    const auto threeFrames = load("three");
    ASSERT_EQ(threeFrames->frameCount, 3);
    EXPECT_EQ(threeFrames->frameRate, 2.0f);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(pixelAt(threeFrames->frames[i], 1, 1)[0], 17 * (i + 1));
    const auto fiveFrames = load("five");
    ASSERT_EQ(fiveFrames->frameCount, 5);
    EXPECT_EQ(pixelAt(fiveFrames->frames[4], 0, 0)[0], 85);
    // Not animated, or frozen by a frame time of 0: the first image only.
    for (const char* name : {"still", "frozen"}) {
        const auto single = load(name);
        ASSERT_EQ(single->frameCount, 1) << name;
        EXPECT_EQ(pixelAt(single->frames[0], 0, 0)[0], 17) << name;
    }
    // An animation without frames could never be bound: it shows as missing.
    const auto none = load("empty");
    expectNoFileImage(*none);
    EXPECT_EQ(source, "");
    expectMessage("Tried to read past limit", [&] { load("short"); });
}

TEST_F(TextureDecoding, MalformedOrCutShortImagesRaiseTheirMessage) {
    OgfImage marker = solidImage(2, 2, 0xFFFF);
    marker.marker = 1;
    OgfImage format = solidImage(2, 2, 0xFFFF);
    format.format = 120;
    OgfImage noRuns = solidImage(2, 2, 0xFFFF);
    noRuns.runs.clear();
    OgfImage fewRuns = solidImage(2, 2, 0xFFFF);
    fewRuns.runs = {{3, 0xFFFF}};
    OgfImage noWidth = solidImage(0, 2, 0xFFFF);
    OgfImage tooHigh = solidImage(1, maxTextureSide + 1, 0xFFFF);
    // Claims 16 million pixels with two runs: refused before the 64 MB buffer.
    OgfImage huge;
    huge.width = maxTextureSide;
    huge.height = maxTextureSide;
    huge.run(255, 0).run(255, 0);
    Bytes unterminated = {0, 0, ogfArgb4444, 'a', 'b'};
    // One full-size frame uses up what a whole animation may hold.
    OgfImage largest;
    largest.width = maxTextureSide;
    largest.height = maxTextureSide;
    largest.runs.assign(maxTextureSide * maxTextureSide / 255 + 1, {255, 0xFFFF});
    OafAnimation tooMuch;
    tooMuch.frames = {largest, solidImage(1, 1, 0xFFFF)};

    TableWriter table;
    table.texture({.name = "toomuch", .fileName = "toomuch.oaf"});
    useArchive(HogWriter()
                   .add("toomuch.oaf", tooMuch.bytes())
                   .add("marker.ogf", ogf(marker))
                   .add("format.ogf", ogf(format))
                   .add("noruns.ogf", ogf(noRuns))
                   .add("fewruns.ogf", ogf(fewRuns))
                   .add("nowidth.ogf", ogf(noWidth))
                   .add("toohigh.ogf", ogf(tooHigh))
                   .add("huge.ogf", ogf(huge))
                   .add("wide.ogf", ogf(solidImage(maxTextureSide, 1, 0xFFFF)))
                   .add("unterminated.ogf", unterminated),
               table);

    expectMessage("Incorrect OGF header", [&] { load("marker"); });
    expectMessage("Incorrect OGF header", [&] { load("format"); });
    expectMessage("Tried to read past limit", [&] { load("noruns"); });
    expectMessage("Tried to read past limit", [&] { load("fewruns"); });
    expectMessage("Bad OGF image size", [&] { load("nowidth"); });
    expectMessage("Bad OGF image size", [&] { load("toohigh"); });
    expectMessage("Tried to read past limit", [&] { load("huge"); });
    expectMessage("Tried to read past limit", [&] { load("unterminated"); });
    EXPECT_EQ(load("wide")->frames[0].width, maxTextureSide);
    expectMessage("Bad OGF image size", [&] { load("toomuch"); });
}

TEST_F(TextureDecoding, AMissingBitmapShowsTheNoFileImage) {
    TableWriter table;
    table.texture({.name = "Lost",
                   .fileName = "lost.ogf",
                   .alphaFactor = 0.25f,
                   .frameTime = 2.0f,
                   .slideU = 4.0f,
                   .slideV = -8.0f,
                   .flags = 0x00240040});
    useArchive(HogWriter().add("other.ogf", ogf(solidImage(1, 1, 0xFFFF))), table);

    const auto unknown = load("Nowhere");
    expectNoFileImage(*unknown);
    EXPECT_EQ(source, "");
    EXPECT_STREQ(unknown->name, "Nowhere");
    EXPECT_EQ(unknown->alphaFactor, 1.0f);
    EXPECT_EQ(unknown->frameRate, 1.0f);
    EXPECT_EQ(unknown->slideRateU, 0.0f);
    EXPECT_EQ(unknown->flags, 0x00400040u);
    const TextureFrame& image = unknown->frames[0];
    EXPECT_EQ(rowText(image, 0), "................");
    EXPECT_EQ(rowText(image, 2), "..#..#.####.....");
    EXPECT_EQ(rowText(image, 5), "..#.##.#..#.....");
    EXPECT_EQ(rowText(image, 9), "###.#.#...###...");
    EXPECT_EQ(rowText(image, 15), "#...#.###.###...");
    EXPECT_EQ(pixelAt(image, 0, 0), (Rgba{180, 180, 180, 255}));
    EXPECT_EQ(pixelAt(image, 2, 2), (Rgba{0, 0, 0, 255}));

    // The entry's properties stay, its periods not turned into rates.
    const auto lost = load("LOST");
    expectNoFileImage(*lost);
    EXPECT_STREQ(lost->name, "LOST");
    EXPECT_EQ(lost->alphaFactor, 0.25f);
    EXPECT_EQ(lost->frameRate, 2.0f);
    EXPECT_EQ(lost->slideRateU, 4.0f);
    EXPECT_EQ(lost->slideRateV, -8.0f);
    EXPECT_EQ(lost->flags, 0x00240040u);
}

TEST_F(TextureDecoding, NamesResolveThroughTheTableBeforeFileNames) {
    const OgfImage red = solidImage(1, 1, 0xFF00);
    const OgfImage green = solidImage(1, 1, 0xF0F0);
    const OgfImage blue = solidImage(1, 1, 0xF00F);
    TableWriter table;
    table.texture({.name = "Rock", .fileName = "stone.ogf", .frameTime = 0.5f, .slideU = 4.0f, .flags = 0x40});
    useArchive(HogWriter()
                   .add("rock.ogf", ogf(red))
                   .add("stone.ogf", ogf(green))
                   .add("plain", ogf(blue))
                   .add("plain.ogf", ogf(red))
                   .add("pulse.oaf", animation({red, green, blue}).bytes()),
               table);

    // The table's own name wins over a file called rock.ogf; periods become rates.
    const auto rock = load("ROCK");
    EXPECT_EQ(source, "stone.ogf");
    EXPECT_EQ(pixelAt(rock->frames[0], 0, 0), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(rock->frameRate, 2.0f);
    EXPECT_EQ(rock->slideRateU, 0.25f);
    EXPECT_EQ(rock->slideRateV, 0.0f);
    // Without an entry: the name itself, then with ".ogf", then ".oaf".
    EXPECT_EQ(pixelAt(load("plain")->frames[0], 0, 0), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(source, "plain");
    const auto pulse = load("pulse");
    EXPECT_EQ(source, "pulse.oaf");
    ASSERT_EQ(pulse->frameCount, 3);
    EXPECT_EQ(pixelAt(pulse->frames[2], 0, 0), (Rgba{0, 0, 255, 255}));
}

TEST_F(TextureDecoding, NamesWithPathSeparatorsNeverOpenFilesOnDisk) {
    const std::string onDisk = dir.write("disk.ogf", ogf(solidImage(1, 1, 0xFF00)));
    TableWriter table;
    table.texture({.name = "Pointer", .fileName = onDisk, .frameTime = 2.0f});
    useArchive(HogWriter().add("disk.ogf", ogf(solidImage(1, 1, 0xF0F0))), table);

    for (const std::string& name : {onDisk, dir.path("disk"), std::string("..\\disk.ogf"), std::string("Pointer")}) {
        const auto texture = load(name.c_str());
        expectNoFileImage(*texture);
        EXPECT_EQ(source, "") << name;
    }
    EXPECT_EQ(load("Pointer")->frameRate, 2.0f);  // the entry's, as for any missing bitmap
}
