#pragma once
// A product's name as its key spells it: the registry matches names without regard to case, and
// the restore must give the folder and the key back the very name they had.
#include <string>
#include <vector>

#include "platform/registry/registry_api.h"

// The name as the product's key spells it below the uninstall key (names match without regard to
// case); the name as given when no key matches or the key cannot be listed.
std::string keySpelling(RegistryApi& api, const std::string& productName);

// The names directly below the uninstall key, as the registry spells them; none when it cannot be
// listed.
std::vector<std::u16string> uninstallKeyNames(RegistryApi& api);
