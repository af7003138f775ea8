#pragma once
// The registry fuzz target's operation stream: which operation comes next and with which roots,
// paths, names and data, read from the input's bytes. Decoding depends on nothing but the bytes,
// so an input means the same operations to every program that reads it: the fuzz target, which
// runs them on the in-memory store and checks what each promises, and the replay of its corpus,
// which runs them on the store and on the real registry side by side.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "platform/registry/registry_api.h"
#include "tests/support/memory_registry.h"

namespace registry_operations {

// Names the layer can spell (Latin-1 in the store), with pairs that differ only in case.
inline const char* const kAnsiNames[] = {"A", "a", "B", "Sub", "sUB", "\xE4", "\xC4", "Key 1", "x\\"};
// Names only the wide calls reach: Cyrillic pairs, a CJK character, and Latin-1 twins.
inline const char16_t* const kWideNames[] = {u"A", u"b", u"\u0416", u"\u0436", u"\u4E2D\u6587", u"\u00E4",
                                             u"Stra\u00DFe"};
inline const uint32_t kValueTypes[] = {kRegNone, kRegSz, kRegExpandSz, kRegBinary, kRegDword, kRegMultiSz, kRegQword,
                                       0x7FFF};
constexpr std::size_t kLongestKeyName = 255;
// Operations an input may hold, at most; past them its bytes are not read.
constexpr int kMostSteps = 200;

// The operation stream, read front to back one byte at a time so that seeds can be written by
// hand; past the end every byte reads as zero.
class Input {
public:
    Input(const uint8_t* data, std::size_t size) : at_(data), end_(data + size) {}
    bool empty() const { return at_ == end_; }
    uint8_t byte() { return at_ == end_ ? 0 : *at_++; }
    bool flag() { return (byte() & 1) != 0; }
    std::size_t pick(std::size_t count) { return byte() % count; }
    std::vector<uint8_t> bytes(std::size_t count) {
        std::vector<uint8_t> taken;
        while (count-- > 0 && at_ != end_) taken.push_back(*at_++);
        return taken;
    }

private:
    const uint8_t* at_;
    const uint8_t* end_;
};

// Numbered as the stream picks them.
enum class OperationKind {
    storeMakeKey,     // a key made behind the layer's back, through the wide call
    storeWriteValue,  // a value of any type written behind its back
    makeKey,
    writeText,
    openPath,
    closePath,
    relabelValue,
    eraseValue,
    eraseKeyTree,
    transplantKey,
    moveKey,
    armFailures,  // failures switched on in the store for the next operation
    readText,     // then hasValue on the same name
    hasKey,
    setRoot,
    setFlushOnClose,
    storeRenameKey,  // a key renamed behind the layer's back
};

// One failure of the store's switch: the call with this number past the next operation's start,
// or every call of a kind on the key at layerPath below the layer's root.
struct ArmedFailure {
    bool byCallNumber = false;
    uint64_t callOffset = 0;
    RegistryCall kind = RegistryCall::openKey;
    std::string layerPath;
};

// Each operation uses the fields its comment names; the others stay empty.
struct RegistryOperation {
    OperationKind kind = OperationKind::closePath;
    RegistryHandle root = kNoKey;  // store operations, setRoot
    std::u16string widePath;       // store operations: the key below root (for a rename, the key held)
    uint32_t valueType = 0;        // storeWriteValue
    std::u16string wideValueName;  // storeWriteValue
    std::vector<uint8_t> data;     // storeWriteValue; writeText's text
    std::string layerPath;         // makeKey, openPath, eraseKeyTree, hasKey; the source of a move
    std::string targetPath;        // transplantKey, moveKey
    std::string valueName;         // writeText, relabelValue (the old name), eraseValue, readText
    std::string newValueName;      // relabelValue
    bool mayCreate = false;        // openPath
    bool removeSource = false;     // transplantKey; always for moveKey
    bool refuseRename = false;     // moveKey: the store refuses its rename, so the key moves by copying
    bool flushOnClose = false;     // setFlushOnClose
    bool writable = false;         // storeRenameKey: the held key is open for writing
    std::u16string renameSubPath;  // storeRenameKey: the key renamed below the one held; empty for itself
    std::u16string newKeyName;     // storeRenameKey
    std::vector<ArmedFailure> failures;  // armFailures
};

class OperationReader {
public:
    explicit OperationReader(Input& input) : in_(input) {}

    RegistryOperation next() {
        RegistryOperation op;
        op.kind = static_cast<OperationKind>(in_.pick(static_cast<std::size_t>(OperationKind::storeRenameKey) + 1));
        switch (op.kind) {
        case OperationKind::storeMakeKey:
            op.root = root();
            op.widePath = widePath();
            break;
        case OperationKind::storeWriteValue:
            op.root = root();
            op.widePath = widePath();
            op.valueType = kValueTypes[in_.pick(std::size(kValueTypes))];
            if (!in_.flag()) op.wideValueName = wideName();
            op.data = in_.bytes(in_.pick(13));
            break;
        case OperationKind::makeKey:
        case OperationKind::eraseKeyTree:
        case OperationKind::hasKey: op.layerPath = layerPath(); break;
        case OperationKind::writeText:
            op.valueName = valueName();
            op.data = in_.bytes(in_.pick(9));
            break;
        case OperationKind::openPath:
            op.layerPath = layerPath();
            op.mayCreate = in_.flag();
            break;
        case OperationKind::closePath: break;
        case OperationKind::relabelValue:
            op.valueName = valueName();
            op.newValueName = valueName();
            break;
        case OperationKind::eraseValue:
        case OperationKind::readText: op.valueName = valueName(); break;
        case OperationKind::transplantKey:
            op.layerPath = layerPath();
            op.targetPath = layerPath();
            op.removeSource = in_.flag();
            break;
        case OperationKind::moveKey:
            op.layerPath = layerPath();
            op.targetPath = layerPath();
            op.removeSource = true;
            op.refuseRename = in_.flag();
            break;
        case OperationKind::armFailures: op.failures = failures(); break;
        case OperationKind::setRoot: op.root = root(); break;
        case OperationKind::setFlushOnClose: op.flushOnClose = in_.flag(); break;
        case OperationKind::storeRenameKey:
            op.root = root();
            op.widePath = widePath();
            op.writable = in_.flag();
            if (!in_.flag()) op.renameSubPath = wideName();
            op.newKeyName = newKeyName();
            break;
        }
        return op;
    }

private:
    RegistryHandle root() { return in_.flag() ? kLocalMachine : kCurrentUser; }
    std::string ansiName() { return kAnsiNames[in_.pick(std::size(kAnsiNames))]; }
    std::string valueName() { return in_.pick(5) == 0 ? std::string() : ansiName(); }
    // An ANSI name arrives as the store's Latin-1 calls would widen it.
    std::u16string wideName() {
        if (in_.flag()) return latin1(ansiName());
        return kWideNames[in_.pick(std::size(kWideNames))];
    }
    static std::u16string latin1(const std::string& ansi) {
        std::u16string wide;
        for (const char c : ansi) wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
        return wide;
    }

    // Relative or from the root, zero to three names, now and then a trailing backslash.
    std::string layerPath() {
        const uint8_t shape = in_.byte();
        std::string path = (shape & 1) ? "\\" : "";
        const int names = (shape >> 1) % 4;
        for (int i = 0; i < names; ++i) path += (i > 0 ? "\\" : "") + ansiName();
        if (shape & 0x80) path += "\\";
        return path;
    }

    std::u16string widePath() {
        const std::size_t names = 1 + in_.pick(3);
        std::u16string path;
        for (std::size_t i = 0; i < names; ++i) path += (i > 0 ? u"\\" : u"") + wideName();
        return path;
    }

    // A plain name mostly; now and then one Windows refuses: empty, a path, one past the longest.
    std::u16string newKeyName() {
        switch (in_.pick(8)) {
        case 0: return std::u16string();
        case 1: {
            const std::u16string parent = wideName();
            return parent + u"\\" + wideName();
        }
        case 2: return std::u16string(kLongestKeyName + 1, u'k');
        default: return wideName();
        }
    }

    std::vector<ArmedFailure> failures() {
        std::vector<ArmedFailure> armed(1 + in_.pick(3));
        for (ArmedFailure& failure : armed) {
            failure.byCallNumber = in_.flag();
            if (failure.byCallNumber) {
                failure.callOffset = 1 + in_.pick(80);
            } else {
                const std::size_t kinds = static_cast<std::size_t>(RegistryCall::renameKey) + 1;
                failure.kind = static_cast<RegistryCall>(in_.pick(kinds));
                failure.layerPath = layerPath();
            }
        }
        return armed;
    }

    Input& in_;
};

}  // namespace registry_operations
