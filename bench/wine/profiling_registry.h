#pragma once
// Passes every registry call on to another RegistryApi and keeps, per kind of call, how often it
// was made and how long it took: the evidence for where a move's time goes.
#include <array>
#include <cstdint>

#include "platform/registry/registry_api.h"

enum class RegistryCallKind {
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
    count
};
const char* callKindName(RegistryCallKind kind);

struct CallTally {
    int64_t calls = 0;
    double milliseconds = 0;
};

class ProfilingRegistryApi : public RegistryApi {
public:
    explicit ProfilingRegistryApi(RegistryApi& inner) : inner_(inner) {}

    const CallTally& tally(RegistryCallKind kind) const { return tallies_[static_cast<std::size_t>(kind)]; }
    // Calls whose data pointer was null: the size queries made before each read.
    int64_t sizeQueries() const { return sizeQueries_; }

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

    std::u16string widen(const std::string& ansi) const override { return inner_.widen(ansi); }
    std::string narrow(const std::u16string& wide) const override { return inner_.narrow(wide); }
    DoubleByteFacts doubleByteFacts() const override { return inner_.doubleByteFacts(); }

private:
    template <typename Call>
    int32_t timed(RegistryCallKind kind, Call call);

    RegistryApi& inner_;
    std::array<CallTally, static_cast<std::size_t>(RegistryCallKind::count)> tallies_{};
    int64_t sizeQueries_ = 0;
};
