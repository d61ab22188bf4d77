#pragma once

#include <cstdint>
#include <memory>

#include "data/hog_file.h"

// The search path: every data file is opened by name through it.
class KVPath {
public:
    KVPath() { reset(0); }
    ~KVPath();
    KVPath(const KVPath&) = delete;
    KVPath& operator=(const KVPath&) = delete;

    // Makes room for `capacity` archives. Archives already held are released.
    void reset(int32_t capacity);
    // Takes ownership of `archive`; when full, throws "KVPath is full" and the
    // archive stays the caller's.
    void add(Archive* archive);
    // A new stream on `name`, owned by the caller. A name with "/" or "\" is a
    // path on disk; any other name is looked up in the archives in order. Names
    // read from an archive's own table must not come here: open them through
    // the archive (HogFile::open), which never reaches the disk.
    InFile* open(const char* name);

    int32_t capacity = 0;
    int32_t count = 0;
    Archive** archives = nullptr;

private:
    // Destroys every archive held and the array; leaves capacity 0 and no array.
    void release();
};

// The one search path of the process.
extern KVPath searchPath;
