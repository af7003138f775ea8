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
    return api_.regDeleteKeyW(baseKeyFor(resolved.relative), api_.widen(resolved.subPath).c_str()) == 0;
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
    if (mayMove(source, target)) copyTree(source, target, removeSource);
}

bool TRegistry::moveKey(const std::string& source, const std::string& target) {
    if (!mayMove(source, target)) return true;
    if (renameInPlace(source, target)) return true;
    // A rename that fails changes nothing, whatever the reason: the key moves by copying.
    return copyTree(source, target, true);
}

bool TRegistry::mayMove(const std::string& source, const std::string& target) {
    if (!hasKey(source) || hasKey(target)) return false;
    // Copying a key into its own tree would never end, and removing the source would take the
    // copy with it. Moving it into one of its own ancestors (which a failed probe can take for
    // missing) would merge it there and then delete it with what it overwrote.
    return !liesInside(target, source) && !liesInside(source, target);
}

// A rename moves the key in one call, in place: every value and subkey stays as it is, byte for
// byte, and the key keeps what a copy would reset (its security, class and time stamps). It
// needs the target beside the source. When the open key lies inside the source, the move goes
// the copy's way: renamed, the open key would live on under a path this cursor no longer knows.
bool TRegistry::renameInPlace(const std::string& source, const std::string& target) {
    const std::vector<std::u16string> sourceNames = pathNames(source);
    const std::vector<std::u16string> targetNames = pathNames(target);
    if (sourceNames.empty() || targetNames.size() != sourceNames.size()) return false;
    for (size_t i = 0; i + 1 < sourceNames.size(); ++i)
        if (foldNameCase(sourceNames[i]) != foldNameCase(targetNames[i])) return false;
    if (currentKey_ != kNoKey && liesInside("\\" + currentPath_, source)) return false;
    const ResolvedPath resolved = resolvePath(source);
    return api_.regRenameKey(baseKeyFor(resolved.relative), api_.widen(resolved.subPath).c_str(),
                             targetNames.back().c_str()) == 0;
}

// The source is removed only after every value and subkey was copied: anything left behind
// would be lost with it, and a duplicate is the worst case. The removal takes exactly the
// subkeys the copy went through, without walking the tree again: in the reverse of the order
// they were reached, so each goes after its own subkeys, and siblings from the last one back,
// which never moves one still to be deleted. Returns false when the copy stopped short.
bool TRegistry::copyTree(const std::string& source, const std::string& target, bool removeSource) {
    OwnedKey sourceKey(api_, openHandle(source));
    if (!sourceKey) return true;
    OwnedKey targetKey(api_, createHandle(target));
    std::vector<std::u16string> copiedSubkeys;
    const bool complete = copyKeyContents(sourceKey.get(), targetKey.get(), std::u16string(), copiedSubkeys);
    if (!removeSource || !complete) return complete;
    for (auto subkey = copiedSubkeys.rbegin(); subkey != copiedSubkeys.rend(); ++subkey)
        api_.regDeleteKeyW(sourceKey.get(), subkey->c_str());
    sourceKey.reset();
    const ResolvedPath resolved = resolvePath(source);
    api_.regDeleteKeyW(baseKeyFor(resolved.relative), api_.widen(resolved.subPath).c_str());
    return true;
}

std::string TRegistry::fullPathOf(const std::string& path) const {
    const ResolvedPath resolved = resolvePath(path);
    if (baseKeyFor(resolved.relative) == rootKey_) return resolved.subPath;
    return currentPath_ + "\\" + resolved.subPath;
}

std::vector<std::u16string> TRegistry::pathNames(const std::string& path) const {
    return keyPathComponents(api_.widen(fullPathOf(path)));
}

bool TRegistry::liesInside(const std::string& inner, const std::string& outer) const {
    const std::vector<std::u16string> innerParts = pathNames(inner);
    const std::vector<std::u16string> outerParts = pathNames(outer);
    if (innerParts.size() < outerParts.size()) return false;
    for (size_t i = 0; i < outerParts.size(); ++i)
        if (foldNameCase(innerParts[i]) != foldNameCase(outerParts[i])) return false;
    return true;
}

// Copies source's values, then its subkeys with their whole trees, into target. One key-info
// query sizes one name buffer and one data buffer for the whole key: under a registry served by
// another process every call is a round trip. path is source's own below the key moved; each
// subkey reached joins copiedSubkeys before its own subkeys. Returns whether everything was copied.
bool TRegistry::copyKeyContents(RegistryHandle source, RegistryHandle target, const std::u16string& path,
                                std::vector<std::u16string>& copiedSubkeys) {
    KeyInfo info;
    if (!queryKeyInfoOf(source, info)) return false;
    std::vector<char16_t> name(std::max(info.maxValueNameLength, info.maxSubkeyNameLength) + 1);
    std::vector<uint8_t> data(std::max<uint32_t>(info.maxDataLength, 1));
    bool complete = true;
    // The unnamed default value, when set, comes with the others under the empty name.
    for (uint32_t index = 0; index < info.valueCount; ++index)
        complete = copyValueAt(source, target, index, name, data) && complete;
    for (uint32_t index = 0; index < info.subkeyCount; ++index)
        complete = copySubkeyAt(source, target, index, name, path, copiedSubkeys) && complete;
    return complete;
}

// Each value's name, type and bytes come in one call and go out in another.
bool TRegistry::copyValueAt(RegistryHandle source, RegistryHandle target, uint32_t index,
                            std::vector<char16_t>& name, std::vector<uint8_t>& data) {
    uint32_t length = static_cast<uint32_t>(name.size());
    uint32_t registryType = 0;
    uint32_t size = static_cast<uint32_t>(data.size());
    if (api_.regEnumValueW(source, index, name.data(), &length, &registryType, data.data(), &size) == 0) {
        writeRawValue(target, name.data(), registryType, data.data(), size);
        return true;
    }
    // A value that grew since the key was measured, or a failed read: fetched on its own.
    length = static_cast<uint32_t>(name.size());
    return api_.regEnumValueW(source, index, name.data(), &length) == 0 &&
           copyValue(source, target, std::u16string(name.data(), length));
}

// The subkey is created below target and filled through the handle the creation gave.
bool TRegistry::copySubkeyAt(RegistryHandle source, RegistryHandle target, uint32_t index,
                             std::vector<char16_t>& name, const std::u16string& path,
                             std::vector<std::u16string>& copiedSubkeys) {
    uint32_t length = static_cast<uint32_t>(name.size());
    if (api_.regEnumKeyExW(source, index, name.data(), &length) != 0) return false;
    const std::u16string subkeyName(name.data(), length);
    RegistryHandle opened = kNoKey;
    api_.regOpenKeyExW(source, subkeyName.c_str(), accessMask_, &opened);
    OwnedKey subSource(api_, opened);
    if (!subSource) return false;
    RegistryHandle created = kNoKey;
    if (api_.regCreateKeyExW(target, subkeyName.c_str(), kKeyAllAccess, &created) != 0)
        throw ERegistryException("Failed to create key " + api_.narrow(subkeyName));
    OwnedKey subTarget(api_, created);
    const std::u16string subkeyPath = path.empty() ? subkeyName : path + u"\\" + subkeyName;
    copiedSubkeys.push_back(subkeyPath);
    return copyKeyContents(subSource.get(), subTarget.get(), subkeyPath, copiedSubkeys);
}

// Returns whether the value was there to copy. A value with no data is copied too.
bool TRegistry::copyValue(RegistryHandle source, RegistryHandle target, const std::u16string& name) {
    const ValueInfo info = queryValueInfoOf(source, name);
    if (!info.ok) return false;
    const std::string messageName = api_.narrow(name);
    uint32_t registryType = info.registryType;
    const std::vector<uint8_t> data = readRawValue(source, name, info.size, registryType, messageName);
    writeRawValue(target, name.c_str(), registryType, data.data(), static_cast<uint32_t>(data.size()));
    return true;
}
