#include "data/in_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>

// ---------------------------------------------------------------- StdioInFile

StdioInFile::StdioInFile(const char* path_) : file(std::fopen(path_, "rb")), path(nullptr), block(nullptr) {
    if (file == nullptr) fail("Couldn't open file");
    // A directory opens for reading on some systems but never delivers a byte
    // nor reaches its end; reading loops would spin on it.
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        fail("Couldn't open file");
    }
    // The block below does the buffering; stdio's own would copy every byte twice.
    std::setvbuf(file, nullptr, _IONBF, 0);
    try {
        path = copyString(path_);
        block = new uint8_t[blockSize];
    } catch (...) {
        std::fclose(file);
        delete[] path;
        throw;
    }
}

StdioInFile::~StdioInFile() {
    std::fclose(file);
    delete[] path;
    delete[] block;
}

void StdioInFile::write(const void*, int32_t) { fail("Can't write to StdioInFile"); }

int32_t StdioInFile::read(void* destination, int32_t count) {
    if (count <= 0) return 0;
    auto* out = static_cast<uint8_t*>(destination);
    int32_t wanted = count;
    while (wanted > 0) {
        const int32_t available = blockFill - blockAt;
        if (available > 0) {
            const int32_t take = std::min(available, wanted);
            std::memcpy(out, block + blockAt, static_cast<size_t>(take));
            blockAt += take;
            out += take;
            wanted -= take;
            continue;
        }
        if (endReached) break;
        blockPosition += blockFill;
        blockFill = blockAt = 0;
        if (wanted >= blockSize) {
            // A large read goes straight into the caller's buffer.
            const auto got = static_cast<int32_t>(std::fread(out, 1, static_cast<size_t>(wanted), file));
            blockPosition += got;
            out += got;
            wanted -= got;
            break;
        }
        blockFill = static_cast<int32_t>(std::fread(block, 1, blockSize, file));
        // Nothing more (the end, or a read error): the stream ends here, so no
        // reading loop waits on it.
        if (blockFill == 0) break;
    }
    if (wanted > 0) endReached = true;
    return count - wanted;
}

void StdioInFile::seek(int32_t position) {
    if (position >= blockPosition && position <= blockPosition + blockFill) {
        blockAt = static_cast<int32_t>(position - blockPosition);
    } else {
        // A negative position is refused by the C library and leaves the stream where it was.
        if (position < 0 || std::fseek(file, position, SEEK_SET) != 0) fail("Tried to seek to invalid index");
        blockPosition = position;
        blockFill = blockAt = 0;
    }
    endReached = false;
}

int32_t StdioInFile::tell() { return static_cast<int32_t>(blockPosition + blockAt); }

int32_t StdioInFile::size() {
    struct stat info {};
    if (fstat(fileno(file), &info) != 0) return tell();
    return static_cast<int32_t>(info.st_size);
}

bool StdioInFile::atEnd() { return endReached; }

const char* StdioInFile::name() { return path; }

// -------------------------------------------------------------- LimitedInFile

LimitedInFile::LimitedInFile(InFile& inner_, int32_t length)
    : inner(&inner_), base(inner_.tell()), remaining(length) {
    // A negative length (a hostile chunk or record header) would make the
    // destructor step backwards and a chunk loop read the same bytes forever.
    if (length < 0) {
        remaining = 0;
        fail("Tried to read past limit");
    }
}

LimitedInFile::~LimitedInFile() {
    if (ownsInner) {
        delete inner;
        return;
    }
    if (remaining == 0) return;
    // A window may claim more than its inner stream still holds; then the inner
    // stream refuses the skip, and it stays at its own end. A destructor must not throw.
    try {
        // 64-bit: a hostile length must not overflow the position.
        const int64_t end = int64_t{inner->tell()} + remaining;
        inner->seek(static_cast<int32_t>(std::min<int64_t>(end, INT32_MAX)));
    } catch (Message) {
    }
}

void LimitedInFile::write(const void* source, int32_t count) {
    if (count > remaining) {
        if (remaining > 0) write(source, remaining);
        fail("Tried to write past limit");
    }
    if (count <= 0) return;
    inner->write(source, count);
    remaining -= count;
}

int32_t LimitedInFile::read(void* destination, int32_t count) {
    if (count > remaining) {
        if (remaining > 0) read(destination, remaining);
        fail("Tried to read past limit");
    }
    if (count <= 0) return 0;
    const int32_t delivered = inner->read(destination, count);
    remaining -= count;
    return delivered;
}

void LimitedInFile::seek(int32_t position) {
    if (position < 0) {
        seek(0);
        fail("Tried to seek past beginning");
    }
    const int32_t current = tell();
    // 64-bit: a hostile position must not overflow the comparison.
    if (static_cast<int64_t>(position) - current > remaining) {
        seek(current + remaining);
        fail("Tried to seek past limit");
    }
    inner->seek(base + position);
    remaining = remaining + current - tell();
}

int32_t LimitedInFile::tell() { return inner->tell() - base; }

int32_t LimitedInFile::size() { return tell() + remaining; }

bool LimitedInFile::atEnd() { return remaining == 0; }

const char* LimitedInFile::name() { return inner->name(); }

// --------------------------------------------------------------- HogEntryFile

HogEntryFile::HogEntryFile(StdioInFile* archiveFile, int32_t length, const char* archivePath,
                           const char* entryName)
    : LimitedInFile(*archiveFile, length), displayName(nullptr) {
    const std::string text = std::string("[") + archivePath + "]" + entryName;
    displayName = copyString(text.c_str());
    // Last, once nothing can throw: until here the caller still owns the file,
    // and a failed constructor must not destroy it a second time.
    ownsInner = 1;
}

HogEntryFile::~HogEntryFile() { delete[] displayName; }

const char* HogEntryFile::name() { return displayName; }

// ------------------------------------------------------------------ utilities

char* copyString(const char* text) {
    const size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

void skipString(InFile& stream) {
    // A stream on disk that ends without the 0 byte stops at its end.
    for (;;) {
        uint8_t byte = 0;
        if (stream.read(&byte, 1) != 1 && stream.atEnd()) return;
        if (byte == 0) return;
    }
}

namespace {
template <int N>
void readBytes(InFile& stream, uint8_t (&bytes)[N]) {
    for (auto& b : bytes) b = 0;
    stream.read(bytes, N);
}
}  // namespace

uint8_t readU8(InFile& stream) {
    uint8_t b[1];
    readBytes(stream, b);
    return b[0];
}

int8_t readS8(InFile& stream) { return static_cast<int8_t>(readU8(stream)); }

uint16_t readU16(InFile& stream) {
    uint8_t b[2];
    readBytes(stream, b);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

int16_t readS16(InFile& stream) { return static_cast<int16_t>(readU16(stream)); }

uint32_t readU32(InFile& stream) {
    uint8_t b[4];
    readBytes(stream, b);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
}

int32_t readS32(InFile& stream) { return static_cast<int32_t>(readU32(stream)); }

float readFloat(InFile& stream) {
    const uint32_t bits = readU32(stream);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

Vector readVector(InFile& stream) {
    Vector v;
    v.x = readFloat(stream);
    v.y = readFloat(stream);
    v.z = readFloat(stream);
    return v;
}
