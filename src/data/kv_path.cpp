#include "data/kv_path.h"

#include <cstring>

KVPath searchPath;

KVPath::~KVPath() { release(); }

void KVPath::release() {
    for (int32_t i = 0; i < count; ++i) delete archives[i];
    delete[] archives;
    archives = nullptr;
    capacity = 0;
    count = 0;
}

void KVPath::reset(int32_t newCapacity) {
    release();
    // An empty path holds no array, so that the one built before the program
    // starts, and the one left at exit, own nothing.
    if (newCapacity > 0) archives = new Archive*[newCapacity]();
    capacity = newCapacity > 0 ? newCapacity : 0;
}

void KVPath::add(Archive* archive) {
    // A refused archive stays the caller's.
    if (count >= capacity) fail("KVPath is full");
    archives[count++] = archive;
}

InFile* KVPath::open(const char* name) {
    if (std::strchr(name, '/') != nullptr || std::strchr(name, '\\') != nullptr) return new StdioInFile(name);
    for (int32_t i = 0; i < count; ++i) {
        try {
            return archives[i]->open(name);
        } catch (Message) {
            // Absent from this archive (or the archive is gone): try the next.
        }
    }
    fail("File not found");
}
