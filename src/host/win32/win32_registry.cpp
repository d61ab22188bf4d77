#include "host/win32/win32_registry.h"

#include <windows.h>

namespace {
// Longer data is no path, and a store with more keys than this is not read to its end.
constexpr DWORD maxValueBytes = 32768;
constexpr DWORD maxSubkeys = 4096;

HKEY openKey(RegistryHive hive, const std::string& key, RegistryView view) {
    const HKEY root = hive == RegistryHive::localMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    REGSAM access = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;
    // A 32-bit installer on 64-bit Windows writes its keys in the 32-bit view.
    if (view == RegistryView::wow32) access |= KEY_WOW64_32KEY;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, access, &opened) != ERROR_SUCCESS) return nullptr;
    return opened;
}
}  // namespace

std::optional<std::string> Win32Registry::text(RegistryHive hive, const std::string& key, const std::string& name,
                                               RegistryView view) {
    const HKEY opened = openKey(hive, key, view);
    if (opened == nullptr) return std::nullopt;
    std::string data(maxValueBytes, '\0');
    DWORD type = 0, size = maxValueBytes;
    const LONG read = RegQueryValueExA(opened, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(opened);
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    data.resize(size);
    return data;
}

std::vector<std::string> Win32Registry::subkeys(RegistryHive hive, const std::string& key, RegistryView view) {
    std::vector<std::string> names;
    const HKEY opened = openKey(hive, key, view);
    if (opened == nullptr) return names;
    for (DWORD i = 0; i < maxSubkeys; ++i) {
        char name[256];  // the longest key name Windows allows, with its 0
        DWORD length = sizeof name;
        if (RegEnumKeyExA(opened, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    RegCloseKey(opened);
    return names;
}
