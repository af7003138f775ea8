#include "relocation/key_spelling.h"

#include <vector>

#include "platform/registry/owned_key.h"
#include "relocation/names.h"
#include "relocation/product_paths.h"

std::vector<std::u16string> uninstallKeyNames(RegistryApi& api) {
    std::vector<std::u16string> names;
    RegistryHandle opened = kNoKey;
    if (api.regOpenKeyExW(kLocalMachine, api.widen(std::string(kUninstallParentKey).substr(1)).c_str(), kKeyRead,
                          &opened) != 0)
        return names;
    const OwnedKey parent(api, opened);
    KeyInfo info;
    if (api.regQueryInfoKeyA(parent.get(), &info) != 0) return names;
    std::vector<char16_t> name(info.maxSubkeyNameLength + 1);
    for (uint32_t index = 0; index < info.subkeyCount; ++index) {
        uint32_t length = static_cast<uint32_t>(name.size());
        if (api.regEnumKeyExW(parent.get(), index, name.data(), &length) == 0) names.emplace_back(name.data(), length);
    }
    return names;
}

std::string keySpelling(RegistryApi& api, const std::string& productName) {
    const std::u16string wanted = api.widen(productName);
    for (const std::u16string& found : uninstallKeyNames(api))
        if (sameName(found, wanted)) return api.narrow(found);
    return productName;
}
