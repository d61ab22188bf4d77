#pragma once

#include <cstdint>
#include <string>

// Where each user's options are kept. Windows: the registry key
// HKCU\Software\kestrow\kvss (RegistryOptionStore); Linux: the settings file
// (FileOptionStore). loadSettings and saveSettings call it in table order:
// the saver when its window is created, the settings dialog when it opens and
// on OK, kvss --save-settings and kvtool find-game.
// Its rules are the registry's: a read asks for at most `size` bytes and
// succeeds only when the stored data fits.
class OptionStore {
public:
    virtual ~OptionStore() = default;
    // False when there is nothing to read (the key or file does not exist).
    virtual bool openForReading() = 0;
    // Copies the value's data into `data` and returns true when it exists and
    // its data is at most `size` bytes; otherwise leaves `data` alone.
    virtual bool readValue(const char* name, void* data, uint32_t size) = 0;
    // False when the store cannot be created or opened for writing.
    virtual bool openForWriting() = 0;
    // Stores `size` bytes as a 32-bit number value (the data length is kept).
    virtual void writeValue(const char* name, const void* data, uint32_t size) = 0;
    // A text value (a string in the registry): true, with `text`, when it holds one.
    virtual bool readText(const char* name, std::string& text) = 0;
    // Stores a text value; an empty text removes the value.
    virtual void writeText(const char* name, const std::string& text) = 0;
    // Ends a read or a write; a write is committed here.
    virtual void close() = 0;
};

// A store that holds nothing and takes nothing: for runs whose options come
// from the caller (offscreen rendering, tests).
class NullOptionStore : public OptionStore {
public:
    bool openForReading() override { return false; }
    bool readValue(const char*, void*, uint32_t) override { return false; }
    bool openForWriting() override { return false; }
    void writeValue(const char*, const void*, uint32_t) override {}
    bool readText(const char*, std::string&) override { return false; }
    void writeText(const char*, const std::string&) override {}
    void close() override {}
};

