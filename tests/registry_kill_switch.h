#pragma once
// A registry for mode tests that forwards every call to the in-memory store, names each call
// after the key and value it touched, and can "kill" the run right after a chosen call: the
// call takes effect in the store, then KilledRun is thrown. Closing and flushing a key are
// called from destructors, where nothing may be thrown; a kill after one of those takes effect
// at the next call instead, and a dead run's closes and flushes still reach the store, since
// neither changes what the store holds (the system closes a dead process's handles too).
// Calls are numbered exactly as the store numbers them, so the store's own failure switch can
// make the same call fail.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "services_switch.h"
#include "tests/support/memory_registry.h"

inline const char* registryCallName(RegistryCall kind) {
    switch (kind) {
    case RegistryCall::openKey: return "openKey";
    case RegistryCall::createKey: return "createKey";
    case RegistryCall::queryValue: return "queryValue";
    case RegistryCall::setValue: return "setValue";
    case RegistryCall::queryInfoKey: return "queryInfoKey";
    case RegistryCall::enumKey: return "enumKey";
    case RegistryCall::enumValue: return "enumValue";
    case RegistryCall::deleteKey: return "deleteKey";
    case RegistryCall::deleteValue: return "deleteValue";
    case RegistryCall::flushKey: return "flushKey";
    case RegistryCall::closeKey: return "closeKey";
    case RegistryCall::renameKey: return "renameKey";
    }
    return "?";
}

class RegistryKillSwitch : public RegistryApi {
public:
    struct Call {
        RegistryCall kind;
        std::string detail;  // "HKLM\key path", with ":value" for value calls and "[index]" for enumeration
    };

    RegistryKillSwitch(MemoryRegistry& store, RunLife& life) : store_(store), life_(life) {}

    // The run dies right after the call with this number (counted from this switch's creation).
    void killAfter(uint64_t number) { killAfter_ = number; }
    const std::vector<Call>& calls() const { return calls_; }

    int32_t regOpenKeyExA(RegistryHandle base, const char* subPath, uint32_t access, RegistryHandle* result) override {
        return opening(RegistryCall::openKey, base, subPath, result,
                       [&] { return store_.regOpenKeyExA(base, subPath, access, result); });
    }
    int32_t regCreateKeyExA(RegistryHandle base, const char* subPath, uint32_t access,
                            RegistryHandle* result) override {
        return opening(RegistryCall::createKey, base, subPath, result,
                       [&] { return store_.regCreateKeyExA(base, subPath, access, result); });
    }
    int32_t regQueryValueExA(RegistryHandle key, const char* name, uint32_t* type, uint8_t* data,
                             uint32_t* dataSize) override {
        return pass(RegistryCall::queryValue, valueDetail(key, name),
                    [&] { return store_.regQueryValueExA(key, name, type, data, dataSize); });
    }
    int32_t regSetValueExA(RegistryHandle key, const char* name, uint32_t type, const uint8_t* data,
                           uint32_t dataSize) override {
        return pass(RegistryCall::setValue, valueDetail(key, name),
                    [&] { return store_.regSetValueExA(key, name, type, data, dataSize); });
    }
    int32_t regQueryInfoKeyA(RegistryHandle key, KeyInfo* info) override {
        return pass(RegistryCall::queryInfoKey, pathOf(key), [&] { return store_.regQueryInfoKeyA(key, info); });
    }
    int32_t regEnumKeyExA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) override {
        return pass(RegistryCall::enumKey, indexDetail(key, index),
                    [&] { return store_.regEnumKeyExA(key, index, name, nameLength); });
    }
    int32_t regEnumValueA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) override {
        return pass(RegistryCall::enumValue, indexDetail(key, index),
                    [&] { return store_.regEnumValueA(key, index, name, nameLength); });
    }
    int32_t regDeleteKeyA(RegistryHandle base, const char* subPath) override {
        return pass(RegistryCall::deleteKey, below(base, subPath), [&] { return store_.regDeleteKeyA(base, subPath); });
    }
    int32_t regDeleteValueA(RegistryHandle key, const char* name) override {
        return pass(RegistryCall::deleteValue, valueDetail(key, name), [&] { return store_.regDeleteValueA(key, name); });
    }
    int32_t regFlushKey(RegistryHandle key) override {
        return pass(RegistryCall::flushKey, pathOf(key), [&] { return store_.regFlushKey(key); });
    }
    int32_t regCloseKey(RegistryHandle key) override {
        const std::string path = pathOf(key);
        const int32_t result = pass(RegistryCall::closeKey, path, [&] { return store_.regCloseKey(key); });
        handlePaths_.erase(key);
        return result;
    }

    int32_t regOpenKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                          RegistryHandle* result) override {
        const std::string narrowPath = store_.narrow(subPath);
        return opening(RegistryCall::openKey, base, narrowPath.c_str(), result,
                       [&] { return store_.regOpenKeyExW(base, subPath, access, result); });
    }
    int32_t regCreateKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                            RegistryHandle* result) override {
        const std::string narrowPath = store_.narrow(subPath);
        return opening(RegistryCall::createKey, base, narrowPath.c_str(), result,
                       [&] { return store_.regCreateKeyExW(base, subPath, access, result); });
    }
    int32_t regQueryValueExW(RegistryHandle key, const char16_t* name, uint32_t* type, uint8_t* data,
                             uint32_t* dataSize) override {
        return pass(RegistryCall::queryValue, valueDetail(key, store_.narrow(name)),
                    [&] { return store_.regQueryValueExW(key, name, type, data, dataSize); });
    }
    int32_t regSetValueExW(RegistryHandle key, const char16_t* name, uint32_t type, const uint8_t* data,
                           uint32_t dataSize) override {
        return pass(RegistryCall::setValue, valueDetail(key, store_.narrow(name)),
                    [&] { return store_.regSetValueExW(key, name, type, data, dataSize); });
    }
    int32_t regEnumKeyExW(RegistryHandle key, uint32_t index, char16_t* name, uint32_t* nameLength) override {
        return pass(RegistryCall::enumKey, indexDetail(key, index),
                    [&] { return store_.regEnumKeyExW(key, index, name, nameLength); });
    }
    int32_t regEnumValueW(RegistryHandle key, uint32_t index, char16_t* name, uint32_t* nameLength,
                          uint32_t* type = nullptr, uint8_t* data = nullptr, uint32_t* dataSize = nullptr) override {
        return pass(RegistryCall::enumValue, indexDetail(key, index),
                    [&] { return store_.regEnumValueW(key, index, name, nameLength, type, data, dataSize); });
    }
    int32_t regDeleteKeyW(RegistryHandle base, const char16_t* subPath) override {
        return pass(RegistryCall::deleteKey, below(base, store_.narrow(subPath)),
                    [&] { return store_.regDeleteKeyW(base, subPath); });
    }
    int32_t regRenameKey(RegistryHandle key, const char16_t* subPath, const char16_t* newName) override {
        return pass(RegistryCall::renameKey, below(key, store_.narrow(subPath)) + " -> " + store_.narrow(newName),
                    [&] { return store_.regRenameKey(key, subPath, newName); });
    }

    std::u16string widen(const std::string& ansi) const override { return store_.widen(ansi); }
    std::string narrow(const std::u16string& wide) const override { return store_.narrow(wide); }
    DoubleByteFacts doubleByteFacts() const override { return store_.doubleByteFacts(); }

private:
    template <typename Forward>
    int32_t pass(RegistryCall kind, const std::string& detail, Forward forward) {
        const bool quiet = kind == RegistryCall::closeKey || kind == RegistryCall::flushKey;
        if (life_.killed) {
            if (quiet) return forward();
            throw KilledRun{};
        }
        const int32_t result = forward();
        calls_.push_back({kind, detail});
        if (calls_.size() == killAfter_) {
            life_.killed = true;
            if (!quiet) throw KilledRun{};
        }
        return result;
    }

    // Opening and creating remember the path of the handle they give, for later calls' names.
    template <typename Forward>
    int32_t opening(RegistryCall kind, RegistryHandle base, const char* subPath, RegistryHandle* result,
                    Forward forward) {
        const std::string path = below(base, subPath);
        return pass(kind, path, [&] {
            const int32_t code = forward();
            if (code == 0 && result != nullptr) handlePaths_[*result] = path;
            return code;
        });
    }

    std::string pathOf(RegistryHandle key) const {
        if (key == kLocalMachine) return "HKLM";
        if (key == kCurrentUser) return "HKCU";
        const auto found = handlePaths_.find(key);
        return found == handlePaths_.end() ? "<handle " + std::to_string(key) + ">" : found->second;
    }
    std::string below(RegistryHandle base, const std::string& subPath) const {
        return subPath.empty() ? pathOf(base) : pathOf(base) + "\\" + subPath;
    }
    std::string valueDetail(RegistryHandle key, const std::string& name) const {
        return pathOf(key) + ":" + (name.empty() ? "(default)" : name);
    }
    std::string indexDetail(RegistryHandle key, uint32_t index) const {
        return pathOf(key) + "[" + std::to_string(index) + "]";
    }

    MemoryRegistry& store_;
    RunLife& life_;
    uint64_t killAfter_ = 0;  // 0: never
    std::vector<Call> calls_;
    std::map<RegistryHandle, std::string> handlePaths_;
};
