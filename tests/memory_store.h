#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "options/settings.h"

// A registry key in memory: values keep their data length, reads follow the
// registry's rule (succeed only when the data fits the asked size).
class MemoryStore : public OptionStore {
public:
    bool exists = true;
    bool writable = true;
    std::map<std::string, std::vector<uint8_t>> values;
    std::vector<std::string> readOrder;

    bool openForReading() override { return exists; }
    bool readValue(const char* name, void* data, uint32_t size) override {
        readOrder.push_back(name);
        auto it = values.find(name);
        if (it == values.end() || it->second.size() > size) return false;
        std::memcpy(data, it->second.data(), it->second.size());
        return true;
    }
    bool openForWriting() override { return writable; }
    void writeValue(const char* name, const void* data, uint32_t size) override {
        const auto* bytes = static_cast<const uint8_t*>(data);
        values[name] = std::vector<uint8_t>(bytes, bytes + size);
        exists = true;
    }
    std::map<std::string, std::string> texts;
    bool readText(const char* name, std::string& text) override {
        readOrder.push_back(name);
        const auto it = texts.find(name);
        if (it == texts.end()) return false;
        text = it->second;
        return true;
    }
    void writeText(const char* name, const std::string& text) override {
        if (text.empty()) texts.erase(name);
        else texts[name] = text;
        exists = true;
    }
    void close() override {}
};
