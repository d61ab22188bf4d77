#pragma once

#include <optional>
#include <string>
#include <vector>

// What the game finder asks of a Windows registry, each time it looks for the
// game (the saver's and the viewer's start, the settings dialog, kvtool
// find-game): Windows answers from its own registry (Win32Registry), and a Wine
// prefix's system.reg answers the same questions on any platform, so the
// places in the registry are looked up by one piece of code.
// Key paths are relative to the hive, with backslashes ("Software\\Valve\\Steam");
// names match in any letter case, as Windows matches them.
enum class RegistryHive { localMachine, currentUser };
// 64-bit programs see two views of HKLM\Software: their own, and the 32-bit one
// (Software\Wow6432Node) where 32-bit installers write.
enum class RegistryView { native, wow32 };

class RegistryReader {
public:
    virtual ~RegistryReader() = default;
    // The data of the string value `name` (REG_SZ or REG_EXPAND_SZ, unexpanded) as
    // stored, bytes and any terminating NUL included, or nothing.
    virtual std::optional<std::string> text(RegistryHive hive, const std::string& key, const std::string& name,
                                            RegistryView view) = 0;
    // The names of the subkeys of `key`, in the store's order; none when it is missing.
    virtual std::vector<std::string> subkeys(RegistryHive hive, const std::string& key, RegistryView view) = 0;
};
