// Any bytes as table.gam in an archive of its own: read its texture records.
#include "data/game_table.h"
#include "forge/hog_writer.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath("table.hog");
    searchPath.reset(0);
    HogWriter().add(gameTableName, Bytes(data, data + size)).write(path);
    useArchive(path);
    clearGameTable();
    try {
        loadGameTable(gameTableName);
        findTextureEntry("hullplate");
    } catch (Message) {
    }
    clearGameTable();
    return 0;
}
