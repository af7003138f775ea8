// The in-memory store checked against this system's registry. Every input of the registry fuzz
// target's corpus is read as the fuzz target reads it, and its operations run on a fresh store
// and on the real registry, each inside a scratch key of its own: every registry call must give
// the same result on both, and at the end the two scratch trees must be the same (values in any
// order, subkeys as listed). The first difference of each input is printed with the input's name.
//
//   registry_replay <corpus folder>      ends with "N inputs replayed, M differences"
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/registry_operations.h"
#include "platform/registry/owned_key.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_win32.h"
#include "registry_snapshot.h"
#include "scratch_rooted_registry.h"
#include "tests/support/memory_registry.h"

namespace {

using namespace registry_operations;

// Past this many inputs with differences, only the count goes on.
constexpr int kDifferencesShown = 10;

struct Replayed {
    std::vector<RecordedCall> calls;
    KeySnapshot scratch;
};

// The layer's own tree erase clears the scratch key: whatever it leaves behind on the real
// registry shows as a difference in the next input's snapshot.
void eraseScratch(RegistryApi& api) {
    TRegistry registry(api);
    registry.setRoot(kLocalMachine);
    registry.eraseKeyTree("\\" + api.narrow(kReplayScratch));
}

// An empty scratch key with the two keys that stand for the roots.
void resetScratch(RegistryApi& api) {
    eraseScratch(api);
    TRegistry registry(api);
    registry.setRoot(kLocalMachine);
    registry.makeKey("\\" + api.narrow(kReplayScratch) + "\\HKLM");
    registry.makeKey("\\" + api.narrow(kReplayScratch) + "\\HKCU");
}

// A layer operation whose exception is a result like any other.
template <typename Operation>
void noteRaised(ScratchRootedRegistry& api, Operation operation) {
    try {
        operation();
    } catch (const ERegistryException& raised) {
        api.note(std::string("raised ") + raised.message());
    }
}

// The store's ANSI code page is Latin-1; Western Windows, and Wine here, read bytes 0x80-0x9F as
// Windows-1252's letters and signs instead. A text holding one is not written on either side.
bool readDifferently(uint8_t byte) { return byte >= 0x80 && byte <= 0x9F; }

// String data an ANSI call gave: the same, but where the store has '?' for a character its
// Latin-1 lacks, or a C1 control Windows-1252 lacks, the system may give its own code page's
// character or a look-alike (best fit, 'C' for U+0106).
bool sameAnsiData(const std::string& store, const std::string& real) {
    if (store.size() != real.size()) return false;
    for (std::size_t i = 0; i < store.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(store[i]);
        if (byte != static_cast<unsigned char>(real[i]) && byte != '?' && !readDifferently(byte)) return false;
    }
    return true;
}

bool sameCall(const RecordedCall& store, const RecordedCall& real) {
    return store.text == real.text && sameAnsiData(store.ansiData, real.ansiData);
}

std::string shown(const std::vector<RecordedCall>& calls, std::vector<RecordedCall>::const_iterator at) {
    if (at == calls.end()) return "(no more calls)";
    if (at->ansiData.empty()) return at->text;
    const auto* bytes = reinterpret_cast<const uint8_t*>(at->ansiData.data());
    return at->text + " ANSI data " + describeBytes(bytes, static_cast<uint32_t>(at->ansiData.size()));
}

// One operation on one side. The store's failure switch has no counterpart on the real registry:
// failures armed for the next operation are skipped, and a move whose rename the store would
// refuse is an ordinary move (where renames are unavailable, as under Wine, it is one anyway).
void apply(const RegistryOperation& op, ScratchRootedRegistry& api, TRegistry& registry) {
    RegistryHandle key = kNoKey;
    switch (op.kind) {
    case OperationKind::storeMakeKey:
        if (api.regCreateKeyExW(op.root, op.widePath.c_str(), kKeyAllAccess, &key) == 0) api.regCloseKey(key);
        break;
    case OperationKind::storeWriteValue:
        if (api.regCreateKeyExW(op.root, op.widePath.c_str(), kKeyAllAccess, &key) != 0) break;
        api.regSetValueExW(key, op.wideValueName.c_str(), op.valueType, op.data.data(),
                           static_cast<uint32_t>(op.data.size()));
        api.regCloseKey(key);
        break;
    case OperationKind::makeKey: noteRaised(api, [&] { registry.makeKey(op.layerPath); }); break;
    case OperationKind::writeText:
        if (std::any_of(op.data.begin(), op.data.end(), readDifferently)) break;
        noteRaised(api, [&] { registry.writeText(op.valueName, std::string(op.data.begin(), op.data.end())); });
        break;
    case OperationKind::openPath: registry.openPath(op.layerPath, op.mayCreate); break;
    case OperationKind::closePath: registry.closePath(); break;
    case OperationKind::relabelValue:
        noteRaised(api, [&] { registry.relabelValue(op.valueName, op.newValueName); });
        break;
    case OperationKind::eraseValue: registry.eraseValue(op.valueName); break;
    case OperationKind::eraseKeyTree: registry.eraseKeyTree(op.layerPath); break;
    case OperationKind::transplantKey:
        noteRaised(api, [&] { registry.transplantKey(op.layerPath, op.targetPath, op.removeSource); });
        break;
    case OperationKind::moveKey: noteRaised(api, [&] { registry.moveKey(op.layerPath, op.targetPath); }); break;
    case OperationKind::armFailures: break;
    case OperationKind::readText:
        noteRaised(api, [&] { registry.readText(op.valueName); });
        registry.hasValue(op.valueName);
        break;
    case OperationKind::hasKey: registry.hasKey(op.layerPath); break;
    case OperationKind::setRoot: registry.setRoot(op.root); break;
    case OperationKind::setFlushOnClose: registry.setFlushOnClose(op.flushOnClose); break;
    case OperationKind::storeRenameKey: {
        const uint32_t access = op.writable ? kKeyAllAccess : kKeyRead;
        if (api.regOpenKeyExW(op.root, op.widePath.c_str(), access, &key) != 0) break;
        const OwnedKey held(api, key);
        api.regRenameKey(held.get(), op.renameSubPath.c_str(), op.newKeyName.c_str());
        break;
    }
    }
}

Replayed replay(const std::vector<RegistryOperation>& operations, RegistryApi& backend, bool renamesAnswered,
                bool windowsSubPaths) {
    resetScratch(backend);
    Replayed replayed;
    {
        ScratchRootedRegistry api(backend, renamesAnswered, windowsSubPaths);
        {
            TRegistry registry(api);
            for (std::size_t number = 0; number < operations.size(); ++number) {
                api.startOperation(number + 1);
                apply(operations[number], api, registry);
            }
            api.startOperation(operations.size() + 1);  // the layer's last close
        }
        replayed.calls = api.calls();
    }
    replayed.scratch = snapshotKey(backend, kLocalMachine, backend.narrow(kReplayScratch));
    return replayed;
}

void printTree(const KeySnapshot& key, const std::string& path) {
    std::printf("      %s%s\n", path.c_str(), key.exists ? "" : " (missing)");
    for (const auto& value : key.values)
        std::printf("        %s = type %u, %s\n", describeName(value.first).c_str(), value.second.type,
                    describeBytes(value.second.data.data(), static_cast<uint32_t>(value.second.data.size())).c_str());
    for (const std::u16string& name : key.subkeysListed) {
        const auto subkey = key.subkeys.find(name);
        if (subkey != key.subkeys.end()) printTree(subkey->second, path + "\\" + describeName(name));
    }
}

bool differ(const Replayed& store, const Replayed& real) {
    return !std::equal(store.calls.begin(), store.calls.end(), real.calls.begin(), real.calls.end(), sameCall) ||
           !(store.scratch == real.scratch);
}

// The first call that differs, or else both trees.
void reportDifference(const std::string& input, const Replayed& store, const Replayed& real) {
    const auto first =
        std::mismatch(store.calls.begin(), store.calls.end(), real.calls.begin(), real.calls.end(), sameCall);
    if (first.first != store.calls.end() || first.second != real.calls.end()) {
        std::printf("DIFFERENCE in %s at call %zu (operation, call, result)\n  store:    %s\n  registry: %s\n",
                    input.c_str(), static_cast<std::size_t>(first.first - store.calls.begin()) + 1,
                    shown(store.calls, first.first).c_str(), shown(real.calls, first.second).c_str());
        return;
    }
    std::printf("DIFFERENCE in %s: the scratch trees differ at the end\n    store:\n", input.c_str());
    printTree(store.scratch, "");
    std::printf("    registry:\n");
    printTree(real.scratch, "");
}

std::vector<std::string> corpusFiles(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<RegistryOperation> operationsIn(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    Input input(bytes.data(), bytes.size());
    OperationReader reader(input);
    std::vector<RegistryOperation> operations;
    for (int steps = 0; steps < kMostSteps && !input.empty(); ++steps) operations.push_back(reader.next());
    return operations;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: registry_replay <corpus folder>\n");
        return 2;
    }
    const std::vector<std::string> inputs = corpusFiles(argv[1]);
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs in %s\n", argv[1]);
        return 2;
    }
    Win32RegistryApi registry;
    // A system that does not rename keys says so before looking for the key; one that does finds
    // nothing to rename. The store then answers as the system does, so both sides move by copying.
    const std::u16string missing = std::u16string(kReplayScratch) + u"\\missing";
    const bool renames = registry.regRenameKey(kLocalMachine, missing.c_str(), u"renamed") != kErrorCallNotImplemented;
    std::printf("renames %s\n",
                renames ? "used on both sides" : "unavailable here: keys move by copying on both sides");

    int differences = 0;
    uint64_t calls = 0;
    for (const std::string& name : inputs) {
        const std::vector<RegistryOperation> operations = operationsIn(std::string(argv[1]) + "\\" + name);
        MemoryRegistry store;
        const Replayed onStore = replay(operations, store, renames, false);
        const Replayed onRegistry = replay(operations, registry, renames, true);
        calls += onStore.calls.size();
        if (differ(onStore, onRegistry) && ++differences <= kDifferencesShown)
            reportDifference(name, onStore, onRegistry);
    }
    eraseScratch(registry);
    std::printf("%llu calls compared\n%zu inputs replayed, %d differences\n", static_cast<unsigned long long>(calls),
                inputs.size(), differences);
    return differences == 0 ? 0 : 1;
}
