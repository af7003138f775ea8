#include "fixture.h"

#include <windows.h>

#include "unique_handle.h"

namespace {

// Paths through the wide calls, files' with the long-path prefix: the ANSI calls refuse more than
// MAX_PATH characters, and a key or folder named with 255 characters lies deeper than that.
std::wstring wide(const std::string& text);
std::wstring longPath(const std::string& path) { return path[1] == ':' ? L"\\\\?\\" + wide(path) : wide(path); }

UniqueRegistryKey openMachineKey(const std::string& keyPath, REGSAM access) {
    UniqueRegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide(keyPath).c_str(), 0, access | kView32, key.receive()) != ERROR_SUCCESS) key.reset();
    return key;
}

// Wide calls throughout: a subkey whose name the ANSI code page cannot hold must go too.
bool deleteKeyTree(HKEY parent, const std::wstring& name, REGSAM view) {
    {
        UniqueRegistryKey key;
        if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WRITE | view, key.receive()) != ERROR_SUCCESS)
            return false;
        // Always the first subkey: the list shrinks as each is deleted.
        wchar_t subkey[256];
        DWORD length = 256;
        while (RegEnumKeyExW(key.get(), 0, subkey, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            if (!deleteKeyTree(key.get(), std::wstring(subkey, length), view)) return false;
            length = 256;
        }
    }
    return RegDeleteKeyExW(parent, name.c_str(), view, 0) == ERROR_SUCCESS;
}

std::wstring wide(const std::string& text) {
    std::wstring converted(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &converted[0],
                                           static_cast<int>(converted.size()));
    converted.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return converted;
}

bool directoryExistsW(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool removeDirectoryTreeW(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        const UniqueHandle<HANDLE, BOOL, FindClose> searchOwner(search);
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeDirectoryTreeW(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &entry));
    }
    RemoveDirectoryW(path.c_str());
    return !directoryExistsW(path);
}

}  // namespace

bool writeMachineValue(const std::string& keyPath, const std::string& name, uint32_t type, const std::string& data) {
    UniqueRegistryKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, wide(keyPath).c_str(), 0, nullptr, 0, KEY_WRITE | kView32, nullptr, key.receive(),
                        nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool writeMachineText(const std::string& keyPath, const std::string& name, const std::string& value) {
    return writeMachineValue(keyPath, name, REG_SZ, std::string(value.c_str(), value.size() + 1));
}

std::optional<RegistryValue> readMachineValue(const std::string& keyPath, const std::string& name) {
    const UniqueRegistryKey key = openMachineKey(keyPath, KEY_READ);
    if (key.get() == nullptr) return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::string data(size, '\0');
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return RegistryValue{type, data};
}

std::optional<std::string> readMachineText(const std::string& keyPath, const std::string& name) {
    const std::optional<RegistryValue> value = readMachineValue(keyPath, name);
    if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
    return value->data.substr(0, value->data.find('\0'));
}

bool machineKeyExists(const std::string& keyPath) { return openMachineKey(keyPath, KEY_READ).get() != nullptr; }

bool deleteMachineValue(const std::string& keyPath, const std::string& name) {
    const UniqueRegistryKey key = openMachineKey(keyPath, KEY_READ | KEY_WRITE);
    if (key.get() == nullptr) return true;
    const LONG result = RegDeleteValueA(key.get(), name.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

std::vector<std::string> machineSubkeyNames(const std::string& keyPath) {
    std::vector<std::string> names;
    const UniqueRegistryKey key = openMachineKey(keyPath, KEY_READ);
    if (key.get() == nullptr) return names;
    char name[256];
    DWORD length = sizeof name;
    for (DWORD index = 0;
         RegEnumKeyExA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++index) {
        names.emplace_back(name, length);
        length = sizeof name;
    }
    return names;
}

bool deleteMachineKeyTree(const std::string& keyPath, uint32_t view) {
    deleteKeyTree(HKEY_LOCAL_MACHINE, wide(keyPath), view);
    UniqueRegistryKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide(keyPath).c_str(), 0, KEY_READ | view, key.receive()) != ERROR_SUCCESS;
}

bool twoRegistryViews() {
    if (sizeof(void*) == 8) return true;
    BOOL underWow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &underWow64) && underWow64;
}

bool directoryExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(longPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool fileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(longPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool makeDirectories(const std::string& path) {
    std::string trimmed = path;
    while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
    if (trimmed.empty() || directoryExists(trimmed)) return !trimmed.empty();
    const std::size_t parentEnd = trimmed.rfind('\\');
    if (parentEnd != std::string::npos && parentEnd > 2) makeDirectories(trimmed.substr(0, parentEnd));
    CreateDirectoryW(longPath(trimmed).c_str(), nullptr);
    return directoryExists(trimmed);
}

bool removeDirectoryTree(const std::string& path) {
    std::string trimmed = path;
    while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
    return removeDirectoryTreeW(longPath(trimmed));
}

bool writeFileText(const std::string& path, const std::string& content) {
    HANDLE created = CreateFileW(longPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE) return false;
    const UniqueKernelHandle file(created);
    DWORD written = 0;
    return WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
           written == content.size();
}

std::vector<std::string> readFileLines(const std::string& path) {
    std::vector<std::string> lines;
    HANDLE opened = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return lines;
    const UniqueKernelHandle file(opened);
    std::string content;
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr) && count > 0) content.append(buffer, count);
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}
