#include "fixture.h"

#include <windows.h>

#include "unique_handle.h"

namespace {

UniqueRegistryKey openMachineKey(const std::string& keyPath, REGSAM access) {
    UniqueRegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, access, key.receive()) != ERROR_SUCCESS) key.reset();
    return key;
}

bool deleteKeyTree(HKEY parent, const std::string& name) {
    {
        UniqueRegistryKey key;
        if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, key.receive()) != ERROR_SUCCESS)
            return false;
        // Always the first subkey: the list shrinks as each is deleted.
        char subkey[256];
        DWORD length = sizeof subkey;
        while (RegEnumKeyExA(key.get(), 0, subkey, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            if (!deleteKeyTree(key.get(), subkey)) return false;
            length = sizeof subkey;
        }
    }
    return RegDeleteKeyA(parent, name.c_str()) == ERROR_SUCCESS;
}

}  // namespace

bool writeMachineValue(const std::string& keyPath, const std::string& name, uint32_t type, const std::string& data) {
    UniqueRegistryKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.receive(),
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

bool deleteMachineKeyTree(const std::string& keyPath) {
    deleteKeyTree(HKEY_LOCAL_MACHINE, keyPath);
    return !machineKeyExists(keyPath);
}

bool directoryExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool fileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool makeDirectories(const std::string& path) {
    std::string trimmed = path;
    while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
    if (trimmed.empty() || directoryExists(trimmed)) return !trimmed.empty();
    const std::size_t parentEnd = trimmed.rfind('\\');
    if (parentEnd != std::string::npos && parentEnd > 2) makeDirectories(trimmed.substr(0, parentEnd));
    CreateDirectoryA(trimmed.c_str(), nullptr);
    return directoryExists(trimmed);
}

bool removeDirectoryTree(const std::string& path) {
    std::string trimmed = path;
    while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((trimmed + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        const UniqueHandle<HANDLE, BOOL, FindClose> searchOwner(search);
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = trimmed + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeDirectoryTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &entry));
    }
    RemoveDirectoryA(trimmed.c_str());
    return !directoryExists(trimmed);
}

bool writeFileText(const std::string& path, const std::string& content) {
    HANDLE created = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
