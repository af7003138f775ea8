#pragma once
// A whole key tree read through the wide calls, exactly as the registry holds it: every value's
// type and bytes and every subkey, so that a move can be compared byte for byte.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/registry/registry_api.h"

// Read rights only (KEY_READ): a snapshot sees keys that may not be written, and changes nothing.

struct ValueSnapshot {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    bool operator==(const ValueSnapshot& other) const { return type == other.type && data == other.data; }
};

// Values compare without regard to their order, which differs between Windows and Wine; subkeys
// also by the order and number of times the registry lists them, so that a key listed twice or
// out of place shows.
struct KeySnapshot {
    bool exists = false;
    std::map<std::u16string, ValueSnapshot> values;  // the default value under the empty name
    std::map<std::u16string, KeySnapshot> subkeys;
    std::vector<std::u16string> subkeysListed;  // as enumerated, index by index
    bool operator==(const KeySnapshot& other) const {
        return exists == other.exists && values == other.values && subkeys == other.subkeys &&
               subkeysListed == other.subkeysListed;
    }
};

inline KeySnapshot snapshotOpenKey(RegistryApi& api, RegistryHandle key) {
    KeySnapshot snapshot;
    snapshot.exists = true;
    std::vector<char16_t> name(16384);
    for (uint32_t index = 0;; ++index) {
        uint32_t length = static_cast<uint32_t>(name.size());
        if (api.regEnumValueW(key, index, name.data(), &length) != 0) break;
        const std::u16string valueName(name.data(), length);
        ValueSnapshot value;
        uint32_t size = 0;
        api.regQueryValueExW(key, valueName.c_str(), &value.type, nullptr, &size);
        value.data.resize(size);
        api.regQueryValueExW(key, valueName.c_str(), &value.type, value.data.data(), &size);
        value.data.resize(size);
        snapshot.values[valueName] = value;
    }
    for (uint32_t index = 0;; ++index) {
        uint32_t length = static_cast<uint32_t>(name.size());
        if (api.regEnumKeyExW(key, index, name.data(), &length) != 0) break;
        const std::u16string subkeyName(name.data(), length);
        snapshot.subkeysListed.push_back(subkeyName);
        RegistryHandle subkey = kNoKey;
        if (api.regOpenKeyExW(key, subkeyName.c_str(), kKeyRead, &subkey) != 0) continue;
        snapshot.subkeys[subkeyName] = snapshotOpenKey(api, subkey);
        api.regCloseKey(subkey);
    }
    return snapshot;
}

// The tree below root at an ANSI path without a leading backslash; exists is false when missing.
inline KeySnapshot snapshotKey(RegistryApi& api, RegistryHandle root, const std::string& path) {
    RegistryHandle key = kNoKey;
    if (api.regOpenKeyExW(root, api.widen(path).c_str(), kKeyRead, &key) != 0) return KeySnapshot{};
    KeySnapshot snapshot = snapshotOpenKey(api, key);
    api.regCloseKey(key);
    return snapshot;
}
