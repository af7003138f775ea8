// Whole key trees: deleting a key with its subkeys, and moving a key to a new name.
// Names and data read from the registry travel through the wide calls, as the registry holds
// them, so that a product whose names or texts lie outside the ANSI code page moves intact.
#include <algorithm>
#include <vector>

#include "platform/registry/name_case.h"
#include "platform/registry/owned_key.h"
#include "platform/registry/registry.h"

bool TRegistry::eraseKeyTree(const std::string& path) {
    const ResolvedPath resolved = resolvePath(path);
    {
        OwnedKey key(api_, openHandle(path));
        if (key) eraseSubkeysOf(key.get());
    }
    return api_.regDeleteKeyA(baseKeyFor(resolved.relative), resolved.subPath.c_str()) == 0;
}

void TRegistry::eraseSubkeysOf(RegistryHandle key) {
    KeyInfo info;
    if (!queryKeyInfoOf(key, info)) return;
    std::vector<char16_t> name(info.maxSubkeyNameLength + 1);
    // From the highest index down, so that deleting one never moves those still to be visited.
    for (uint32_t index = info.subkeyCount; index-- > 0;) {
        uint32_t length = static_cast<uint32_t>(name.size());
        if (api_.regEnumKeyExW(key, index, name.data(), &length) != 0) continue;
        const std::u16string subkeyName(name.data(), length);
        {
            RegistryHandle opened = kNoKey;
            api_.regOpenKeyExW(key, subkeyName.c_str(), accessMask_, &opened);
            OwnedKey subkey(api_, opened);
            if (subkey) eraseSubkeysOf(subkey.get());
        }
        api_.regDeleteKeyW(key, subkeyName.c_str());
    }
}

void TRegistry::transplantKey(const std::string& source, const std::string& target, bool removeSource) {
    if (!hasKey(source) || hasKey(target)) return;
    // Copying a key into its own tree would never end, and removing the source would take the
    // copy with it. Moving it into one of its own ancestors (which a failed probe can take for
    // missing) would merge it there and then delete it with what it overwrote.
    if (liesInside(target, source) || liesInside(source, target)) return;
    OwnedKey sourceKey(api_, openHandle(source));
    if (!sourceKey) return;
    makeKey(target);
    OwnedKey targetKey(api_, openHandle(target));
    if (!targetKey) return;
    const bool valuesComplete = copyValues(sourceKey.get(), targetKey.get());
    const bool subkeysComplete = copySubkeys(sourceKey.get(), targetKey.get());
    // Anything left behind would be lost with the source; a duplicate is the worst case.
    if (removeSource && valuesComplete && subkeysComplete) eraseKeyTree(source);
}

std::string TRegistry::fullPathOf(const std::string& path) const {
    const ResolvedPath resolved = resolvePath(path);
    if (baseKeyFor(resolved.relative) == rootKey_) return resolved.subPath;
    return currentPath_ + "\\" + resolved.subPath;
}

bool TRegistry::liesInside(const std::string& inner, const std::string& outer) const {
    const std::vector<std::u16string> innerParts = keyPathComponents(api_.widen(fullPathOf(inner)));
    const std::vector<std::u16string> outerParts = keyPathComponents(api_.widen(fullPathOf(outer)));
    if (innerParts.size() < outerParts.size()) return false;
    for (size_t i = 0; i < outerParts.size(); ++i)
        if (foldNameCase(innerParts[i]) != foldNameCase(outerParts[i])) return false;
    return true;
}

// Returns whether the value was there to copy. A value with no data is copied too.
bool TRegistry::copyValue(RegistryHandle source, RegistryHandle target, const std::u16string& name) {
    const ValueInfo info = queryValueInfoOf(source, name);
    if (!info.ok) return false;
    const std::string messageName = api_.narrow(name);
    uint32_t registryType = info.registryType;
    const std::vector<uint8_t> data = readRawValue(source, name, info.size, registryType, messageName);
    writeRawValue(target, name, registryType, data.data(), static_cast<uint32_t>(data.size()));
    return true;
}

// Returns whether every value of source was copied.
bool TRegistry::copyValues(RegistryHandle source, RegistryHandle target) {
    KeyInfo info;
    if (!queryKeyInfoOf(source, info)) return false;
    // The unnamed default value first; it is usually not set, which is no failure.
    copyValue(source, target, std::u16string());
    bool complete = true;
    // Each value's name, type and bytes come in one call, into buffers sized once for the key:
    // under a registry served by another process every call is a round trip.
    std::vector<char16_t> name(info.maxValueNameLength + 1);
    std::vector<uint8_t> data(std::max<uint32_t>(info.maxDataLength, 1));
    for (uint32_t index = 0; index < info.valueCount; ++index) {
        uint32_t length = static_cast<uint32_t>(name.size());
        uint32_t registryType = 0;
        uint32_t size = static_cast<uint32_t>(data.size());
        if (api_.regEnumValueW(source, index, name.data(), &length, &registryType, data.data(), &size) == 0) {
            writeRawValue(target, std::u16string(name.data(), length), registryType, data.data(), size);
            continue;
        }
        // A value that grew since the key was measured, or a failed read: fetched on its own.
        length = static_cast<uint32_t>(name.size());
        if (api_.regEnumValueW(source, index, name.data(), &length) != 0 ||
            !copyValue(source, target, std::u16string(name.data(), length)))
            complete = false;
    }
    return complete;
}

// Returns whether every subkey of source was copied with its whole tree.
bool TRegistry::copySubkeys(RegistryHandle source, RegistryHandle target) {
    KeyInfo info;
    if (!queryKeyInfoOf(source, info)) return false;
    bool complete = true;
    std::vector<char16_t> name(info.maxSubkeyNameLength + 1);
    for (uint32_t index = 0; index < info.subkeyCount; ++index) {
        uint32_t length = static_cast<uint32_t>(name.size());
        if (api_.regEnumKeyExW(source, index, name.data(), &length) != 0) {
            complete = false;
            continue;
        }
        const std::u16string subkeyName(name.data(), length);
        RegistryHandle opened = kNoKey;
        api_.regOpenKeyExW(source, subkeyName.c_str(), accessMask_, &opened);
        OwnedKey subSource(api_, opened);
        if (!subSource) {
            complete = false;
            continue;
        }
        RegistryHandle created = kNoKey;
        if (api_.regCreateKeyExW(target, subkeyName.c_str(), kKeyAllAccess, &created) != 0)
            throw ERegistryException("Failed to create key " + api_.narrow(subkeyName));
        api_.regCloseKey(created);
        opened = kNoKey;
        api_.regOpenKeyExW(target, subkeyName.c_str(), accessMask_, &opened);
        OwnedKey subTarget(api_, opened);
        if (!subTarget) {
            complete = false;
            continue;
        }
        complete = copyValues(subSource.get(), subTarget.get()) && complete;
        complete = copySubkeys(subSource.get(), subTarget.get()) && complete;
    }
    return complete;
}
