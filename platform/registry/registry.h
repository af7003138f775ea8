#pragma once
// TRegistry: a cursor over the registry that holds one root key and at most one open key, and
// offers key and value operations relative to them. It keeps nothing but handles, flags and the
// open key's path; all data lives in the registry behind the RegistryApi seam.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry/registry_api.h"
#include "platform/text/exception.h"

// Raised when a value cannot be read or written or a key cannot be created; every other
// registry failure shows only as a false or empty result.
class ERegistryException : public Exception {
public:
    explicit ERegistryException(std::string message);
    const char* className() const override { return "ERegistryException"; }
};

// How the layer sees a value's registry type. The integer and bytes kinds are numbered the
// other way round from the registry's own type numbers.
enum class ValueKind : uint8_t {
    otherKind = 0,
    textKind = 1,
    expandTextKind = 2,
    integerKind = 3,
    bytesKind = 4,
};

ValueKind valueKindOf(uint32_t registryType);
// The registry type written for a kind: otherKind has no type of its own and writes REG_NONE.
uint32_t registryTypeOf(ValueKind kind);

struct ValueInfo {
    bool ok = false;
    ValueKind kind = ValueKind::otherKind;
    uint32_t registryType = 0;  // as read, so that a value can be written back unchanged
    uint32_t size = 0;          // data size in bytes
};

class TRegistry {
public:
    explicit TRegistry(RegistryApi& api);
    // Closes the open key (flushing it when flushOnClose is set); the root is left alone.
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    RegistryHandle currentKey() const { return currentKey_; }
    const std::string& currentPath() const { return currentPath_; }
    RegistryHandle rootKey() const { return rootKey_; }
    uint32_t accessMask() const { return accessMask_; }
    bool ownsRoot() const { return ownsRoot_; }
    bool flushOnClose() const { return flushOnClose_; }
    void setFlushOnClose(bool flush) { flushOnClose_ = flush; }

    // A different root closes the open key; the same root leaves it open.
    void setRoot(RegistryHandle root);
    // True when the key is now the open key. A path with a leading backslash starts at the
    // root; any other path starts at the open key, or at the root while none is open. An empty
    // sub-path is always opened, never created. On failure the previous key stays open.
    bool openPath(const std::string& path, bool mayCreate);
    // Flushes (when flushOnClose is set) and closes the open key; nothing when none is open.
    void closePath();
    // Creates the key and any missing keys above it, with full rights; true, or raises
    // "Failed to create key <path>". The open key does not change.
    bool makeKey(const std::string& path);
    // True when the key exists and can be opened for reading.
    bool hasKey(const std::string& path);

    // Deletes the key with all its subkeys; true when the key itself was deleted.
    bool eraseKeyTree(const std::string& path);
    // Copies source with its values and whole subkey tree to target, byte for byte, then
    // removes source when asked and only when every value and subkey was copied. Does nothing
    // when source is missing, target exists, or either lies inside the other.
    void transplantKey(const std::string& source, const std::string& target, bool removeSource);
    // Moves source with its values and whole subkey tree to target, under the same conditions:
    // in one step by renaming it where target is a sibling of source; where the system has no
    // rename or refuses it, by transplantKey's copy and removal. False when a copy stopped short
    // (a value or subkey could not be read): the source is then as it was, and the target holds
    // the part copied; true otherwise.
    bool moveKey(const std::string& source, const std::string& target);

    // The value's text up to its first NUL; empty for a missing value, one with no data, or no
    // open key. Raises for a value that is not REG_SZ or REG_EXPAND_SZ.
    std::string readText(const std::string& name);
    // The same text as the registry holds it, in UTF-16, so that characters outside the ANSI
    // code page survive: for a command that must start exactly as stored.
    std::u16string readWideText(const std::string& name);
    // Stores text plus its terminating NUL as REG_SZ; raises when the write is refused.
    void writeText(const std::string& name, const std::string& text);
    // The same for text in UTF-16, written through the wide call, so that characters outside the
    // ANSI code page are stored as they are.
    void writeWideText(const std::string& name, const std::u16string& text);
    // The value's registry type and bytes as stored; false when the registry says it is not there.
    // Raises on any other failure, so that a value that may be there is never taken for missing.
    bool readRawValue(const std::string& name, uint32_t& registryType, std::vector<uint8_t>& data);
    // Stores bytes with the registry type given, in one write that replaces any value of that
    // name; raises when the write is refused.
    void writeRawValue(const std::string& name, uint32_t registryType, const std::vector<uint8_t>& data);
    bool hasValue(const std::string& name);
    // True when the value was deleted.
    bool eraseValue(const std::string& name);
    // Moves a value to a new name with its type and bytes; nothing when the old name is missing,
    // the new name exists, or the value has no data. The new name is written before the old
    // one is removed, so a refused write leaves the value where it was.
    void relabelValue(const std::string& oldName, const std::string& newName);
    // The value's data size in bytes, or -1 when it cannot be queried.
    int32_t valueSize(const std::string& name);
    ValueInfo queryValueInfo(const std::string& name);
    // Counts and longest names of the open key; all zero when the query fails. On a machine
    // with a double-byte ANSI code page the name lengths are doubled, since an ANSI name may
    // take two bytes per character.
    bool queryKeyInfo(KeyInfo& info);

private:
    struct ResolvedPath {
        bool relative;
        std::string subPath;
    };

    static bool isRelativePath(const std::string& path);
    static ResolvedPath resolvePath(const std::string& path);
    RegistryHandle baseKeyFor(bool relative) const;
    void switchKey(RegistryHandle handle, const std::string& path);
    // A new handle opened with accessMask, or none; the caller owns it.
    RegistryHandle openHandle(const std::string& path);
    // A handle with full rights to the key, created when missing; the caller owns it. Raises
    // "Failed to create key <path>".
    RegistryHandle createHandle(const std::string& path);

    // Raise "Failed to get data for '<name>'" / "Failed to set data for '<name>'".
    uint32_t readData(const std::string& name, uint8_t* buffer, uint32_t bufferSize, ValueKind& kind);
    void writeData(const std::string& name, const uint8_t* buffer, ValueKind kind, uint32_t size);
    // The byte-exact forms of the two above, over the wide calls: the data comes back with the
    // registry type it was stored with, and goes out with the type given. messageName names the
    // value in the exception's message.
    std::vector<uint8_t> readRawValue(RegistryHandle key, const std::u16string& name, uint32_t size,
                                      uint32_t& registryType, const std::string& messageName);
    void writeRawValue(RegistryHandle key, const char16_t* name, uint32_t registryType, const uint8_t* bytes,
                       uint32_t size);

    bool queryKeyInfoOf(RegistryHandle key, KeyInfo& info);
    ValueInfo queryValueInfoOf(RegistryHandle key, const std::u16string& name);
    std::string fullPathOf(const std::string& path) const;
    // The names along the key's path below the root.
    std::vector<std::u16string> pathNames(const std::string& path) const;
    bool liesInside(const std::string& inner, const std::string& outer) const;
    void eraseSubkeysOf(RegistryHandle key);
    bool mayMove(const std::string& source, const std::string& target);
    bool renameInPlace(const std::string& source, const std::string& target);
    bool copyTree(const std::string& source, const std::string& target, bool removeSource);
    bool copyKeyContents(RegistryHandle source, RegistryHandle target, const std::u16string& path,
                         std::vector<std::u16string>& copiedSubkeys);
    bool copyValueAt(RegistryHandle source, RegistryHandle target, uint32_t index, std::vector<char16_t>& name,
                     std::vector<uint8_t>& data);
    bool copySubkeyAt(RegistryHandle source, RegistryHandle target, uint32_t index, std::vector<char16_t>& name,
                      const std::u16string& path, std::vector<std::u16string>& copiedSubkeys);
    bool copyValue(RegistryHandle source, RegistryHandle target, const std::u16string& name);

    RegistryApi& api_;
    RegistryHandle currentKey_ = kNoKey;
    RegistryHandle rootKey_ = kNoKey;
    bool flushOnClose_ = false;
    std::string currentPath_;
    bool ownsRoot_ = false;
    uint32_t accessMask_ = kKeyAllAccess;
};
