#include "forge/demo_archive.h"

#include "data/game_table.h"
#include "forge/demo_bitmaps.h"
#include "forge/demo_models.h"
#include "forge/table_writer.h"

namespace {
constexpr uint32_t animated = 0x40;
constexpr uint32_t backAndForth = 0x40000;
constexpr uint32_t additive = 0x200000;
constexpr uint32_t usesAlpha = 0x400000;

// The game table of the demo: the texture records its models use, among records
// of other kinds that the saver skips, as in the game's own table.
Bytes demoTable() {
    TableWriter table;
    table.record(2, 1, Bytes(40, 0x11));
    table.texture({.name = "Hull Plate", .fileName = "hullplate.ogf", .thirdText = "metal", .flags = 0});
    table.texture({.name = "Pale White Rock", .fileName = "PaleWhiteRock001.ogf", .thirdText = "rock", .flags = 0});
    table.texture({.name = "Engine Glow",
                   .fileName = "engineglow.oaf",
                   .thirdText = "effect",
                   .frameTime = 0.6f,
                   .flags = animated | backAndForth | additive | usesAlpha});
    table.texture({.name = "Running Lights", .fileName = "runlights.ogf", .thirdText = "effect", .slideU = 4.0f,
                   .flags = additive});
    table.texture({.name = "Beacon Glow", .fileName = "beaconglow.ogf", .thirdText = "effect",
                   .flags = additive | usesAlpha});
    table.record(1, 3, Bytes(12, 0x22));
    table.texture({.name = "Solar Panel", .fileName = "solarpanel.ogf", .thirdText = "metal", .flags = 0});
    table.texture({.name = "Glass", .fileName = "glass.ogf", .thirdText = "glass", .flags = 0});
    // Its bitmap is not in the archive: faces that use it show the NO FILE image.
    table.texture({.name = "Cargo Stencil", .fileName = "cargo_stencil.ogf", .thirdText = "decal", .flags = 0});
    return table.bytes();
}
}  // namespace

HogWriter demoArchive() {
    HogWriter archive;
    archive.add(gameTableName, demoTable());
    archive.add("hullplate.ogf", hullPlateBitmap());
    archive.add("PaleWhiteRock001.ogf", paleRockBitmap());
    archive.add("engineglow.oaf", engineGlowAnimation());
    archive.add("runlights.ogf", runningLightsBitmap());
    archive.add("beaconglow.ogf", beaconGlowBitmap());
    archive.add("solarpanel.ogf", solarPanelBitmap());
    archive.add("glass.ogf", glassBitmap());
    archive.add("vanguard.oof", vanguardModel());
    archive.add("relay.oof", relayModel());
    archive.add("harvester.oof", harvesterModel());
    archive.add("asteroid.oof", asteroidModel());
    archive.add("lance.oof", lanceModel());
    archive.add("lighthouse.oof", lighthouseModel());
    return archive;
}
