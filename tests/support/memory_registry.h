#pragma once
// An in-memory registry that keeps the rules the layer relies on (names without regard to case,
// an empty sub-path naming the base key, one starting at a separator refused, create-with-parents,
// delete refused while subkeys exist, handles to deleted keys failing, enumeration by index with
// subkeys sorted by name as the registry lists them, the unnamed default value, a rename in place
// that open handles follow and that keeps every sibling), records what was changed, and can be
// told to fail any chosen call.
//
// Names and string data are held as the registry holds them: UTF-16, string data as UTF-16LE
// bytes. The ANSI calls convert through a Latin-1 code page; characters outside it become '?'.
#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/registry/registry_api.h"
#include "tests/support/named_list.h"

// One kind per registry call; the ANSI and wide forms of a call share their kind, so a switch
// set on a kind catches the call whichever form the layer uses.
enum class RegistryCall {
    openKey,
    createKey,
    queryValue,
    setValue,
    queryInfoKey,
    enumKey,
    enumValue,
    deleteKey,
    deleteValue,
    flushKey,
    closeKey,
    renameKey,
};

// One change the store made, in order. keyPath starts with the root's short name ("HKLM\\...").
struct RegistryChange {
    enum class Kind { keyCreated, keyDeleted, valueWritten, valueDeleted, keyRenamed };
    Kind kind;
    std::u16string keyPath;    // for a rename, the path the key had before
    std::u16string valueName;  // empty for key changes and for the default value
    uint32_t registryType = 0;
    std::vector<uint8_t> data;
    std::u16string renamedTo;  // for a rename, the path the key has now
};

class MemoryRegistry : public RegistryApi {
public:
    // The code an injected failure returns (ERROR_ACCESS_DENIED).
    static constexpr int32_t kInjectedFailure = 5;

    MemoryRegistry();

    // From now on no key is renamed: regRenameKey answers kErrorCallNotImplemented before looking
    // at anything, as the system does under Wine, so that every key move goes by a copy. The call
    // is still counted.
    void moveKeysByCopying() { renamesKeys_ = false; }

    int32_t regOpenKeyExA(RegistryHandle base, const char* subPath, uint32_t access, RegistryHandle* result) override;
    int32_t regCreateKeyExA(RegistryHandle base, const char* subPath, uint32_t access, RegistryHandle* result) override;
    int32_t regQueryValueExA(RegistryHandle key, const char* name, uint32_t* type, uint8_t* data,
                             uint32_t* dataSize) override;
    int32_t regSetValueExA(RegistryHandle key, const char* name, uint32_t type, const uint8_t* data,
                           uint32_t dataSize) override;
    int32_t regQueryInfoKeyA(RegistryHandle key, KeyInfo* info) override;
    int32_t regEnumKeyExA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) override;
    int32_t regEnumValueA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) override;
    int32_t regDeleteKeyA(RegistryHandle base, const char* subPath) override;
    int32_t regDeleteValueA(RegistryHandle key, const char* name) override;
    int32_t regFlushKey(RegistryHandle key) override;
    int32_t regCloseKey(RegistryHandle key) override;

    int32_t regOpenKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access, RegistryHandle* result) override;
    int32_t regCreateKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                            RegistryHandle* result) override;
    int32_t regQueryValueExW(RegistryHandle key, const char16_t* name, uint32_t* type, uint8_t* data,
                             uint32_t* dataSize) override;
    int32_t regSetValueExW(RegistryHandle key, const char16_t* name, uint32_t type, const uint8_t* data,
                           uint32_t dataSize) override;
    int32_t regEnumKeyExW(RegistryHandle key, uint32_t index, char16_t* name, uint32_t* nameLength) override;
    int32_t regEnumValueW(RegistryHandle key, uint32_t index, char16_t* name, uint32_t* nameLength,
                          uint32_t* type = nullptr, uint8_t* data = nullptr, uint32_t* dataSize = nullptr) override;
    int32_t regDeleteKeyW(RegistryHandle base, const char16_t* subPath) override;
    int32_t regRenameKey(RegistryHandle key, const char16_t* subPath, const char16_t* newName) override;

    std::u16string widen(const std::string& ansi) const override;
    std::string narrow(const std::u16string& wide) const override;
    // No double-byte code page here: name lengths are never doubled.
    DoubleByteFacts doubleByteFacts() const override { return {}; }

    // The failure switch. Calls are numbered from 1 in the order made, every kind counted.
    uint64_t callCount() const { return callCount_; }
    uint64_t callCount(RegistryCall kind) const { return callsOfKind_[static_cast<size_t>(kind)]; }
    // The call with this number fails.
    void failCall(uint64_t number) { failingCalls_.insert(number); }
    // Every call of this kind on the key at keyPath ("HKLM\\A\\B", any letter case) fails. For
    // opening, creating, deleting and renaming a key that is the key named; otherwise the
    // handle's key.
    void failEvery(RegistryCall kind, const std::string& keyPath);
    void clearFailures();

    // Key security, as a DACL set on one existing key grants it to everyone: only these rights on
    // the key at keyPath (any letter case); false when there is no such key. The key keeps it
    // when renamed; keys below, and a key made later under the same name, have their own.
    // Opening or creating it for more fails with access denied (5); so does creating a key
    // directly below it without KEY_CREATE_SUB_KEY, deleting it without DELETE, and renaming it
    // without KEY_WRITE on it or KEY_CREATE_SUB_KEY on its parent. Handles opened before keep
    // their rights.
    bool grantOnly(const std::string& keyPath, uint32_t rights);
    // Read allowed, write denied: what a DACL read-only for everyone does (a run that is not
    // elevated, or a policy that locks the key).
    bool denyWriting(const std::string& keyPath) { return grantOnly(keyPath, kKeyRead); }
    // Every key's own security back to full rights.
    void grantEverything();
    static constexpr uint32_t kDeleteRight = 0x10000;  // DELETE

    // The record of changes, in order; and how many handles are open now (roots not counted).
    const std::vector<RegistryChange>& changes() const { return changes_; }
    void clearChanges() { changes_.clear(); }
    size_t openHandleCount() const { return handles_.size(); }

private:
    struct Value {
        uint32_t type = 0;
        std::vector<uint8_t> data;
    };
    struct Node {
        std::u16string name;
        Node* parent = nullptr;  // none for a root and for a deleted key
        bool deleted = false;
        NamedList<std::shared_ptr<Node>, NameOrder::sortedByName> subkeys;
        NamedList<Value> values;
        uint64_t lastWriteTime = 0;
        uint32_t grantedRights = ~0u;  // the key's own security: everything unless restricted
    };
    struct OpenHandle {
        std::shared_ptr<Node> node;
        uint32_t access;
    };

    int32_t openKey(RegistryHandle base, const std::u16string& subPath, uint32_t access, RegistryHandle* result);
    int32_t createKey(RegistryHandle base, const std::u16string& subPath, uint32_t access, RegistryHandle* result);
    int32_t queryValue(RegistryHandle key, const std::u16string& name, uint32_t* type, std::vector<uint8_t>* data);
    int32_t setValue(RegistryHandle key, const std::u16string& name, uint32_t type, std::vector<uint8_t> data);
    int32_t enumName(RegistryCall kind, RegistryHandle key, uint32_t index, std::u16string& name);
    int32_t deleteKey(RegistryHandle base, const std::u16string& subPath);

    // The node behind a handle, or an error code: handle none or unknown, key deleted, or the
    // handle lacks the rights asked.
    int32_t nodeFor(RegistryHandle key, uint32_t rightsNeeded, std::shared_ptr<Node>& node) const;
    // Access denied when the key's own security lacks any of the rights.
    static bool denies(const Node& node, uint32_t rights) { return (rights & ~node.grantedRights) != 0; }
    // Counts the call and says whether the switch makes it fail.
    bool injectFailure(RegistryCall kind, const std::u16string& keyPath);
    bool injectFailure(RegistryCall kind, RegistryHandle key, const std::u16string& subPath);
    std::u16string pathOf(const Node& node) const;
    RegistryHandle newHandle(std::shared_ptr<Node> node, uint32_t access);
    void touch(Node& node) { node.lastWriteTime = ++clock_; }
    void record(RegistryChange::Kind kind, const Node& node, const std::u16string& valueName = u"",
                uint32_t type = 0, std::vector<uint8_t> data = {});

    std::unordered_map<RegistryHandle, std::shared_ptr<Node>> roots_;
    std::unordered_map<RegistryHandle, OpenHandle> handles_;
    RegistryHandle nextHandle_ = 0x1000;
    uint64_t clock_ = 0;
    uint64_t callCount_ = 0;
    std::array<uint64_t, static_cast<size_t>(RegistryCall::renameKey) + 1> callsOfKind_{};
    std::set<uint64_t> failingCalls_;
    std::set<std::pair<RegistryCall, std::u16string>> failingKinds_;  // folded key paths
    std::vector<std::weak_ptr<Node>> restricted_;  // keys whose security grantOnly set
    std::vector<RegistryChange> changes_;
    bool renamesKeys_ = true;
};
