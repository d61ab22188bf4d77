#pragma once

#include "seam/registry_reader.h"

// The game finder's questions answered from this system's registry.
class Win32Registry : public RegistryReader {
public:
    std::optional<std::string> text(RegistryHive hive, const std::string& key, const std::string& name,
                                    RegistryView view) override;
    std::vector<std::string> subkeys(RegistryHive hive, const std::string& key, RegistryView view) override;
};
