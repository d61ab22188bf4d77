#pragma once

#include <windows.h>

#include "options/settings.h"

// The options in the current user's registry, under Software\kestrow\kvss:
// each value a REG_DWORD with the data length the option table gives it.
class RegistryOptionStore : public OptionStore {
public:
    ~RegistryOptionStore() override { close(); }

    bool openForReading() override;
    bool readValue(const char* name, void* data, uint32_t size) override;
    bool openForWriting() override;
    void writeValue(const char* name, const void* data, uint32_t size) override;
    // A REG_SZ value (REG_EXPAND_SZ too, unexpanded).
    bool readText(const char* name, std::string& text) override;
    // REG_SZ; an empty text deletes the value.
    void writeText(const char* name, const std::string& text) override;
    void close() override;

private:
    HKEY key_ = nullptr;
};

inline constexpr const char* optionsKey = "Software\\kestrow\\kvss";
