#include "forge/demo_archive.h"

#include "forge/table_writer.h"

namespace {
// The game table of the demo: the texture records its models and bitmaps use,
// among records of other kinds that the saver skips, as in the game's own table.
Bytes demoTable() {
    TableWriter table;
    table.record(2, 1, Bytes(40, 0x11));
    table.texture({.name = "Hull Plate", .fileName = "hullplate.ogf", .thirdText = "metal"});
    table.texture({.name = "Pale White Rock", .fileName = "PaleWhiteRock001.ogf", .thirdText = "rock"});
    table.texture({.name = "Engine Glow",
                   .fileName = "engineglow.oaf",
                   .thirdText = "effect",
                   .alphaFactor = 0.9f,
                   .frameTime = 0.8f,
                   .flags = 0x00640040});
    table.texture({.name = "Running Lights",
                   .fileName = "runlights.ogf",
                   .thirdText = "effect",
                   .slideU = 4.0f,
                   .flags = 0x00600040});
    table.record(1, 3, Bytes(12, 0x22));
    return table.bytes();
}
}  // namespace

HogWriter demoArchive() {
    HogWriter archive;
    archive.add("table.gam", demoTable());
    return archive;
}
