#pragma once
// The registry calls of a run, passed on unchanged, with what they find and change written to
// the run's log under each key's full name: a key found or missing (once, until that changes),
// a key created, renamed or deleted, a value written (with its data when that is text or a number) or
// deleted, and each of these that failed. Reads of values are not logged.
#include <string>
#include <unordered_map>

#include "platform/registry/registry_api.h"
#include "platform/services/run_log.h"

class LoggingRegistryApi final : public RegistryApi {
public:
    LoggingRegistryApi(RegistryApi& inner, RunLog& log) : inner_(inner), log_(log) {}

    int32_t regOpenKeyExA(RegistryHandle base, const char* subPath, uint32_t access, RegistryHandle* result) override;
    int32_t regCreateKeyExA(RegistryHandle base, const char* subPath, uint32_t access, RegistryHandle* result) override;
    int32_t regQueryValueExA(RegistryHandle key, const char* name, uint32_t* type, uint8_t* data,
                             uint32_t* dataSize) override {
        return inner_.regQueryValueExA(key, name, type, data, dataSize);
    }
    int32_t regSetValueExA(RegistryHandle key, const char* name, uint32_t type, const uint8_t* data,
                           uint32_t dataSize) override;
    int32_t regQueryInfoKeyA(RegistryHandle key, KeyInfo* info) override { return inner_.regQueryInfoKeyA(key, info); }
    int32_t regEnumKeyExA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) override {
        return inner_.regEnumKeyExA(key, index, name, nameLength);
    }
    int32_t regEnumValueA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) override {
        return inner_.regEnumValueA(key, index, name, nameLength);
    }
    int32_t regDeleteKeyA(RegistryHandle base, const char* subPath) override;
    int32_t regDeleteValueA(RegistryHandle key, const char* name) override;
    int32_t regFlushKey(RegistryHandle key) override { return inner_.regFlushKey(key); }
    int32_t regCloseKey(RegistryHandle key) override;

    int32_t regOpenKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                          RegistryHandle* result) override;
    int32_t regCreateKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                            RegistryHandle* result) override;
    int32_t regQueryValueExW(RegistryHandle key, const char16_t* name, uint32_t* type, uint8_t* data,
                             uint32_t* dataSize) override {
        return inner_.regQueryValueExW(key, name, type, data, dataSize);
    }
    int32_t regSetValueExW(RegistryHandle key, const char16_t* name, uint32_t type, const uint8_t* data,
                           uint32_t dataSize) override;
    int32_t regEnumKeyExW(RegistryHandle key, uint32_t index, char16_t* name, uint32_t* nameLength) override {
        return inner_.regEnumKeyExW(key, index, name, nameLength);
    }
    int32_t regEnumValueW(RegistryHandle key, uint32_t index, char16_t* name, uint32_t* nameLength, uint32_t* type,
                          uint8_t* data, uint32_t* dataSize) override {
        return inner_.regEnumValueW(key, index, name, nameLength, type, data, dataSize);
    }
    int32_t regDeleteKeyW(RegistryHandle base, const char16_t* subPath) override;
    int32_t regRenameKey(RegistryHandle key, const char16_t* subPath, const char16_t* newName) override;

    std::u16string widen(const std::string& ansi) const override { return inner_.widen(ansi); }
    std::string narrow(const std::u16string& wide) const override { return inner_.narrow(wide); }
    DoubleByteFacts doubleByteFacts() const override { return inner_.doubleByteFacts(); }

private:
    enum class KeyState { found, missing };
    enum class ValueChange { written, deleted };

    // Key names are kept in UTF-8, as the log writes them.
    std::string keyPath(RegistryHandle key) const;
    std::string childPath(RegistryHandle base, const std::u16string& subPath) const;
    void noteOpened(RegistryHandle base, const std::u16string& subPath, int32_t status, RegistryHandle opened,
                    bool creating);
    void noteDeleted(RegistryHandle base, const std::u16string& subPath, int32_t status);
    void noteValue(RegistryHandle key, const std::u16string& name, int32_t status, ValueChange change,
                   const std::string& detail = std::string());
    // Writes the line unless the log last said the same of the key.
    void noteState(const std::string& path, KeyState state, const std::string& line);

    RegistryApi& inner_;
    RunLog& log_;
    // A copy of a large product key opens and creates thousands of keys: looked up by hash, so
    // that keeping the log stays linear in the calls made.
    std::unordered_map<RegistryHandle, std::string> openKeys_;  // full key name by handle
    std::unordered_map<std::string, KeyState> lastSaid_;        // what the log said, by lower-cased key name
};
