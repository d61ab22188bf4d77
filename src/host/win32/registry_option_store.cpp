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

void RegistryOptionStore::close() {
    if (key_ == nullptr) return;
    RegCloseKey(key_);
    key_ = nullptr;
}
