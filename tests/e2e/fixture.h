#pragma once
// What the cases' hooks use to lay out and inspect a machine: HKEY_LOCAL_MACHINE values in the
// registry's 32-bit view, the one isreloc itself works in (whichever bitness the driver is built
// for), and plain directories and files. Key paths carry no leading backslash ("SOFTWARE\\...").
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The registry views, as the access flags that choose them (KEY_WOW64_32KEY, KEY_WOW64_64KEY).
// 32-bit Windows has one view, which both flags name.
constexpr uint32_t kView32 = 0x0200;
constexpr uint32_t kView64 = 0x0100;

// Each returns true on success; the key is created with its parents as needed.
bool writeMachineText(const std::string& keyPath, const std::string& name, const std::string& value);
bool writeMachineValue(const std::string& keyPath, const std::string& name, uint32_t type, const std::string& data);
// The value's type and raw bytes, or nothing when the key or value is missing.
struct RegistryValue {
    uint32_t type;
    std::string data;
};
std::optional<RegistryValue> readMachineValue(const std::string& keyPath, const std::string& name);
// A string value up to its first NUL, or nothing when missing or not a string type.
std::optional<std::string> readMachineText(const std::string& keyPath, const std::string& name);
bool machineKeyExists(const std::string& keyPath);
// True when the value is gone afterwards (also when it was never there).
bool deleteMachineValue(const std::string& keyPath, const std::string& name);
// The names of the key's direct subkeys; empty when the key is missing.
std::vector<std::string> machineSubkeyNames(const std::string& keyPath);
// Deletes the key with all its subkeys and values; true when it is gone afterwards.
bool deleteMachineKeyTree(const std::string& keyPath, uint32_t view = kView32);
// Whether this is 64-bit Windows, where the two views are separate branches.
bool twoRegistryViews();

// Makes the directory and its parents; true when it exists afterwards.
bool makeDirectories(const std::string& path);
// Deletes the directory with everything in it; true when it is gone afterwards.
bool removeDirectoryTree(const std::string& path);
bool writeFileText(const std::string& path, const std::string& content);
bool fileExists(const std::string& path);
bool directoryExists(const std::string& path);
// The file's lines without their line ends; empty when the file is missing.
std::vector<std::string> readFileLines(const std::string& path);
