// Any bytes as a HOG2 archive: open it, then open and read every entry.
#include <memory>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath("fuzz.hog");
    writeScratch(path, data, size);
    try {
        HogFile hog(path.c_str());
        for (int32_t i = 0; i < hog.entryCount; ++i) {
            try {
                std::unique_ptr<InFile> entry(hog.open(hog.entries[i].name));
                uint8_t buffer[512];
                while (entry->read(buffer, sizeof buffer) > 0) {
                }
                entry->seek(entry->size() / 2);
                entry->read(buffer, 1);
            } catch (Message) {
            }
        }
    } catch (Message) {
    }
    return 0;
}
