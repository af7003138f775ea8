#include "relocation/key_writable.h"

#include "platform/registry/owned_key.h"
#include "relocation/key_probe.h"
#include "relocation/product_paths.h"

namespace {

constexpr int32_t kErrorNoMoreItems = 259;

// Every key below this one opens with the rights a move by copying opens it with (the registry
// object's full access: read to copy it, DELETE to remove it). A subkey locked by its own DACL
// would otherwise stop the copy half-way, after the folder has moved.
bool treeMovable(RegistryApi& api, const OwnedKey& key) {
    for (uint32_t index = 0;; ++index) {
        char16_t name[256];
        uint32_t length = 256;
        const int32_t listed = api.regEnumKeyExW(key.get(), index, name, &length);
        if (listed == kErrorNoMoreItems) return true;
        if (listed != 0) return false;
        RegistryHandle opened = kNoKey;
        const std::u16string subkeyName(name, length);
        const int32_t result = api.regOpenKeyExW(key.get(), subkeyName.c_str(), kKeyAllAccess, &opened);
        const OwnedKey subkey(api, result == 0 ? opened : kNoKey);
        if (!subkey || !treeMovable(api, subkey)) return false;
    }
}

}  // namespace

bool productKeyWritable(RegistryApi& api, const std::string& productName) {
    if (!openKeyForWriting(api, kUninstallParentKey)) return false;
    const OwnedKey productKey = openKeyForWriting(api, uninstallKeyPath(productName));
    return productKey && treeMovable(api, productKey);
}
