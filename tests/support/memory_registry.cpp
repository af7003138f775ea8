#include "tests/support/memory_registry.h"

#include <algorithm>

namespace {

constexpr int32_t kSuccess = 0;
constexpr int32_t kFileNotFound = kErrorFileNotFound;
constexpr int32_t kAccessDenied = 5;      // ERROR_ACCESS_DENIED
constexpr int32_t kInvalidHandle = 6;     // ERROR_INVALID_HANDLE
constexpr int32_t kInvalidParameter = 87; // ERROR_INVALID_PARAMETER
constexpr int32_t kBadPathname = 161;     // ERROR_BAD_PATHNAME
constexpr uint32_t kMaxKeyNameLength = 255;
constexpr int32_t kMoreData = 234;        // ERROR_MORE_DATA
constexpr int32_t kNoMoreItems = 259;     // ERROR_NO_MORE_ITEMS
constexpr int32_t kKeyDeleted = 1018;     // ERROR_KEY_DELETED

constexpr uint32_t kQueryValue = 0x0001;
constexpr uint32_t kSetValue = 0x0002;
constexpr uint32_t kCreateSubKey = 0x0004;
constexpr uint32_t kEnumerateSubKeys = 0x0008;
constexpr uint32_t kGenericRead = 0x80000000;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kGenericAll = 0x10000000;
constexpr uint32_t kKeyWrite = 0x20006;

uint32_t specificRights(uint32_t access) {
    uint32_t rights = access & 0x0FFFFFFF;
    if (access & kGenericRead) rights |= kKeyRead;
    if (access & kGenericWrite) rights |= kKeyWrite;
    if (access & kGenericAll) rights |= kKeyAllAccess;
    return rights;
}

// A sub-path names keys below its base, so it cannot start at a separator: the system refuses
// one that does before looking for any key (a trailing one it passes over).
bool startsAtSeparator(const std::u16string& subPath) { return !subPath.empty() && subPath[0] == u'\\'; }

bool isStringType(uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

std::vector<uint8_t> utf16Bytes(const std::u16string& text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return bytes;
}

// A trailing odd byte has no character to convert and is dropped, as the system does.
std::u16string utf16Text(const std::vector<uint8_t>& bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return text;
}

std::vector<uint8_t> asBytes(const uint8_t* data, uint32_t size) {
    return data == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(data, data + size);
}

// Hands data to a caller's buffer the way the registry does: the size always comes back, the
// bytes only when they fit.
int32_t deliver(const std::vector<uint8_t>& bytes, uint8_t* data, uint32_t* dataSize) {
    const uint32_t needed = static_cast<uint32_t>(bytes.size());
    if (data != nullptr) {
        if (dataSize == nullptr) return kInvalidParameter;
        if (*dataSize < needed) {
            *dataSize = needed;
            return kMoreData;
        }
        std::copy(bytes.begin(), bytes.end(), data);
    }
    if (dataSize != nullptr) *dataSize = needed;
    return kSuccess;
}

// Names are handed out only when they fit with their terminator.
template <typename Char, typename Text>
int32_t deliverName(const Text& name, Char* buffer, uint32_t* length) {
    if (buffer == nullptr || length == nullptr) return kInvalidParameter;
    if (name.size() + 1 > *length) return kMoreData;
    std::copy(name.begin(), name.end(), buffer);
    buffer[name.size()] = Char();
    *length = static_cast<uint32_t>(name.size());
    return kSuccess;
}

}  // namespace

MemoryRegistry::MemoryRegistry() {
    for (const auto& root : {std::make_pair(kCurrentUser, u"HKCU"), std::make_pair(kLocalMachine, u"HKLM")}) {
        auto node = std::make_shared<Node>();
        node->name = root.second;
        roots_.emplace(root.first, std::move(node));
    }
}

std::u16string MemoryRegistry::widen(const std::string& ansi) const {
    std::u16string wide(ansi.size(), u'\0');
    std::transform(ansi.begin(), ansi.end(), wide.begin(),
                   [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    return wide;
}

std::string MemoryRegistry::narrow(const std::u16string& wide) const {
    std::string ansi(wide.size(), '\0');
    std::transform(wide.begin(), wide.end(), ansi.begin(),
                   [](char16_t c) { return c < 0x100 ? static_cast<char>(c) : '?'; });
    return ansi;
}

// ---- the failure switch and the record ----

void MemoryRegistry::failEvery(RegistryCall kind, const std::string& keyPath) {
    std::u16string path;
    for (const std::u16string& part : keyPathComponents(widen(keyPath))) path += (path.empty() ? u"" : u"\\") + part;
    failingKinds_.emplace(kind, foldNameCase(path));
}

bool MemoryRegistry::grantOnly(const std::string& keyPath, uint32_t rights) {
    const std::vector<std::u16string> parts = keyPathComponents(widen(keyPath));
    for (const auto& [handle, root] : roots_) {
        if (parts.empty() || foldNameCase(root->name) != foldNameCase(parts.front())) continue;
        std::shared_ptr<Node> node = root;
        for (size_t at = 1; node != nullptr && at < parts.size(); ++at) {
            std::shared_ptr<Node>* below = node->subkeys.find(parts[at]);
            node = below != nullptr ? *below : nullptr;
        }
        if (node == nullptr) return false;
        node->grantedRights = rights;
        restricted_.push_back(node);
        return true;
    }
    return false;
}

void MemoryRegistry::grantEverything() {
    for (const std::weak_ptr<Node>& key : restricted_)
        if (const std::shared_ptr<Node> node = key.lock()) node->grantedRights = ~0u;
    restricted_.clear();
}

void MemoryRegistry::clearFailures() {
    failingCalls_.clear();
    failingKinds_.clear();
}

bool MemoryRegistry::injectFailure(RegistryCall kind, const std::u16string& keyPath) {
    ++callCount_;
    ++callsOfKind_[static_cast<size_t>(kind)];
    if (failingCalls_.count(callCount_) != 0) return true;
    return !failingKinds_.empty() && failingKinds_.count({kind, foldNameCase(keyPath)}) != 0;
}

// For calls that name a key below a base: the path of the key named, found by its text alone.
bool MemoryRegistry::injectFailure(RegistryCall kind, RegistryHandle base, const std::u16string& subPath) {
    if (failingKinds_.empty()) return injectFailure(kind, std::u16string());
    std::shared_ptr<Node> node;
    std::u16string path;
    if (nodeFor(base, 0, node) == kSuccess) path = pathOf(*node);
    for (const std::u16string& part : keyPathComponents(subPath)) path += u"\\" + part;
    return injectFailure(kind, path);
}

std::u16string MemoryRegistry::pathOf(const Node& node) const {
    std::u16string path = node.name;
    for (const Node* above = node.parent; above != nullptr; above = above->parent) path = above->name + u"\\" + path;
    return path;
}

void MemoryRegistry::record(RegistryChange::Kind kind, const Node& node, const std::u16string& valueName,
                            uint32_t type, std::vector<uint8_t> data) {
    changes_.push_back({kind, pathOf(node), valueName, type, std::move(data), u""});
}

// ---- handles ----

int32_t MemoryRegistry::nodeFor(RegistryHandle key, uint32_t rightsNeeded, std::shared_ptr<Node>& node) const {
    const auto root = roots_.find(key);
    if (root != roots_.end()) {
        node = root->second;
        return kSuccess;
    }
    const auto open = handles_.find(key);
    if (open == handles_.end()) return kInvalidHandle;
    if (open->second.node->deleted) return kKeyDeleted;
    if ((open->second.access & rightsNeeded) != rightsNeeded) return kAccessDenied;
    node = open->second.node;
    return kSuccess;
}

RegistryHandle MemoryRegistry::newHandle(std::shared_ptr<Node> node, uint32_t access) {
    const RegistryHandle handle = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(handle, OpenHandle{std::move(node), specificRights(access)});
    return handle;
}

int32_t MemoryRegistry::regCloseKey(RegistryHandle key) {
    // A close made to fail still lets the handle go: no real close leaves a valid handle open,
    // and a test counting open handles should see only the layer's own leaks.
    if (injectFailure(RegistryCall::closeKey, key, u"")) {
        handles_.erase(key);
        return kInjectedFailure;
    }
    if (roots_.count(key) != 0) return kSuccess;
    return handles_.erase(key) != 0 ? kSuccess : kInvalidHandle;
}

int32_t MemoryRegistry::regFlushKey(RegistryHandle key) {
    if (injectFailure(RegistryCall::flushKey, key, u"")) return kInjectedFailure;
    std::shared_ptr<Node> node;
    return nodeFor(key, 0, node);
}

// ---- keys ----

int32_t MemoryRegistry::openKey(RegistryHandle base, const std::u16string& subPath, uint32_t access,
                                RegistryHandle* result) {
    if (result == nullptr) return kInvalidParameter;
    *result = kNoKey;
    if (injectFailure(RegistryCall::openKey, base, subPath)) return kInjectedFailure;
    std::shared_ptr<Node> node;
    if (const int32_t error = nodeFor(base, 0, node)) return error;
    if (startsAtSeparator(subPath)) return kBadPathname;
    for (const std::u16string& part : keyPathComponents(subPath)) {
        std::shared_ptr<Node>* below = node->subkeys.find(part);
        if (below == nullptr) return kFileNotFound;
        node = *below;
    }
    if (denies(*node, specificRights(access))) return kAccessDenied;
    *result = newHandle(std::move(node), access);
    return kSuccess;
}

int32_t MemoryRegistry::createKey(RegistryHandle base, const std::u16string& subPath, uint32_t access,
                                  RegistryHandle* result) {
    if (result == nullptr) return kInvalidParameter;
    *result = kNoKey;
    if (injectFailure(RegistryCall::createKey, base, subPath)) return kInjectedFailure;
    std::shared_ptr<Node> node;
    if (const int32_t error = nodeFor(base, 0, node)) return error;
    if (startsAtSeparator(subPath)) return kBadPathname;
    for (const std::u16string& part : keyPathComponents(subPath)) {
        if (part.size() > kMaxKeyNameLength) return kInvalidParameter;
        std::shared_ptr<Node>* below = node->subkeys.find(part);
        if (below == nullptr) {
            if (denies(*node, kCreateSubKey)) return kAccessDenied;
            auto created = std::make_shared<Node>();
            created->name = part;
            created->parent = node.get();
            touch(*created);
            touch(*node);
            below = &node->subkeys.add(part, created);
            record(RegistryChange::Kind::keyCreated, *created);
        }
        node = *below;
    }
    if (denies(*node, specificRights(access))) return kAccessDenied;
    *result = newHandle(std::move(node), access);
    return kSuccess;
}

int32_t MemoryRegistry::deleteKey(RegistryHandle base, const std::u16string& subPath) {
    if (injectFailure(RegistryCall::deleteKey, base, subPath)) return kInjectedFailure;
    std::shared_ptr<Node> node;
    if (const int32_t error = nodeFor(base, 0, node)) return error;
    if (startsAtSeparator(subPath)) return kBadPathname;
    for (const std::u16string& part : keyPathComponents(subPath)) {
        std::shared_ptr<Node>* below = node->subkeys.find(part);
        if (below == nullptr) return kFileNotFound;
        node = *below;
    }
    // A root cannot go, and a key with subkeys is refused so that no tree vanishes by accident.
    if (node->parent == nullptr || node->subkeys.size() != 0 || denies(*node, kDeleteRight)) return kAccessDenied;
    record(RegistryChange::Kind::keyDeleted, *node);
    Node& parent = *node->parent;
    node->deleted = true;
    node->parent = nullptr;
    parent.subkeys.remove(node->name);
    touch(parent);
    return kSuccess;
}

// The rename follows the system's own order of checks: the handle (its rights, or the key
// below it), then the new name, then the place the name would take.
int32_t MemoryRegistry::regRenameKey(RegistryHandle key, const char16_t* subPath, const char16_t* newName) {
    if (injectFailure(RegistryCall::renameKey, key, subPath)) return kInjectedFailure;
    if (!renamesKeys_) return kErrorCallNotImplemented;
    const std::u16string path = subPath;
    std::shared_ptr<Node> node;
    // Below a handle the key is opened anew for writing; without a sub-path the handle itself
    // is the one renamed and must allow writing.
    if (const int32_t error = nodeFor(key, path.empty() ? kKeyWrite : 0, node)) return error;
    if (startsAtSeparator(path)) return kBadPathname;
    for (const std::u16string& part : keyPathComponents(path)) {
        std::shared_ptr<Node>* below = node->subkeys.find(part);
        if (below == nullptr) return kFileNotFound;
        node = *below;
    }
    const std::u16string name = newName;
    if (name.empty() || name.find(u'\\') != std::u16string::npos || name.size() > kMaxKeyNameLength)
        return kInvalidParameter;
    // A root has no parent to hold a new name. A sibling already named so, the key itself in
    // another letter case included, is refused as the system refuses it: access denied.
    if (node->parent == nullptr || node->parent->subkeys.find(name) != nullptr) return kAccessDenied;
    if (denies(*node, kKeyWrite) || denies(*node->parent, kCreateSubKey)) return kAccessDenied;
    const std::u16string oldPath = pathOf(*node);
    Node& parent = *node->parent;
    parent.subkeys.remove(node->name);
    node->name = name;
    parent.subkeys.add(name, node);
    touch(parent);
    changes_.push_back({RegistryChange::Kind::keyRenamed, oldPath, u"", 0, {}, pathOf(*node)});
    return kSuccess;
}

int32_t MemoryRegistry::regQueryInfoKeyA(RegistryHandle key, KeyInfo* info) {
    if (injectFailure(RegistryCall::queryInfoKey, key, u"")) return kInjectedFailure;
    std::shared_ptr<Node> node;
    if (const int32_t error = nodeFor(key, kQueryValue, node)) return error;
    if (info == nullptr) return kInvalidParameter;
    KeyInfo counted;
    counted.subkeyCount = static_cast<uint32_t>(node->subkeys.size());
    for (const auto& subkey : node->subkeys.entries())
        counted.maxSubkeyNameLength = std::max(counted.maxSubkeyNameLength, static_cast<uint32_t>(subkey.name.size()));
    counted.valueCount = static_cast<uint32_t>(node->values.size());
    for (const auto& value : node->values.entries()) {
        counted.maxValueNameLength = std::max(counted.maxValueNameLength, static_cast<uint32_t>(value.name.size()));
        counted.maxDataLength = std::max(counted.maxDataLength, static_cast<uint32_t>(value.item.data.size()));
    }
    counted.lastWriteTime = node->lastWriteTime;
    *info = counted;
    return kSuccess;
}

int32_t MemoryRegistry::enumName(RegistryCall kind, RegistryHandle key, uint32_t index, std::u16string& name) {
    if (injectFailure(kind, key, u"")) return kInjectedFailure;
    std::shared_ptr<Node> node;
    const bool subkeys = kind == RegistryCall::enumKey;
    if (const int32_t error = nodeFor(key, subkeys ? kEnumerateSubKeys : kQueryValue, node)) return error;
    const size_t count = subkeys ? node->subkeys.size() : node->values.size();
    if (index >= count) return kNoMoreItems;
    name = subkeys ? node->subkeys.at(index).name : node->values.at(index).name;
    return kSuccess;
}

// ---- values ----

int32_t MemoryRegistry::queryValue(RegistryHandle key, const std::u16string& name, uint32_t* type,
                                   std::vector<uint8_t>* data) {
    if (injectFailure(RegistryCall::queryValue, key, u"")) return kInjectedFailure;
    std::shared_ptr<Node> node;
    if (const int32_t error = nodeFor(key, kQueryValue, node)) return error;
    const Value* value = node->values.find(name);
    if (value == nullptr) return kFileNotFound;
    if (type != nullptr) *type = value->type;
    *data = value->data;
    return kSuccess;
}

int32_t MemoryRegistry::setValue(RegistryHandle key, const std::u16string& name, uint32_t type,
                                 std::vector<uint8_t> data) {
    if (injectFailure(RegistryCall::setValue, key, u"")) return kInjectedFailure;
    std::shared_ptr<Node> node;
    if (const int32_t error = nodeFor(key, kSetValue, node)) return error;
    record(RegistryChange::Kind::valueWritten, *node, name, type, data);
    Value* existing = node->values.find(name);
    if (existing != nullptr)
        *existing = Value{type, std::move(data)};
    else
        node->values.add(name, Value{type, std::move(data)});
    touch(*node);
    return kSuccess;
}

int32_t MemoryRegistry::regDeleteValueA(RegistryHandle key, const char* name) {
    if (injectFailure(RegistryCall::deleteValue, key, u"")) return kInjectedFailure;
    std::shared_ptr<Node> node;
    if (const int32_t error = nodeFor(key, kSetValue, node)) return error;
    const std::u16string wideName = widen(name);
    if (!node->values.remove(wideName)) return kFileNotFound;
    record(RegistryChange::Kind::valueDeleted, *node, wideName);
    touch(*node);
    return kSuccess;
}

// ---- the ANSI and wide forms ----

int32_t MemoryRegistry::regOpenKeyExA(RegistryHandle base, const char* subPath, uint32_t access,
                                      RegistryHandle* result) {
    return openKey(base, widen(subPath), access, result);
}

int32_t MemoryRegistry::regOpenKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                                      RegistryHandle* result) {
    return openKey(base, subPath, access, result);
}

int32_t MemoryRegistry::regCreateKeyExA(RegistryHandle base, const char* subPath, uint32_t access,
                                        RegistryHandle* result) {
    return createKey(base, widen(subPath), access, result);
}

int32_t MemoryRegistry::regCreateKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                                        RegistryHandle* result) {
    return createKey(base, subPath, access, result);
}

int32_t MemoryRegistry::regDeleteKeyA(RegistryHandle base, const char* subPath) {
    return deleteKey(base, widen(subPath));
}

int32_t MemoryRegistry::regDeleteKeyW(RegistryHandle base, const char16_t* subPath) {
    return deleteKey(base, subPath);
}

int32_t MemoryRegistry::regQueryValueExA(RegistryHandle key, const char* name, uint32_t* type, uint8_t* data,
                                         uint32_t* dataSize) {
    uint32_t storedType = 0;
    std::vector<uint8_t> bytes;
    if (const int32_t error = queryValue(key, widen(name), &storedType, &bytes)) return error;
    if (type != nullptr) *type = storedType;
    if (isStringType(storedType)) {
        const std::string ansi = narrow(utf16Text(bytes));
        bytes.assign(ansi.begin(), ansi.end());
    }
    return deliver(bytes, data, dataSize);
}

int32_t MemoryRegistry::regQueryValueExW(RegistryHandle key, const char16_t* name, uint32_t* type, uint8_t* data,
                                         uint32_t* dataSize) {
    std::vector<uint8_t> bytes;
    if (const int32_t error = queryValue(key, name, type, &bytes)) return error;
    return deliver(bytes, data, dataSize);
}

int32_t MemoryRegistry::regSetValueExA(RegistryHandle key, const char* name, uint32_t type, const uint8_t* data,
                                       uint32_t dataSize) {
    std::vector<uint8_t> bytes = asBytes(data, dataSize);
    if (isStringType(type)) bytes = utf16Bytes(widen(std::string(bytes.begin(), bytes.end())));
    return setValue(key, widen(name), type, std::move(bytes));
}

int32_t MemoryRegistry::regSetValueExW(RegistryHandle key, const char16_t* name, uint32_t type, const uint8_t* data,
                                       uint32_t dataSize) {
    return setValue(key, name, type, asBytes(data, dataSize));
}

int32_t MemoryRegistry::regEnumKeyExA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) {
    std::u16string found;
    if (const int32_t error = enumName(RegistryCall::enumKey, key, index, found)) return error;
    return deliverName(narrow(found), name, nameLength);
}

int32_t MemoryRegistry::regEnumKeyExW(RegistryHandle key, uint32_t index, char16_t* name, uint32_t* nameLength) {
    std::u16string found;
    if (const int32_t error = enumName(RegistryCall::enumKey, key, index, found)) return error;
    return deliverName(found, name, nameLength);
}

int32_t MemoryRegistry::regEnumValueA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) {
    std::u16string found;
    if (const int32_t error = enumName(RegistryCall::enumValue, key, index, found)) return error;
    return deliverName(narrow(found), name, nameLength);
}

int32_t MemoryRegistry::regEnumValueW(RegistryHandle key, uint32_t index, char16_t* name, uint32_t* nameLength,
                                      uint32_t* type, uint8_t* data, uint32_t* dataSize) {
    std::u16string found;
    if (const int32_t error = enumName(RegistryCall::enumValue, key, index, found)) return error;
    if (const int32_t error = deliverName(found, name, nameLength)) return error;
    if (type == nullptr && data == nullptr && dataSize == nullptr) return kSuccess;
    std::shared_ptr<Node> node;
    if (const int32_t error = nodeFor(key, kQueryValue, node)) return error;
    const Value* value = node->values.find(found);
    if (type != nullptr) *type = value->type;
    return deliver(value->data, data, dataSize);
}
