#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "core/message.h"
#include "core/vector.h"

// The byte stream every reader goes through. Positions, lengths and counts are
// signed 32-bit, so no file or window may exceed 2^31 - 1 bytes. Failures are
// thrown as message texts.
class InFile {
public:
    virtual ~InFile() = default;
    virtual void write(const void* source, int32_t count) = 0;
    // Returns the number of bytes delivered; a short read is not an error here.
    virtual int32_t read(void* destination, int32_t count) = 0;
    virtual void seek(int32_t position) = 0;
    virtual int32_t tell() = 0;
    virtual int32_t size() = 0;
    virtual bool atEnd() = 0;
    virtual const char* name() = 0;
};

// A file on disk. Readers ask for a few bytes at a time, so the stream keeps
// its own read-ahead block over an unbuffered stdio handle: a field read is a
// copy out of that block, and a seek inside it costs no system call.
class StdioInFile : public InFile {
public:
    explicit StdioInFile(const char* path);
    ~StdioInFile() override;
    StdioInFile(const StdioInFile&) = delete;
    StdioInFile& operator=(const StdioInFile&) = delete;

    void write(const void* source, int32_t count) override;
    int32_t read(void* destination, int32_t count) override;
    void seek(int32_t position) override;
    int32_t tell() override;
    int32_t size() override;
    bool atEnd() override;
    const char* name() override;

    static constexpr int32_t blockSize = 32 * 1024;

private:
    std::FILE* file;
    char* path;
    uint8_t* block;
    int64_t blockPosition = 0;  // file position of block[0]; the handle stands at its end
    int32_t blockFill = 0;
    int32_t blockAt = 0;
    bool endReached = false;  // a read came up short, as stdio's end-of-file indicator
};

// A window of bounded length over another stream, starting at that stream's
// current position. Destroying it moves the inner stream to the window's end,
// which is how chunk readers skip what they do not read.
class LimitedInFile : public InFile {
public:
    LimitedInFile(InFile& inner, int32_t length);
    ~LimitedInFile() override;

    void write(const void* source, int32_t count) override;
    int32_t read(void* destination, int32_t count) override;
    void seek(int32_t position) override;
    int32_t tell() override;
    int32_t size() override;
    bool atEnd() override;
    const char* name() override;

protected:
    InFile* inner;
    int32_t base;
    int32_t remaining;
    int32_t ownsInner = 0;
};

// One entry of a HOG2 archive: a window over a private stream on the archive
// file, named "[archive path]entry name".
class HogEntryFile : public LimitedInFile {
public:
    // Takes ownership of `archiveFile`, which must stand at the entry's data.
    HogEntryFile(StdioInFile* archiveFile, int32_t length, const char* archivePath, const char* entryName);
    ~HogEntryFile() override;
    const char* name() override;

private:
    char* displayName;
};

// A heap copy of `text` (new[]), owned by the caller.
char* copyString(const char* text);
// Reads bytes up to and including the next 0 byte.
void skipString(InFile& stream);

// Little-endian field readers. Each value starts at zero, so a short read of
// a file on disk never leaves uninitialised bytes behind.
uint8_t readU8(InFile& stream);
int8_t readS8(InFile& stream);
uint16_t readU16(InFile& stream);
int16_t readS16(InFile& stream);
int32_t readS32(InFile& stream);
uint32_t readU32(InFile& stream);
float readFloat(InFile& stream);
Vector readVector(InFile& stream);
