// Any bytes as an OGF image and as an OAF animation, decoded as textures.
#include "data/game_table.h"
#include "forge/hog_writer.h"
#include "fuzz_support.h"
#include "textures/texture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath("bitmap.hog");
    searchPath.reset(0);
    const Bytes bytes(data, data + size);
    HogWriter().add("fuzz.ogf", bytes).add("fuzz.oaf", bytes).write(path);
    useArchive(path);
    for (const char* name : {"fuzz.ogf", "fuzz.oaf"}) {
        try {
            Texture texture;
            loadTextureImages(texture, name);
        } catch (Message) {
        }
    }
    return 0;
}
