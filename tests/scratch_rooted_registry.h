#pragma once
// A registry seam passed on to another with two changes, so that the same operations can run on
// the in-memory store and on the real registry and be compared call by call:
//  - HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER stand for two keys inside a scratch key, so that
//    nothing outside it is touched on the real registry;
//  - every call's result is recorded: its return code and the outputs that do not depend on the
//    order values are listed in (which differs between Windows and Wine).
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/registry/registry_api.h"

constexpr char16_t kReplayScratch[] = u"SOFTWARE\\isreloc-replay-scratch";

// Names and data as text that shows every unit: ASCII as it is, anything else by number.
inline std::string describeName(const std::u16string& name) {
    std::string text = "\"";
    for (const char16_t unit : name) {
        char escaped[8];
        std::snprintf(escaped, sizeof(escaped), "\\u%04X", static_cast<unsigned>(unit));
        text += unit >= 0x20 && unit < 0x7F ? std::string(1, static_cast<char>(unit)) : std::string(escaped);
    }
    return text + "\"";
}

inline std::string describeBytes(const uint8_t* data, uint32_t size) {
    std::string text;
    for (uint32_t i = 0; i < size; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof(hex), "%02X", data[i]);
        text += hex;
    }
    return text;
}

struct RecordedCall {
    std::string text;      // the operation's number, the call, its result and outputs
    std::string ansiData;  // string data as an ANSI call gave it, compared apart
};

class ScratchRootedRegistry : public RegistryApi {
public:
    // The scratch key must exist with its HKLM and HKCU subkeys. renamesAnswered false makes every
    // rename answer as a system that does not rename keys (kErrorCallNotImplemented).
    // windowsSubPaths refuses a key created at a sub-path that starts at a separator, as Windows
    // does (ERROR_BAD_PATHNAME, as Wine's own conformance tests record it, and the store too);
    // Wine creates it as if the separator were not there whenever the registry view is named, as
    // every call of the real backend does.
    ScratchRootedRegistry(RegistryApi& inner, bool renamesAnswered, bool windowsSubPaths)
        : inner_(inner), renames_(renamesAnswered), windowsSubPaths_(windowsSubPaths) {
        const std::u16string scratch = kReplayScratch;
        inner_.regOpenKeyExW(kLocalMachine, (scratch + u"\\HKLM").c_str(), kKeyAllAccess, &localMachine_);
        inner_.regOpenKeyExW(kLocalMachine, (scratch + u"\\HKCU").c_str(), kKeyAllAccess, &currentUser_);
    }
    ~ScratchRootedRegistry() override {
        inner_.regCloseKey(localMachine_);
        inner_.regCloseKey(currentUser_);
    }
    ScratchRootedRegistry(const ScratchRootedRegistry&) = delete;
    ScratchRootedRegistry& operator=(const ScratchRootedRegistry&) = delete;

    const std::vector<RecordedCall>& calls() const { return calls_; }
    // Numbers the operation the next calls belong to, so that a difference names it.
    void startOperation(std::size_t number) { operation_ = number; }
    void note(const std::string& what) { calls_.push_back({std::to_string(operation_) + " " + what, {}}); }

    int32_t regOpenKeyExA(RegistryHandle base, const char* subPath, uint32_t access,
                          RegistryHandle* result) override {
        return noted("regOpenKeyExA" + named(subPath), inner_.regOpenKeyExA(mapped(base), subPath, access, result));
    }
    int32_t regCreateKeyExA(RegistryHandle base, const char* subPath, uint32_t access,
                            RegistryHandle* result) override {
        const std::string call = "regCreateKeyExA" + named(subPath);
        if (refusedSubPath(subPath[0], result)) return noted(call, kBadPathname);
        return noted(call, inner_.regCreateKeyExA(mapped(base), subPath, access, result));
    }
    int32_t regQueryValueExA(RegistryHandle key, const char* name, uint32_t* type, uint8_t* data,
                             uint32_t* dataSize) override {
        const int32_t result = inner_.regQueryValueExA(mapped(key), name, type, data, dataSize);
        const bool converted = result == 0 && data != nullptr && type != nullptr &&
                               (*type == kRegSz || *type == kRegExpandSz || *type == kRegMultiSz);
        noted("regQueryValueExA", result, valueOutputs(result, type, converted ? nullptr : data, dataSize));
        if (converted) calls_.back().ansiData.assign(reinterpret_cast<const char*>(data), *dataSize);
        return result;
    }
    int32_t regSetValueExA(RegistryHandle key, const char* name, uint32_t type, const uint8_t* data,
                           uint32_t dataSize) override {
        return noted("regSetValueExA", inner_.regSetValueExA(mapped(key), name, type, data, dataSize));
    }
    // The last write time is left out: the two clocks have nothing in common.
    int32_t regQueryInfoKeyA(RegistryHandle key, KeyInfo* info) override {
        const int32_t result = inner_.regQueryInfoKeyA(mapped(key), info);
        if (result != 0) return noted("regQueryInfoKeyA", result);
        return noted("regQueryInfoKeyA", result,
                     " subkeys " + std::to_string(info->subkeyCount) + " longest " +
                         std::to_string(info->maxSubkeyNameLength) + ", values " + std::to_string(info->valueCount) +
                         " longest " + std::to_string(info->maxValueNameLength) + " data " +
                         std::to_string(info->maxDataLength));
    }
    int32_t regEnumKeyExA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) override {
        const int32_t result = inner_.regEnumKeyExA(mapped(key), index, name, nameLength);
        return noted("regEnumKeyExA", result, result == 0 ? named(std::string(name, *nameLength).c_str()) : "");
    }
    // Which value an index gives differs between Windows and Wine: only whether there was one.
    int32_t regEnumValueA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) override {
        return noted("regEnumValueA", inner_.regEnumValueA(mapped(key), index, name, nameLength));
    }
    int32_t regDeleteKeyA(RegistryHandle base, const char* subPath) override {
        const std::string call = "regDeleteKeyA" + named(subPath);
        if (isRoot(base, subPath[0])) return noted(call, kRootNotDeleted);
        return noted(call, inner_.regDeleteKeyA(mapped(base), subPath));
    }
    int32_t regDeleteValueA(RegistryHandle key, const char* name) override {
        return noted("regDeleteValueA", inner_.regDeleteValueA(mapped(key), name));
    }
    int32_t regFlushKey(RegistryHandle key) override { return noted("regFlushKey", inner_.regFlushKey(mapped(key))); }
    // A predefined key is never closed: the scratch keys stay open for the whole input.
    int32_t regCloseKey(RegistryHandle key) override {
        return noted("regCloseKey", mapped(key) != key ? 0 : inner_.regCloseKey(key));
    }

    int32_t regOpenKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                          RegistryHandle* result) override {
        return noted("regOpenKeyExW" + named(subPath), inner_.regOpenKeyExW(mapped(base), subPath, access, result));
    }
    int32_t regCreateKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                            RegistryHandle* result) override {
        const std::string call = "regCreateKeyExW" + named(subPath);
        if (refusedSubPath(subPath[0], result)) return noted(call, kBadPathname);
        return noted(call, inner_.regCreateKeyExW(mapped(base), subPath, access, result));
    }
    int32_t regQueryValueExW(RegistryHandle key, const char16_t* name, uint32_t* type, uint8_t* data,
                             uint32_t* dataSize) override {
        const int32_t result = inner_.regQueryValueExW(mapped(key), name, type, data, dataSize);
        return noted("regQueryValueExW", result, valueOutputs(result, type, data, dataSize));
    }
    int32_t regSetValueExW(RegistryHandle key, const char16_t* name, uint32_t type, const uint8_t* data,
                           uint32_t dataSize) override {
        return noted("regSetValueExW", inner_.regSetValueExW(mapped(key), name, type, data, dataSize));
    }
    int32_t regEnumKeyExW(RegistryHandle key, uint32_t index, char16_t* name, uint32_t* nameLength) override {
        const int32_t result = inner_.regEnumKeyExW(mapped(key), index, name, nameLength);
        return noted("regEnumKeyExW", result, result == 0 ? named(std::u16string(name, *nameLength).c_str()) : "");
    }
    // As for the ANSI form: the value an index gives, and so its type and data, differ by system.
    int32_t regEnumValueW(RegistryHandle key, uint32_t index, char16_t* name, uint32_t* nameLength, uint32_t* type,
                          uint8_t* data, uint32_t* dataSize) override {
        return noted("regEnumValueW", inner_.regEnumValueW(mapped(key), index, name, nameLength, type, data, dataSize));
    }
    int32_t regDeleteKeyW(RegistryHandle base, const char16_t* subPath) override {
        const std::string call = "regDeleteKeyW" + named(subPath);
        if (isRoot(base, subPath[0])) return noted(call, kRootNotDeleted);
        return noted(call, inner_.regDeleteKeyW(mapped(base), subPath));
    }
    // Only a rename reaches the platform with a name of 256 characters (the one length Wine takes
    // and Windows refuses), and Wine is never asked to rename: its answer is always unavailable.
    int32_t regRenameKey(RegistryHandle key, const char16_t* subPath, const char16_t* newName) override {
        if (!renames_) return noted("regRenameKey", kErrorCallNotImplemented);
        return noted("regRenameKey", inner_.regRenameKey(mapped(key), subPath, newName));
    }

    std::u16string widen(const std::string& ansi) const override { return inner_.widen(ansi); }
    std::string narrow(const std::u16string& wide) const override { return inner_.narrow(wide); }
    DoubleByteFacts doubleByteFacts() const override { return inner_.doubleByteFacts(); }

private:
    // A predefined key cannot be deleted (the store answers access denied for its own roots); the
    // scratch key standing for one must survive the input.
    static constexpr int32_t kRootNotDeleted = 5;
    static constexpr int32_t kBadPathname = 161;

    RegistryHandle mapped(RegistryHandle key) const {
        if (key == kLocalMachine) return localMachine_;
        if (key == kCurrentUser) return currentUser_;
        return key;
    }
    std::string named(const char* ansi) const { return " " + describeName(widen(ansi)); }
    static std::string named(const char16_t* wide) { return " " + describeName(wide); }

    template <typename Char>
    bool refusedSubPath(Char first, RegistryHandle* result) const {
        if (!windowsSubPaths_ || first != Char('\\')) return false;
        *result = kNoKey;
        return true;
    }
    template <typename Char>
    bool isRoot(RegistryHandle base, Char first) const {
        return mapped(base) != base && first == Char();
    }

    int32_t noted(const std::string& call, int32_t result, const std::string& outputs = std::string()) {
        note(call + " -> " + std::to_string(result) + outputs);
        return result;
    }

    // The type and size come back with success and with ERROR_MORE_DATA; the bytes with success.
    static std::string valueOutputs(int32_t result, const uint32_t* type, const uint8_t* data,
                                    const uint32_t* dataSize) {
        constexpr int32_t kMoreData = 234;
        if (result != 0 && result != kMoreData) return std::string();
        std::string text;
        if (type != nullptr) text += " type " + std::to_string(*type);
        if (dataSize != nullptr) text += " size " + std::to_string(*dataSize);
        if (result == 0 && data != nullptr && dataSize != nullptr) text += " data " + describeBytes(data, *dataSize);
        return text;
    }

    RegistryApi& inner_;
    const bool renames_;
    const bool windowsSubPaths_;
    RegistryHandle localMachine_ = kNoKey;
    RegistryHandle currentUser_ = kNoKey;
    std::size_t operation_ = 0;
    std::vector<RecordedCall> calls_;
};
