#pragma once
// A DACL read-only for everyone on one key of the real registry, in the 32-bit view where the
// backend works, and the key's own DACL back when the lock goes (its owner keeps WRITE_DAC).
// RegSetKeySecurity sets the one key: the keys below keep their own security, as they do on Windows.
#include <windows.h>
#include <sddl.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

class ReadOnlyKeyLock {
public:
    explicit ReadOnlyKeyLock(const std::u16string& pathBelowLocalMachine) : path_(pathBelowLocalMachine) {
        const OpenKey key = open();
        DWORD size = 0;
        if (!key || RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size) != ERROR_INSUFFICIENT_BUFFER)
            return;
        saved_.resize(size);
        if (RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, saved_.data(), &size) != ERROR_SUCCESS) return;
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly, nullptr))
            return;
        locked_ = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
        LocalFree(readOnly);
    }
    ~ReadOnlyKeyLock() {
        if (!locked_) return;
        if (const OpenKey key = open()) RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, saved_.data());
    }
    ReadOnlyKeyLock(const ReadOnlyKeyLock&) = delete;
    ReadOnlyKeyLock& operator=(const ReadOnlyKeyLock&) = delete;

    bool locked() const { return locked_; }
    // Where the registry is Wine's, whose rules differ in places the tests say.
    static bool underWine() {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }
    // A 32-bit process on a 64-bit system, where Wine's registry checks rights differently.
    static bool underWow64() {
        BOOL wow64 = FALSE;
        return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
    }

private:
    using OpenKey = std::unique_ptr<std::remove_pointer_t<HKEY>, decltype(&RegCloseKey)>;

    OpenKey open() const {
        HKEY key = nullptr;
        const auto* path = reinterpret_cast<const wchar_t*>(path_.c_str());
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL | WRITE_DAC | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
            key = nullptr;
        return OpenKey(key, &RegCloseKey);
    }

    std::u16string path_;
    std::vector<BYTE> saved_;
    bool locked_ = false;
};
