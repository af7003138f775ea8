#pragma once
// The Windows registry through advapi32, always in its 32-bit view (see registry_win32.cpp).
#include "platform/registry/registry_api.h"

// Whether the current user's settings hold Wine's own key (HKEY_CURRENT_USER\Software\Wine): one of
// the two signs, with Wine's ntdll export, by which the backend tells Wine apart.
bool wineSettingsKeyPresent();

class Win32RegistryApi : public RegistryApi {
public:
    Win32RegistryApi();

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
    DoubleByteFacts doubleByteFacts() const override { return facts_; }

private:
    DoubleByteFacts facts_;
    // RegRenameKey, taken from advapi32 at start-up; null where the system lacks it.
    void (*renameKey_)() = nullptr;
};
