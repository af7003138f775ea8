#include "platform/registry/registry.h"

#include <utility>

#include "platform/registry/key_values.h"
#include "platform/registry/owned_key.h"

__attribute__((noinline)) ERegistryException::ERegistryException(std::string message)
    : Exception(std::move(message), ISRELOC_CALLER_ADDRESS()) {}

namespace {

std::string quotedName(const std::string& name) { return "'" + name + "'"; }

// hasKey probes with read rights only; the mask goes back on every path out.
class AccessMaskOverride {
public:
    AccessMaskOverride(uint32_t& mask, uint32_t temporary) : mask_(mask), saved_(mask) { mask_ = temporary; }
    ~AccessMaskOverride() { mask_ = saved_; }
    AccessMaskOverride(const AccessMaskOverride&) = delete;
    AccessMaskOverride& operator=(const AccessMaskOverride&) = delete;

private:
    uint32_t& mask_;
    uint32_t saved_;
};

}  // namespace

ValueKind valueKindOf(uint32_t registryType) {
    switch (registryType) {
    case kRegSz: return ValueKind::textKind;
    case kRegExpandSz: return ValueKind::expandTextKind;
    case kRegDword: return ValueKind::integerKind;
    case kRegBinary: return ValueKind::bytesKind;
    default: return ValueKind::otherKind;
    }
}

uint32_t registryTypeOf(ValueKind kind) {
    switch (kind) {
    case ValueKind::textKind: return kRegSz;
    case ValueKind::expandTextKind: return kRegExpandSz;
    case ValueKind::integerKind: return kRegDword;
    case ValueKind::bytesKind: return kRegBinary;
    case ValueKind::otherKind: break;
    }
    return kRegNone;
}

TRegistry::TRegistry(RegistryApi& api) : api_(api) { setRoot(kCurrentUser); }

TRegistry::~TRegistry() { closePath(); }

void TRegistry::setRoot(RegistryHandle root) {
    if (root == rootKey_) return;
    rootKey_ = root;
    closePath();
}

bool TRegistry::isRelativePath(const std::string& path) { return path.empty() || path[0] != '\\'; }

TRegistry::ResolvedPath TRegistry::resolvePath(const std::string& path) {
    const bool relative = isRelativePath(path);
    return {relative, relative ? path : path.substr(1)};
}

RegistryHandle TRegistry::baseKeyFor(bool relative) const {
    return (currentKey_ != kNoKey && relative) ? currentKey_ : rootKey_;
}

void TRegistry::switchKey(RegistryHandle handle, const std::string& path) {
    closePath();
    currentKey_ = handle;
    currentPath_ = path;
}

// Key paths go to the wide calls: the system's ANSI calls convert a path into a buffer of MAX_PATH
// characters and refuse a longer one, and a key named with the longest name a key may have (255
// characters) lies deeper below HKEY_LOCAL_MACHINE than that.
bool TRegistry::openPath(const std::string& path, bool mayCreate) {
    const ResolvedPath resolved = resolvePath(path);
    const RegistryHandle base = baseKeyFor(resolved.relative);
    RegistryHandle opened = kNoKey;
    const std::u16string subPath = api_.widen(resolved.subPath);
    const int32_t result = (mayCreate && !resolved.subPath.empty())
        ? api_.regCreateKeyExW(base, subPath.c_str(), accessMask_, &opened)
        : api_.regOpenKeyExW(base, subPath.c_str(), accessMask_, &opened);
    if (result != 0) return false;
    const bool belowOpenKey = currentKey_ != kNoKey && resolved.relative;
    switchKey(opened, belowOpenKey ? currentPath_ + "\\" + resolved.subPath : resolved.subPath);
    return true;
}

void TRegistry::closePath() {
    if (currentKey_ == kNoKey) return;
    if (flushOnClose_) api_.regFlushKey(currentKey_);
    api_.regCloseKey(currentKey_);
    currentKey_ = kNoKey;
    currentPath_.clear();
}

bool TRegistry::makeKey(const std::string& path) {
    OwnedKey created(api_, createHandle(path));
    return true;
}

RegistryHandle TRegistry::createHandle(const std::string& path) {
    const ResolvedPath resolved = resolvePath(path);
    RegistryHandle created = kNoKey;
    if (api_.regCreateKeyExW(baseKeyFor(resolved.relative), api_.widen(resolved.subPath).c_str(), kKeyAllAccess,
                             &created) != 0)
        throw ERegistryException("Failed to create key " + path);
    return created;
}

RegistryHandle TRegistry::openHandle(const std::string& path) {
    const ResolvedPath resolved = resolvePath(path);
    RegistryHandle opened = kNoKey;
    if (api_.regOpenKeyExW(baseKeyFor(resolved.relative), api_.widen(resolved.subPath).c_str(), accessMask_, &opened) != 0)
        return kNoKey;
    return opened;
}

bool TRegistry::hasKey(const std::string& path) {
    AccessMaskOverride readOnly(accessMask_, kKeyReadForProbe);
    return static_cast<bool>(OwnedKey(api_, openHandle(path)));
}

bool TRegistry::queryKeyInfo(KeyInfo& info) { return queryKeyInfoOf(currentKey_, info); }

bool TRegistry::queryKeyInfoOf(RegistryHandle key, KeyInfo& info) {
    info = KeyInfo{};
    const bool ok = api_.regQueryInfoKeyA(key, &info) == 0;
    if (!ok) info = KeyInfo{};
    const DoubleByteFacts facts = api_.doubleByteFacts();
    if (facts.ntPlatform && facts.doubleByteCodePage) {
        info.maxSubkeyNameLength *= 2;
        info.maxValueNameLength *= 2;
    }
    return ok;
}

ValueInfo TRegistry::queryValueInfo(const std::string& name) {
    ValueInfo info;
    uint32_t type = 0;
    uint32_t size = 0;
    if (api_.regQueryValueExA(currentKey_, name.c_str(), &type, nullptr, &size) != 0) return info;
    return {true, valueKindOf(type), type, size};
}

ValueInfo TRegistry::queryValueInfoOf(RegistryHandle key, const std::u16string& name) {
    ValueInfo info;
    uint32_t type = 0;
    uint32_t size = 0;
    if (api_.regQueryValueExW(key, name.c_str(), &type, nullptr, &size) != 0) return info;
    return {true, valueKindOf(type), type, size};
}

int32_t TRegistry::valueSize(const std::string& name) {
    const ValueInfo info = queryValueInfo(name);
    return info.ok ? static_cast<int32_t>(info.size) : -1;
}

bool TRegistry::hasValue(const std::string& name) { return queryValueInfo(name).ok; }

uint32_t TRegistry::readData(const std::string& name, uint8_t* buffer, uint32_t bufferSize, ValueKind& kind) {
    uint32_t type = 0;
    uint32_t size = bufferSize;
    if (api_.regQueryValueExA(currentKey_, name.c_str(), &type, buffer, &size) != 0)
        throw ERegistryException("Failed to get data for " + quotedName(name));
    kind = valueKindOf(type);
    return size;
}

void TRegistry::writeData(const std::string& name, const uint8_t* buffer, ValueKind kind, uint32_t size) {
    if (api_.regSetValueExA(currentKey_, name.c_str(), registryTypeOf(kind), buffer, size) != 0)
        throw ERegistryException("Failed to set data for " + quotedName(name));
}

std::vector<uint8_t> TRegistry::readRawValue(RegistryHandle key, const std::u16string& name, uint32_t size,
                                             uint32_t& registryType, const std::string& messageName) {
    return readKeyValueData(api_, key, name, size, registryType, messageName);
}

void TRegistry::writeRawValue(RegistryHandle key, const char16_t* name, uint32_t registryType,
                              const uint8_t* bytes, uint32_t size) {
    writeKeyValue(api_, key, name, registryType, bytes, size);
}

std::string TRegistry::readText(const std::string& name) {
    const int32_t size = valueSize(name);
    if (size <= 0) return std::string();
    std::string text(static_cast<size_t>(size), '\0');
    ValueKind kind = ValueKind::otherKind;
    const uint32_t read = readData(name, reinterpret_cast<uint8_t*>(&text[0]), static_cast<uint32_t>(size), kind);
    if (kind != ValueKind::textKind && kind != ValueKind::expandTextKind)
        throw ERegistryException("Invalid data type for " + quotedName(name));
    text.resize(read);
    const size_t terminator = text.find('\0');
    if (terminator != std::string::npos) text.resize(terminator);
    return text;
}

std::u16string TRegistry::readWideText(const std::string& name) {
    const std::u16string wideName = api_.widen(name);
    const ValueInfo info = queryValueInfoOf(currentKey_, wideName);
    if (!info.ok || info.size == 0) return std::u16string();
    uint32_t registryType = info.registryType;
    const std::vector<uint8_t> data = readRawValue(currentKey_, wideName, info.size, registryType, name);
    if (valueKindOf(registryType) != ValueKind::textKind && valueKindOf(registryType) != ValueKind::expandTextKind)
        throw ERegistryException("Invalid data type for " + quotedName(name));
    std::u16string text;
    for (size_t at = 0; at + 1 < data.size(); at += 2) {
        const char16_t unit = static_cast<char16_t>(data[at] | (data[at + 1] << 8));
        if (unit == u'\0') break;
        text.push_back(unit);
    }
    return text;
}

void TRegistry::writeText(const std::string& name, const std::string& text) {
    const std::string terminated = text + '\0';
    writeData(name, reinterpret_cast<const uint8_t*>(terminated.data()), ValueKind::textKind,
              static_cast<uint32_t>(terminated.size()));
}

void TRegistry::writeWideText(const std::string& name, const std::u16string& text) {
    writeRawValue(name, kRegSz, wideTextData(text));
}

bool TRegistry::readRawValue(const std::string& name, uint32_t& registryType, std::vector<uint8_t>& data) {
    return readKeyValue(api_, currentKey_, api_.widen(name), registryType, data, name);
}

void TRegistry::writeRawValue(const std::string& name, uint32_t registryType, const std::vector<uint8_t>& data) {
    writeRawValue(currentKey_, api_.widen(name).c_str(), registryType, data.data(), static_cast<uint32_t>(data.size()));
}

bool TRegistry::eraseValue(const std::string& name) { return eraseKeyValue(api_, currentKey_, name); }

void TRegistry::relabelValue(const std::string& oldName, const std::string& newName) {
    if (!hasValue(oldName) || hasValue(newName)) return;
    // The bytes travel through the wide calls so that text data outside the ANSI code page
    // arrives unchanged, and with the registry type it was stored with.
    const std::u16string wideOld = api_.widen(oldName);
    const ValueInfo info = queryValueInfoOf(currentKey_, wideOld);
    if (!info.ok || info.size == 0) return;
    uint32_t registryType = info.registryType;
    const std::vector<uint8_t> data = readRawValue(currentKey_, wideOld, info.size, registryType, oldName);
    // Written under the new name first: when the write is refused, the value keeps its old name.
    writeRawValue(currentKey_, api_.widen(newName).c_str(), registryType, data.data(),
                  static_cast<uint32_t>(data.size()));
    eraseValue(oldName);
}
