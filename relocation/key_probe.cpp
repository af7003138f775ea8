#include "relocation/key_probe.h"

namespace {

// The registry calls take the path without the leading backslash.
std::u16string belowLocalMachine(RegistryApi& api, const std::string& absolutePath) {
    return api.widen(absolutePath.substr(1));
}

}  // namespace

ReadableKey openKeyForReading(RegistryApi& api, const std::string& absolutePath) {
    RegistryHandle opened = kNoKey;
    const int32_t result = api.regOpenKeyExW(kLocalMachine, belowLocalMachine(api, absolutePath).c_str(), kKeyRead, &opened);
    OwnedKey key(api, result == 0 ? opened : kNoKey);
    if (key) return {KeyProbe::present, std::move(key)};
    return {result == kErrorFileNotFound ? KeyProbe::absent : KeyProbe::unreadable, std::move(key)};
}

KeyProbe probeKey(RegistryApi& api, const std::string& absolutePath) {
    return openKeyForReading(api, absolutePath).probe;
}

OwnedKey openKeyForWriting(RegistryApi& api, const std::string& absolutePath) {
    RegistryHandle opened = kNoKey;
    const int32_t result =
        api.regOpenKeyExW(kLocalMachine, belowLocalMachine(api, absolutePath).c_str(), kKeyAllAccess, &opened);
    return OwnedKey(api, result == 0 ? opened : kNoKey);
}
