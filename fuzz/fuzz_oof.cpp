// Any bytes as an OOF model; its textures are looked up in the demo archive.
#include "fuzz_support.h"
#include "model/poly_model.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    useDemoArchive();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath("model.oof");
    writeScratch(path, data, size);
    try {
        StdioInFile stream(path.c_str());
        PolyModel model(stream);
    } catch (Message) {
    }
    return 0;
}
