#include "platform/registry/registry_win32.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "platform/registry/owned_key.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide calls take UTF-16 units");
static_assert(sizeof(HKEY) == sizeof(RegistryHandle), "a handle travels whole through the seam");

bool wineSettingsKeyPresent() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

namespace {

// The registry view, chosen here once for every key isreloc opens, creates or deletes: the
// 32-bit one. The installers of the products isreloc serves are 32-bit and write their
// uninstall entries there; on 64-bit Windows that is the branch the system redirects 32-bit
// programs to. Naming the view keeps a 64-bit build of isreloc on exactly the keys the 32-bit
// build sees, and changes nothing for the 32-bit build; 32-bit Windows ignores the flag. No path
// names the redirected branch itself.
constexpr REGSAM kRegistryView = KEY_WOW64_32KEY;

HKEY toHkey(RegistryHandle handle) { return reinterpret_cast<HKEY>(static_cast<uintptr_t>(handle)); }
RegistryHandle fromHkey(HKEY key) { return static_cast<RegistryHandle>(reinterpret_cast<uintptr_t>(key)); }
const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
DWORD* dword(uint32_t* value) { return reinterpret_cast<DWORD*>(value); }

// Taken once, when the registry is first set up at start-up.
DoubleByteFacts readDoubleByteFacts() {
    DoubleByteFacts facts;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    facts.ntPlatform = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    char codePage[8] = {};
    UINT ansiCodePage = CP_ACP;
    if (GetLocaleInfoA(MAKELCID(LANGIDFROMLCID(GetThreadLocale()), SORT_DEFAULT), LOCALE_IDEFAULTANSICODEPAGE,
                       codePage, sizeof(codePage)) > 0)
        ansiCodePage = static_cast<UINT>(strtoul(codePage, nullptr, 10));
    CPINFO info{};
    facts.doubleByteCodePage = GetCPInfo(ansiCodePage, &info) && info.LeadByte[0] != 0;
    return facts;
}

using RenameKeyCall = LSTATUS(WINAPI*)(HKEY, LPCWSTR, LPCWSTR);
// The generic function type, which converts to and from any other without a warning.
using AnyFunction = void (*)();

// Windows programs tell Wine apart by this export of its ntdll; Windows' own has none.
bool wineExportPresent() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Some Wine-based runtimes hide the export from programs, so the rename's danger is not left to
// it alone: every Wine prefix holds its own settings under this key, which Windows never makes.
// A Windows machine where something else made it only moves keys by copying, which is safe anywhere.
bool runningUnderWine() { return wineExportPresent() || wineSettingsKeyPresent(); }

// RegRenameKey is looked up rather than imported: its export was undocumented until 2021 and is
// missing from some Wine-based runtimes, where an import by name would keep isreloc from
// starting; looked up here, its absence only means that keys move by copying. (RegDeleteKeyEx,
// imported, is in every advapi32 since Windows Vista, the oldest system the manifest names.)
//
// Under Wine the rename is not used at all: its server computes the new name's place in the
// parent's sorted subkey list while the old entry is still in it, so a new name that sorts right
// after the old one ({GUID} -> {GUID}_0, unless a name such as {GUID}-x lies between) is stored
// over the next sibling and left in its old slot too. That sibling (another product's uninstall
// entry) is gone for good once the server saves, the renamed key is listed twice, and deleting
// it later can crash the server (Wine 8.0; the same insertion code is in later trees, so no
// version can be trusted). The copy, which isreloc uses wherever the call is missing, changes
// nothing but the key it moves.
AnyFunction findRenameKey() {
    if (runningUnderWine()) return nullptr;
    const HMODULE advapi32 = GetModuleHandleA("advapi32.dll");
    if (advapi32 == nullptr) return nullptr;
    return reinterpret_cast<AnyFunction>(GetProcAddress(advapi32, "RegRenameKey"));
}

// The system forgives string data whose count leaves out the last terminator: when the last
// character counted is not NUL and the one after it is, it stores that one too, whatever the
// caller's buffer holds there. A product's value without a terminator would gain one when copied.
// String data therefore goes out in a copy followed by bytes that are never NUL; empty for any
// other data, which goes out as it is.
std::vector<uint8_t> guardedStringData(uint32_t type, const uint8_t* data, uint32_t dataSize) {
    const bool stringType = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    if (!stringType || data == nullptr || dataSize == 0) return {};
    std::vector<uint8_t> guarded(data, data + dataSize);
    guarded.insert(guarded.end(), {0xFF, 0xFF});
    return guarded;
}

// Called after the call that opened the key, so that it reads the handle written.
int32_t handOut(LONG result, HKEY opened, RegistryHandle* handle) {
    *handle = result == ERROR_SUCCESS ? fromHkey(opened) : kNoKey;
    return static_cast<int32_t>(result);
}

}  // namespace

Win32RegistryApi::Win32RegistryApi() : facts_(readDoubleByteFacts()), renameKey_(findRenameKey()) {}

int32_t Win32RegistryApi::regOpenKeyExA(RegistryHandle base, const char* subPath, uint32_t access,
                                        RegistryHandle* result) {
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(toHkey(base), subPath, 0, access | kRegistryView, &opened);
    return handOut(status, opened, result);
}

int32_t Win32RegistryApi::regCreateKeyExA(RegistryHandle base, const char* subPath, uint32_t access,
                                          RegistryHandle* result) {
    HKEY created = nullptr;
    DWORD disposition = 0;
    const LONG status = RegCreateKeyExA(toHkey(base), subPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         access | kRegistryView, nullptr, &created, &disposition);
    return handOut(status, created, result);
}

int32_t Win32RegistryApi::regQueryValueExA(RegistryHandle key, const char* name, uint32_t* type, uint8_t* data,
                                           uint32_t* dataSize) {
    return RegQueryValueExA(toHkey(key), name, nullptr, dword(type), data, dword(dataSize));
}

int32_t Win32RegistryApi::regSetValueExA(RegistryHandle key, const char* name, uint32_t type, const uint8_t* data,
                                         uint32_t dataSize) {
    const std::vector<uint8_t> guarded = guardedStringData(type, data, dataSize);
    return RegSetValueExA(toHkey(key), name, 0, type, guarded.empty() ? data : guarded.data(), dataSize);
}

int32_t Win32RegistryApi::regQueryInfoKeyA(RegistryHandle key, KeyInfo* info) {
    FILETIME lastWrite{};
    const LONG result = RegQueryInfoKeyA(toHkey(key), nullptr, nullptr, nullptr, dword(&info->subkeyCount),
                                         dword(&info->maxSubkeyNameLength), nullptr, dword(&info->valueCount),
                                         dword(&info->maxValueNameLength), dword(&info->maxDataLength), nullptr,
                                         &lastWrite);
    info->lastWriteTime = (static_cast<uint64_t>(lastWrite.dwHighDateTime) << 32) | lastWrite.dwLowDateTime;
    return result;
}

int32_t Win32RegistryApi::regEnumKeyExA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) {
    return RegEnumKeyExA(toHkey(key), index, name, dword(nameLength), nullptr, nullptr, nullptr, nullptr);
}

int32_t Win32RegistryApi::regEnumValueA(RegistryHandle key, uint32_t index, char* name, uint32_t* nameLength) {
    return RegEnumValueA(toHkey(key), index, name, dword(nameLength), nullptr, nullptr, nullptr, nullptr);
}

int32_t Win32RegistryApi::regDeleteKeyA(RegistryHandle base, const char* subPath) {
    return RegDeleteKeyExA(toHkey(base), subPath, kRegistryView, 0);
}

int32_t Win32RegistryApi::regDeleteValueA(RegistryHandle key, const char* name) {
    return RegDeleteValueA(toHkey(key), name);
}

int32_t Win32RegistryApi::regFlushKey(RegistryHandle key) { return RegFlushKey(toHkey(key)); }

int32_t Win32RegistryApi::regCloseKey(RegistryHandle key) { return RegCloseKey(toHkey(key)); }

int32_t Win32RegistryApi::regOpenKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                                        RegistryHandle* result) {
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExW(toHkey(base), wide(subPath), 0, access | kRegistryView, &opened);
    return handOut(status, opened, result);
}

int32_t Win32RegistryApi::regCreateKeyExW(RegistryHandle base, const char16_t* subPath, uint32_t access,
                                          RegistryHandle* result) {
    HKEY created = nullptr;
    DWORD disposition = 0;
    const LONG status = RegCreateKeyExW(toHkey(base), wide(subPath), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         access | kRegistryView, nullptr, &created, &disposition);
    return handOut(status, created, result);
}

int32_t Win32RegistryApi::regQueryValueExW(RegistryHandle key, const char16_t* name, uint32_t* type, uint8_t* data,
                                           uint32_t* dataSize) {
    return RegQueryValueExW(toHkey(key), wide(name), nullptr, dword(type), data, dword(dataSize));
}

int32_t Win32RegistryApi::regSetValueExW(RegistryHandle key, const char16_t* name, uint32_t type, const uint8_t* data,
                                         uint32_t dataSize) {
    const std::vector<uint8_t> guarded = guardedStringData(type, data, dataSize);
    return RegSetValueExW(toHkey(key), wide(name), 0, type, guarded.empty() ? data : guarded.data(), dataSize);
}

int32_t Win32RegistryApi::regEnumKeyExW(RegistryHandle key, uint32_t index, char16_t* name, uint32_t* nameLength) {
    return RegEnumKeyExW(toHkey(key), index, wide(name), dword(nameLength), nullptr, nullptr, nullptr, nullptr);
}

int32_t Win32RegistryApi::regEnumValueW(RegistryHandle key, uint32_t index, char16_t* name, uint32_t* nameLength,
                                        uint32_t* type, uint8_t* data, uint32_t* dataSize) {
    return RegEnumValueW(toHkey(key), index, wide(name), dword(nameLength), nullptr, dword(type), data,
                         dword(dataSize));
}

int32_t Win32RegistryApi::regDeleteKeyW(RegistryHandle base, const char16_t* subPath) {
    return RegDeleteKeyExW(toHkey(base), wide(subPath), kRegistryView, 0);
}

int32_t Win32RegistryApi::regRenameKey(RegistryHandle key, const char16_t* subPath, const char16_t* newName) {
    if (renameKey_ == nullptr) return kErrorCallNotImplemented;
    const auto renameKey = reinterpret_cast<RenameKeyCall>(renameKey_);
    if (subPath[0] == u'\0') return renameKey(toHkey(key), nullptr, wide(newName));
    // Given the sub-path, the system would open the key in the process's own view; opened here,
    // it is the 32-bit one like every other key. KEY_WRITE is what the rename asks of the key.
    RegistryHandle opened = kNoKey;
    if (const int32_t error = regOpenKeyExW(key, subPath, KEY_WRITE, &opened)) return error;
    const OwnedKey renamed(*this, opened);
    return renameKey(toHkey(renamed.get()), nullptr, wide(newName));
}

std::u16string Win32RegistryApi::widen(const std::string& ansi) const {
    if (ansi.empty()) return std::u16string();
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::u16string result(static_cast<size_t>(length), u'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide(&result[0]), length);
    return result;
}

std::string Win32RegistryApi::narrow(const std::u16string& text) const {
    if (text.empty()) return std::string();
    const int length = WideCharToMultiByte(CP_ACP, 0, wide(text.data()), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide(text.data()), static_cast<int>(text.size()), &result[0], length, nullptr,
                        nullptr);
    return result;
}
