#include "relocation/key_contents.h"

#include <algorithm>

#include "platform/registry/name_case.h"
#include "platform/registry/owned_key.h"
#include "relocation/key_probe.h"

namespace {


RegistryHandle openForReading(RegistryApi& api, RegistryHandle base, const std::u16string& subPath) {
    RegistryHandle key = kNoKey;
    if (api.regOpenKeyExW(base, subPath.c_str(), kKeyRead, &key) != 0) return kNoKey;
    return key;
}

bool readValue(RegistryApi& api, RegistryHandle key, const std::u16string& name, KeyContents::Value& value) {
    uint32_t size = 0;
    if (api.regQueryValueExW(key, name.c_str(), &value.type, nullptr, &size) != 0) return false;
    value.data.assign(size, 0);
    return api.regQueryValueExW(key, name.c_str(), &value.type, value.data.data(), &size) == 0 &&
           size == value.data.size();
}

void readInto(RegistryApi& api, RegistryHandle key, KeyContents& contents, KeyDepth depth) {
    KeyInfo info;
    if (api.regQueryInfoKeyA(key, &info) != 0) {
        contents.complete = contents.valuesRead = false;
        return;
    }
    std::vector<char16_t> name(std::max(info.maxValueNameLength, info.maxSubkeyNameLength) + 1);
    for (uint32_t index = 0; index < info.valueCount; ++index) {
        uint32_t length = static_cast<uint32_t>(name.size());
        KeyContents::Value value;
        if (api.regEnumValueW(key, index, name.data(), &length) != 0 ||
            !readValue(api, key, value.name = std::u16string(name.data(), length), value)) {
            contents.complete = contents.valuesRead = false;
            continue;
        }
        contents.values[foldNameCase(value.name)] = std::move(value);
    }
    if (depth == KeyDepth::ownValues) {
        contents.complete = false;
        return;
    }
    for (uint32_t index = 0; index < info.subkeyCount; ++index) {
        uint32_t length = static_cast<uint32_t>(name.size());
        if (api.regEnumKeyExW(key, index, name.data(), &length) != 0) {
            contents.complete = false;
            continue;
        }
        const std::u16string subkeyName(name.data(), length);
        OwnedKey subkey(api, openForReading(api, key, subkeyName));
        KeyContents& below = contents.subkeys[foldNameCase(subkeyName)];
        if (!subkey) {
            below.complete = false;
        } else {
            readInto(api, subkey.get(), below, depth);
        }
        contents.complete = contents.complete && below.complete;
    }
}

}  // namespace

const KeyContents::Value* KeyContents::value(const std::u16string& name) const {
    const auto found = values.find(foldNameCase(name));
    return found == values.end() ? nullptr : &found->second;
}

std::optional<KeyContents> readKeyContents(RegistryApi& api, const std::string& absolutePath, KeyDepth depth) {
    const ReadableKey key = openKeyForReading(api, absolutePath);
    if (key.probe == KeyProbe::absent) return std::nullopt;
    KeyContents contents;
    if (key.probe == KeyProbe::unreadable) {
        contents.complete = contents.valuesRead = false;
        return contents;
    }
    readInto(api, key.key.get(), contents, depth);
    return contents;
}

bool holdsAllOf(const KeyContents& holder, const KeyContents& wanted) {
    if (!holder.complete || !wanted.complete) return false;
    for (const auto& [name, value] : wanted.values) {
        const auto held = holder.values.find(name);
        if (held == holder.values.end() || !(held->second == value)) return false;
    }
    for (const auto& [name, subkey] : wanted.subkeys) {
        const auto held = holder.subkeys.find(name);
        if (held == holder.subkeys.end() || !holdsAllOf(held->second, subkey)) return false;
    }
    return true;
}
