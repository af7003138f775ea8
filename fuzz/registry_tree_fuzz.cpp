// TRegistry over the in-memory store, driven by a stream of operations: keys and values of every
// type made behind the layer's back through the wide calls (names no ANSI code page can spell
// among them), keys renamed behind its back, the layer's own key and value operations, the tree
// operations, and failures switched on for the next operation. After every step the open-handle
// count matches what the layer holds; after every tree operation the layer's open key and path
// are as before, and:
//  - with no failure switched on, the whole store is exactly what the operation promises: a
//    moved key's copy equals the source as it was, byte for byte, the source is gone exactly when
//    asked, and nothing else changed; a move whose rename the store refuses ends the same way;
//  - with failures, no value of the source is lost: each is intact in the source or the target.
// A rename behind the layer's back must do what Windows does: move the key with everything below
// it when the name is free and plain, leave everything as it was otherwise, and keep a handle to
// the key working under its new name.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/registry_operations.h"
#include "platform/registry/name_case.h"
#include "platform/registry/registry.h"
#include "tests/support/memory_registry.h"

namespace {

using namespace registry_operations;


[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "registry invariant broken: %s\n", what);
    std::abort();
}

void check(bool condition, const char* what) {
    if (!condition) fail(what);
}

// ---- snapshots of whole trees, read through the wide calls as the store holds them ----

struct Value {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    bool operator==(const Value& other) const { return type == other.type && data == other.data; }
};

struct Tree {
    std::map<std::u16string, Value> values;
    std::map<std::u16string, Tree> subkeys;
    bool operator==(const Tree& other) const { return values == other.values && subkeys == other.subkeys; }
    bool operator!=(const Tree& other) const { return !(*this == other); }
};

template <typename Map>
auto findFolded(Map& map, const std::u16string& name) -> decltype(map.begin()) {
    const std::u16string folded = foldNameCase(name);
    for (auto it = map.begin(); it != map.end(); ++it)
        if (foldNameCase(it->first) == folded) return it;
    return map.end();
}

Tree readTree(MemoryRegistry& store, RegistryHandle key) {
    Tree tree;
    char16_t name[512];
    for (uint32_t index = 0;; ++index) {
        uint32_t length = 512;
        if (store.regEnumValueW(key, index, name, &length) != 0) break;
        const std::u16string valueName(name, length);
        Value value;
        uint32_t size = 0;
        check(store.regQueryValueExW(key, valueName.c_str(), &value.type, nullptr, &size) == 0, "value vanished");
        value.data.resize(size);
        check(store.regQueryValueExW(key, valueName.c_str(), &value.type, value.data.data(), &size) == 0,
              "value unreadable");
        tree.values[valueName] = value;
    }
    for (uint32_t index = 0;; ++index) {
        uint32_t length = 512;
        if (store.regEnumKeyExW(key, index, name, &length) != 0) break;
        const std::u16string subkeyName(name, length);
        RegistryHandle subkey = kNoKey;
        check(store.regOpenKeyExW(key, subkeyName.c_str(), kKeyAllAccess, &subkey) == 0, "subkey unopenable");
        tree.subkeys[subkeyName] = readTree(store, subkey);
        store.regCloseKey(subkey);
    }
    return tree;
}

// The tree at sub-path below base, or false when there is no such key.
bool readTreeAt(MemoryRegistry& store, RegistryHandle base, const std::u16string& subPath, Tree& tree) {
    RegistryHandle key = kNoKey;
    if (store.regOpenKeyExW(base, subPath.c_str(), kKeyAllAccess, &key) != 0) return false;
    tree = readTree(store, key);
    store.regCloseKey(key);
    return true;
}

struct Store {
    Tree currentUser;
    Tree localMachine;
    bool operator==(const Store& other) const {
        return currentUser == other.currentUser && localMachine == other.localMachine;
    }
    Tree& root(RegistryHandle key) { return key == kLocalMachine ? localMachine : currentUser; }
};

Store readStore(MemoryRegistry& store) {
    Store whole;
    readTreeAt(store, kCurrentUser, u"", whole.currentUser);
    readTreeAt(store, kLocalMachine, u"", whole.localMachine);
    return whole;
}

// The key at the given names below root, or null.
Tree* treeAt(Tree& root, const std::vector<std::u16string>& names) {
    Tree* tree = &root;
    for (const std::u16string& name : names) {
        const auto below = findFolded(tree->subkeys, name);
        if (below == tree->subkeys.end()) return nullptr;
        tree = &below->second;
    }
    return tree;
}

void removeTree(Tree& root, const std::vector<std::u16string>& names) {
    Tree* parent = treeAt(root, std::vector<std::u16string>(names.begin(), names.end() - 1));
    if (parent != nullptr) parent->subkeys.erase(findFolded(parent->subkeys, names.back()));
}

// Puts tree at the given names, making the missing keys above it as key creation does.
void placeTree(Tree& root, const std::vector<std::u16string>& names, const Tree& tree) {
    Tree* parent = &root;
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        auto below = findFolded(parent->subkeys, names[i]);
        if (below == parent->subkeys.end()) below = parent->subkeys.emplace(names[i], Tree{}).first;
        parent = &below->second;
    }
    parent->subkeys[names.back()] = tree;
}

// Every value of `before` sits, with its type and bytes, at the same place in one of the two.
bool valuesKept(const Tree& before, const Tree* source, const Tree* target) {
    const auto holds = [](const Tree* after, const std::u16string& name, const Value& value) {
        if (after == nullptr) return false;
        const auto found = findFolded(after->values, name);
        return found != after->values.end() && found->second == value;
    };
    const auto below = [](const Tree* after, const std::u16string& name) -> const Tree* {
        if (after == nullptr) return nullptr;
        const auto found = findFolded(after->subkeys, name);
        return found == after->subkeys.end() ? nullptr : &found->second;
    };
    for (const auto& value : before.values)
        if (!holds(source, value.first, value.second) && !holds(target, value.first, value.second)) return false;
    for (const auto& subkey : before.subkeys)
        if (!valuesKept(subkey.second, below(source, subkey.first), below(target, subkey.first))) return false;
    return true;
}

// Whether the key at `names` lies at or below the key at `ancestor`.
bool startsWith(const std::vector<std::u16string>& names, const std::vector<std::u16string>& ancestor) {
    if (names.size() < ancestor.size()) return false;
    for (std::size_t i = 0; i < ancestor.size(); ++i)
        if (foldNameCase(names[i]) != foldNameCase(ancestor[i])) return false;
    return true;
}

// ---- the run ----

class Run {
public:
    Run() : registry_(store_) {}

    void step(const RegistryOperation& op);
    void finish();

private:
    struct ResolvedPath {
        RegistryHandle base;
        std::u16string subPath;
        std::vector<std::u16string> names;  // below the root, through the open key's path
    };

    ResolvedPath resolve(const std::string& path) const;
    void armFailures(const std::vector<ArmedFailure>& failures);
    void applyFailures();
    void checkHandles() const {
        check(store_.openHandleCount() == (registry_.currentKey() != kNoKey ? 1u : 0u), "open handles leaked");
    }

    void storeMakeKey(const RegistryOperation& op);
    void storeWriteValue(const RegistryOperation& op);
    void storeRenameKey(const RegistryOperation& op);
    void relabelValue(const RegistryOperation& op);
    void eraseKeyTree(const RegistryOperation& op);
    // transplantKey, or moveKey with the store refusing its rename when the input says so.
    void moveTree(const RegistryOperation& op);
    std::string storePath(RegistryHandle root, const std::vector<std::u16string>& names) const;

    MemoryRegistry store_;
    TRegistry registry_;
    // Failures waiting for the next operation.
    std::vector<uint64_t> failingOffsets_;
    std::vector<std::pair<RegistryCall, std::string>> failingKinds_;
    bool failuresOn_ = false;
};

Run::ResolvedPath Run::resolve(const std::string& path) const {
    const bool relative = path.empty() || path[0] != '\\';
    ResolvedPath resolved;
    resolved.subPath = store_.widen(relative ? path : path.substr(1));
    const bool belowOpenKey = relative && registry_.currentKey() != kNoKey;
    resolved.base = belowOpenKey ? registry_.currentKey() : registry_.rootKey();
    if (belowOpenKey) resolved.names = keyPathComponents(store_.widen(registry_.currentPath()));
    for (const std::u16string& name : keyPathComponents(resolved.subPath)) resolved.names.push_back(name);
    return resolved;
}

void Run::armFailures(const std::vector<ArmedFailure>& failures) {
    const std::string root = registry_.rootKey() == kLocalMachine ? "HKLM" : "HKCU";
    for (const ArmedFailure& failure : failures) {
        if (failure.byCallNumber)
            failingOffsets_.push_back(failure.callOffset);
        else
            failingKinds_.emplace_back(failure.kind, root + "\\" + failure.layerPath);
    }
}

// Switched on just before the operation, after every snapshot, so the numbers count its calls.
void Run::applyFailures() {
    failuresOn_ = !failingOffsets_.empty() || !failingKinds_.empty();
    for (const uint64_t offset : failingOffsets_) store_.failCall(store_.callCount() + offset);
    for (const auto& kind : failingKinds_) store_.failEvery(kind.first, kind.second);
    failingOffsets_.clear();
    failingKinds_.clear();
}

void Run::storeMakeKey(const RegistryOperation& op) {
    RegistryHandle key = kNoKey;
    if (store_.regCreateKeyExW(op.root, op.widePath.c_str(), kKeyAllAccess, &key) == 0) store_.regCloseKey(key);
}

void Run::storeWriteValue(const RegistryOperation& op) {
    RegistryHandle key = kNoKey;
    if (store_.regCreateKeyExW(op.root, op.widePath.c_str(), kKeyAllAccess, &key) != 0) return;
    store_.regSetValueExW(key, op.wideValueName.c_str(), op.valueType, op.data.data(),
                          static_cast<uint32_t>(op.data.size()));
    store_.regCloseKey(key);
}

// Renames through a handle of its own: the held key itself (which then needs a writable handle)
// or a subkey of it. Keys that hold the layer's open key are left alone, so that its path stays
// true.
void Run::storeRenameKey(const RegistryOperation& op) {
    const RegistryHandle root = op.root;
    const std::u16string& heldPath = op.widePath;
    const bool writable = op.writable;
    const std::u16string& subPath = op.renameSubPath;
    const std::u16string& newName = op.newKeyName;
    RegistryHandle held = kNoKey;
    if (store_.regOpenKeyExW(root, heldPath.c_str(), writable ? kKeyAllAccess : kKeyRead, &held) != 0) return;
    std::vector<std::u16string> names = keyPathComponents(heldPath);
    for (const std::u16string& name : keyPathComponents(subPath)) names.push_back(name);
    const bool holdsOpenKey = registry_.currentKey() != kNoKey && root == registry_.rootKey() &&
                              startsWith(keyPathComponents(store_.widen(registry_.currentPath())), names);
    if (holdsOpenKey) {
        store_.regCloseKey(held);
        return;
    }
    const Store before = readStore(store_);
    Tree renamed;
    const bool exists = readTreeAt(store_, held, subPath, renamed);
    Store expected = before;
    std::vector<std::u16string> newNames(names.begin(), names.end() - 1);
    newNames.push_back(newName);
    const Tree* parent = treeAt(expected.root(root), std::vector<std::u16string>(names.begin(), names.end() - 1));
    const bool plainName = !newName.empty() && newName.find(u'\\') == std::u16string::npos &&
                           newName.size() <= kLongestKeyName;
    const bool allowed = exists && (writable || !subPath.empty()) && plainName &&
                         findFolded(parent->subkeys, newName) == parent->subkeys.end();

    const int32_t result = store_.regRenameKey(held, subPath.c_str(), newName.c_str());
    check((result == 0) == allowed, "rename allowed or refused against the rules");
    if (allowed) {
        removeTree(expected.root(root), names);
        placeTree(expected.root(root), newNames, renamed);
    }
    check(readStore(store_) == expected, "rename changed more or less than the one key's name");
    if (allowed && subPath.empty()) {
        Tree followed;
        check(readTreeAt(store_, held, u"", followed) && followed == renamed, "a handle lost its renamed key");
    }
    store_.regCloseKey(held);
}

std::string Run::storePath(RegistryHandle root, const std::vector<std::u16string>& names) const {
    std::string path = root == kLocalMachine ? "HKLM" : "HKCU";
    for (const std::u16string& name : names) path += "\\" + store_.narrow(name);
    return path;
}

void Run::relabelValue(const RegistryOperation& op) {
    const std::string& oldName = op.valueName;
    const std::string& newName = op.newValueName;
    const RegistryHandle key = registry_.currentKey();
    Tree before;
    const bool open = key != kNoKey && readTreeAt(store_, key, u"", before);
    applyFailures();
    try {
        registry_.relabelValue(oldName, newName);
    } catch (const ERegistryException&) {
        check(failuresOn_, "relabelValue raised with nothing failing");
    }
    store_.clearFailures();
    if (!open || failuresOn_) return;
    Tree expected = before;
    const auto old = findFolded(expected.values, store_.widen(oldName));
    const bool moves = old != expected.values.end() && !old->second.data.empty() &&
                       findFolded(expected.values, store_.widen(newName)) == expected.values.end();
    if (moves) {
        const Value moved = old->second;
        expected.values.erase(old);
        expected.values[store_.widen(newName)] = moved;
    }
    Tree after;
    check(readTreeAt(store_, key, u"", after), "open key vanished in relabelValue");
    check(after == expected, "relabelValue did not move exactly the one value");
}

void Run::eraseKeyTree(const RegistryOperation& op) {
    const std::string& path = op.layerPath;
    const ResolvedPath target = resolve(path);
    Store before = readStore(store_);
    Tree existing;
    const bool existed = readTreeAt(store_, target.base, target.subPath, existing);
    const RegistryHandle key = registry_.currentKey();
    const std::string keyPath = registry_.currentPath();
    applyFailures();
    const bool erased = registry_.eraseKeyTree(path);
    store_.clearFailures();
    check(registry_.currentKey() == key && registry_.currentPath() == keyPath, "eraseKeyTree moved the open key");
    if (failuresOn_) return;
    Store expected = before;
    if (existed && target.names.empty()) {
        // A root cannot go; everything below it does.
        check(!erased, "eraseKeyTree reported a root as deleted");
        expected.root(registry_.rootKey()).subkeys.clear();
    } else if (existed) {
        check(erased, "eraseKeyTree left an existing key");
        removeTree(expected.root(registry_.rootKey()), target.names);
    } else {
        check(!erased, "eraseKeyTree reported a missing key as deleted");
    }
    check(readStore(store_) == expected, "eraseKeyTree changed more or less than the key's tree");
}

void Run::moveTree(const RegistryOperation& op) {
    const std::string& sourcePath = op.layerPath;
    const std::string& targetPath = op.targetPath;
    const bool byMoveKey = op.kind == OperationKind::moveKey;
    const bool removeSource = op.removeSource;
    const bool refuseRename = op.refuseRename;
    const ResolvedPath source = resolve(sourcePath);
    const ResolvedPath target = resolve(targetPath);
    Store before = readStore(store_);
    Tree sourceTree;
    Tree ignored;
    const bool sourceExists = readTreeAt(store_, source.base, source.subPath, sourceTree);
    const bool targetExists = readTreeAt(store_, target.base, target.subPath, ignored);
    const bool targetInside = startsWith(target.names, source.names);
    const bool sourceInside = startsWith(source.names, target.names);
    const RegistryHandle key = registry_.currentKey();
    const std::string keyPath = registry_.currentPath();

    applyFailures();
    // Not counted among the failures: refused, the rename must give way to a copy that ends
    // exactly as the rename would have.
    if (refuseRename) store_.failEvery(RegistryCall::renameKey, storePath(registry_.rootKey(), source.names));
    bool raised = false;
    try {
        if (byMoveKey)
            registry_.moveKey(sourcePath, targetPath);
        else
            registry_.transplantKey(sourcePath, targetPath, removeSource);
    } catch (const ERegistryException&) {
        raised = true;
    }
    store_.clearFailures();
    check(registry_.currentKey() == key && registry_.currentPath() == keyPath, "a tree move moved the open key");

    const Store after = readStore(store_);
    if (failuresOn_) {
        if (!sourceExists) return;
        Tree sourceAfter;
        Tree targetAfter;
        const bool sourceLeft = readTreeAt(store_, source.base, source.subPath, sourceAfter);
        const bool targetMade = readTreeAt(store_, target.base, target.subPath, targetAfter);
        check(valuesKept(sourceTree, sourceLeft ? &sourceAfter : nullptr, targetMade ? &targetAfter : nullptr),
              "a tree move lost a value of the source under failures");
        return;
    }
    // A key never moves into its own tree, nor into one of its ancestors.
    const bool moves = sourceExists && !targetExists && !targetInside && !sourceInside;
    if (!moves || raised) {
        // Nothing to do, or a target that cannot be made (below a deleted open key): untouched.
        check(after == before, "a tree move changed the store when it had nothing to move");
        return;
    }
    Store expected = before;
    Tree& root = expected.root(registry_.rootKey());
    if (removeSource) removeTree(root, source.names);
    placeTree(root, target.names, sourceTree);
    check(after == expected, "a tree move's result differs from the source as it was");
}

void Run::step(const RegistryOperation& op) {
    switch (op.kind) {
    case OperationKind::storeMakeKey: storeMakeKey(op); break;
    case OperationKind::storeWriteValue: storeWriteValue(op); break;
    case OperationKind::makeKey:
        applyFailures();
        try {
            registry_.makeKey(op.layerPath);
        } catch (const ERegistryException&) {
        }
        break;
    case OperationKind::writeText: {
        applyFailures();
        try {
            registry_.writeText(op.valueName, std::string(op.data.begin(), op.data.end()));
        } catch (const ERegistryException&) {
        }
        break;
    }
    case OperationKind::openPath:
        applyFailures();
        registry_.openPath(op.layerPath, op.mayCreate);
        break;
    case OperationKind::closePath: applyFailures(); registry_.closePath(); break;
    case OperationKind::relabelValue: relabelValue(op); break;
    case OperationKind::eraseValue:
        applyFailures();
        registry_.eraseValue(op.valueName);
        break;
    case OperationKind::eraseKeyTree: eraseKeyTree(op); break;
    case OperationKind::transplantKey:
    case OperationKind::moveKey: moveTree(op); break;
    case OperationKind::armFailures: armFailures(op.failures); return;  // kept for the next operation
    case OperationKind::readText:
        applyFailures();
        try {
            registry_.readText(op.valueName);
        } catch (const ERegistryException&) {
        }
        registry_.hasValue(op.valueName);
        break;
    case OperationKind::hasKey:
        applyFailures();
        registry_.hasKey(op.layerPath);
        check(registry_.accessMask() == kKeyAllAccess, "hasKey left its probing rights behind");
        break;
    case OperationKind::setRoot: applyFailures(); registry_.setRoot(op.root); break;
    case OperationKind::setFlushOnClose: registry_.setFlushOnClose(op.flushOnClose); break;
    case OperationKind::storeRenameKey: storeRenameKey(op); break;
    }
    store_.clearFailures();
    checkHandles();
}

void Run::finish() {
    registry_.closePath();
    check(store_.openHandleCount() == 0, "handles left open at the end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Input input(data, size);
    OperationReader operations(input);
    Run run;
    for (int steps = 0; steps < kMostSteps && !input.empty(); ++steps) run.step(operations.next());
    run.finish();
    return 0;
}
