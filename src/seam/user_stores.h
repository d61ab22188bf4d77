#pragma once

#include <memory>

#include "seam/option_store.h"
#include "seam/registry_reader.h"

// What a program without a saver window (kvtool) needs of the platform to find
// the game as the saver does: the user's option store, for the chosen game_dir,
// and the system's registry where it has one.
struct UserStores {
    std::unique_ptr<OptionStore> options;
    std::unique_ptr<RegistryReader> registry;  // null where the system has no registry
};

// Windows: the options key and the registry. Linux: the settings file.
UserStores openUserStores();
