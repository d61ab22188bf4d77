#include "seam/user_stores.h"

#include "host/win32/registry_option_store.h"
#include "host/win32/win32_registry.h"

UserStores openUserStores() { return {std::make_unique<RegistryOptionStore>(), std::make_unique<Win32Registry>()}; }
