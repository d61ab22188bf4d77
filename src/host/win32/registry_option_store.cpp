#include "host/win32/registry_option_store.h"

#include <cstring>

bool RegistryOptionStore::openForReading() {
    close();
    if (RegOpenKeyExA(HKEY_CURRENT_USER, optionsKey, 0, KEY_QUERY_VALUE, &key_) == ERROR_SUCCESS) return true;
    key_ = nullptr;
    return false;
}

bool RegistryOptionStore::readValue(const char* name, void* data, uint32_t size) {
    // A value too long for the buffer leaves the buffer's content undefined, so
    // read beside the option and copy only what fitted.
    BYTE buffer[sizeof(uint32_t)] = {};
    DWORD length = size;
    if (key_ == nullptr || size > sizeof buffer) return false;
    if (RegQueryValueExA(key_, name, nullptr, nullptr, buffer, &length) != ERROR_SUCCESS) return false;
    std::memcpy(data, buffer, length);
    return true;
}

bool RegistryOptionStore::openForWriting() {
    close();
    char noClass[] = "";
    if (RegCreateKeyExA(HKEY_CURRENT_USER, optionsKey, 0, noClass, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key_,
                        nullptr) == ERROR_SUCCESS)
        return true;
    key_ = nullptr;
    return false;
}

void RegistryOptionStore::writeValue(const char* name, const void* data, uint32_t size) {
    if (key_ != nullptr) RegSetValueExA(key_, name, 0, REG_DWORD, static_cast<const BYTE*>(data), size);
}

bool RegistryOptionStore::readText(const char* name, std::string& text) {
    // A path longer than Windows' longest is no folder of the game.
    char buffer[32768];
    DWORD type = 0, length = sizeof buffer;
    if (key_ == nullptr ||
        RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &length) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    text.assign(buffer, strnlen(buffer, length));
    return !text.empty();
}

void RegistryOptionStore::writeText(const char* name, const std::string& text) {
    if (key_ == nullptr) return;
    if (text.empty()) {
        RegDeleteValueA(key_, name);
        return;
    }
    RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}

void RegistryOptionStore::close() {
    if (key_ == nullptr) return;
    RegCloseKey(key_);
    key_ = nullptr;
}
