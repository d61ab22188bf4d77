#include "seam/user_stores.h"

#include "options/file_option_store.h"

UserStores openUserStores() { return {std::make_unique<FileOptionStore>(defaultSettingsPath()), nullptr}; }
