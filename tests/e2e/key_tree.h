#pragma once
// A key tree of HKEY_LOCAL_MACHINE (in the 32-bit view unless another is named) exactly as the registry holds it: every
// subkey, every value's type and raw bytes, names in UTF-16. Read and written through the wide
// calls only, so a name or text outside the ANSI code page is compared as it is, never as '?'.
// Key paths carry no leading backslash.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fixture.h"

struct RawValue {
    uint32_t type;
    std::string bytes;
    bool operator==(const RawValue& other) const { return type == other.type && bytes == other.bytes; }
};
using KeyValues = std::map<std::wstring, RawValue>;  // "" is the unnamed default value
// Each key of the tree by its path below the top: "" is the top, "A\\B" a grandchild.
using KeyTree = std::map<std::wstring, KeyValues>;
// Each key's subkey names in the order the registry enumerates them, a name listed twice kept
// twice: where a parent whose list was corrupted shows (an entry lost, another listed twice).
using SubkeyListings = std::map<std::wstring, std::vector<std::wstring>>;

// A tree that could be read only in part holds this key, so that it never passes for a whole one.
constexpr const wchar_t* kUnreadableKey = L"(unreadable)";

// Nothing when the key is missing; the listings too when asked for.
std::optional<KeyTree> readMachineKeyTree(const std::wstring& keyPath, uint32_t view = kView32,
                                          SubkeyListings* listings = nullptr);
// Creates keyPath and every key of the tree with its values; true when every call succeeded.
bool writeMachineKeyTree(const std::wstring& keyPath, const KeyTree& tree, uint32_t view = kView32);
// One line per key or value that differs, names in UTF-8; empty when the trees are equal.
std::vector<std::string> describeDifferences(const KeyTree& expected, const KeyTree& actual);

// The bytes a string value holds: UTF-16LE with its terminating NUL.
std::string wideStringBytes(const std::wstring& text);
std::wstring widenAnsi(const std::string& text);
std::string utf8Of(const std::wstring& text);
std::wstring widenUtf8(const std::string& text);
