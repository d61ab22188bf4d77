#include "data/kv_path.h"

#include <cstring>

KVPath searchPath;

KVPath::~KVPath() { reset(0); }

void KVPath::reset(int32_t newCapacity) {
    for (int32_t i = 0; i < count; ++i) delete archives[i];
    delete[] archives;
    capacity = newCapacity < 0 ? 0 : newCapacity;
    count = 0;
    archives = new Archive*[capacity > 0 ? capacity : 1]();
}

void KVPath::add(Archive* archive) {
    if (count >= capacity) {
        delete archive;  // it was handed over; nobody else will release it
        fail("KVPath is full");
    }
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
