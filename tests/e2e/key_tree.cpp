#include "key_tree.h"

#include <windows.h>

#include <set>

#include "unique_handle.h"

namespace {

UniqueRegistryKey openKey(HKEY parent, const std::wstring& path, REGSAM view = kView32) {
    UniqueRegistryKey key;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | view, key.receive()) != ERROR_SUCCESS) key.reset();
    return key;
}

bool readValues(HKEY key, KeyValues& values) {
    DWORD count = 0;
    DWORD longestName = 0;
    DWORD largestData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                         &largestData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring name(longestName + 1, L'\0');
    std::string data(largestData + 1, '\0');
    for (DWORD index = 0; index < count; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        if (RegEnumValueW(key, index, &name[0], &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                          &size) != ERROR_SUCCESS)
            return false;
        values[name.substr(0, nameLength)] = RawValue{type, data.substr(0, size)};
    }
    return true;
}

bool readTree(HKEY key, const std::wstring& path, REGSAM view, KeyTree& tree, SubkeyListings* listings) {
    if (!readValues(key, tree[path])) return false;
    DWORD count = 0;
    DWORD longestName = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &longestName, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring name(longestName + 1, L'\0');
    std::set<std::wstring> read;
    for (DWORD index = 0; index < count; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, index, &name[0], &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        const std::wstring subkeyName = name.substr(0, nameLength);
        if (listings != nullptr) (*listings)[path].push_back(subkeyName);
        // A name listed twice is one key; the listing alone shows the second entry.
        if (!read.insert(subkeyName).second) continue;
        const UniqueRegistryKey subkey = openKey(key, subkeyName, view);
        if (subkey.get() == nullptr ||
            !readTree(subkey.get(), path.empty() ? subkeyName : path + L"\\" + subkeyName, view, tree, listings))
            return false;
    }
    return true;
}

std::string describeValue(const RawValue& value) {
    std::string shown = "type " + std::to_string(value.type) + ", " + std::to_string(value.bytes.size()) + " bytes [";
    for (const unsigned char byte : value.bytes) {
        char hex[4];
        wsprintfA(hex, "%02X", byte);
        shown += hex;
    }
    return shown + "]";
}

std::string keyName(const std::wstring& path) { return path.empty() ? "(top key)" : utf8Of(path); }
std::string valueName(const std::wstring& name) { return name.empty() ? "(default)" : "'" + utf8Of(name) + "'"; }

}  // namespace

std::optional<KeyTree> readMachineKeyTree(const std::wstring& keyPath, uint32_t view, SubkeyListings* listings) {
    const UniqueRegistryKey top = openKey(HKEY_LOCAL_MACHINE, keyPath, view);
    if (top.get() == nullptr) return std::nullopt;
    KeyTree tree;
    // A tree read only in part would pass for one that lost keys or values.
    if (!readTree(top.get(), L"", view, tree, listings)) tree[kUnreadableKey] = {};
    return tree;
}

bool writeMachineKeyTree(const std::wstring& keyPath, const KeyTree& tree, uint32_t view) {
    bool complete = true;
    for (const auto& [path, values] : tree) {
        UniqueRegistryKey key;
        const std::wstring fullPath = path.empty() ? keyPath : keyPath + L"\\" + path;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, fullPath.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, key.receive(),
                            nullptr) != ERROR_SUCCESS) {
            complete = false;
            continue;
        }
        for (const auto& [name, value] : values)
            complete = RegSetValueExW(key.get(), name.c_str(), 0, value.type,
                                      reinterpret_cast<const BYTE*>(value.bytes.data()),
                                      static_cast<DWORD>(value.bytes.size())) == ERROR_SUCCESS &&
                       complete;
    }
    return complete;
}

std::vector<std::string> describeDifferences(const KeyTree& expected, const KeyTree& actual) {
    std::vector<std::string> differences;
    for (const auto& [path, values] : expected) {
        const auto found = actual.find(path);
        if (found == actual.end()) {
            differences.push_back("key " + keyName(path) + " missing");
            continue;
        }
        for (const auto& [name, value] : values) {
            const auto actualValue = found->second.find(name);
            if (actualValue == found->second.end())
                differences.push_back("key " + keyName(path) + ": value " + valueName(name) + " missing");
            else if (!(actualValue->second == value))
                differences.push_back("key " + keyName(path) + ": value " + valueName(name) + " holds " +
                                      describeValue(actualValue->second) + ", expected " + describeValue(value));
        }
        for (const auto& [name, value] : found->second)
            if (values.count(name) == 0)
                differences.push_back("key " + keyName(path) + ": unexpected value " + valueName(name) + " " +
                                      describeValue(value));
    }
    for (const auto& [path, values] : actual)
        if (expected.count(path) == 0) differences.push_back("unexpected key " + keyName(path));
    return differences;
}

std::string wideStringBytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

std::wstring widenAnsi(const std::string& text) {
    if (text.empty()) return L"";
    std::wstring wide(text.size(), L'\0');
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return wide;
}

std::string utf8Of(const std::wstring& text) {
    if (text.empty()) return "";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &narrow[0], size, nullptr, nullptr);
    return narrow;
}

std::wstring widenUtf8(const std::string& text) {
    if (text.empty()) return L"";
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(size > 0 ? static_cast<std::size_t>(size) : 0, L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}
