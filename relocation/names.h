#pragma once
// The names a run moves a product between: which texts can name a product's folder and key at
// all, and which names provably belong to one product.
#include <cstdint>
#include <string>

// A GUID in braces: '{' at offset 0, '-' at 9, 14, 19 and 24, '}' at 37; nothing else tested.
bool hasGuidForm(const std::string& name);

// Whether a name names exactly one folder below the maintenance root and the key of the same
// name below the uninstall key. It must be non-empty, at most 255 characters (the longest key or
// folder name there is), and plain: none of \ / : * ? " < > | nor a control character (a path,
// a drive, a wildcard, or a name no folder can have), not "." or "..", and no trailing dot or
// space, which Windows drops from a folder name but the registry keeps in a key name, so that
// folder and key would part.
bool isUsableName(const std::string& name);

// The name to restore when none is given: a relocated name {GUID}_n less its "_n".
std::string restoredNameFor(const std::string& relocatedName);
std::u16string restoredNameFor(const std::u16string& relocatedName);

// The name the suffix search tries n-th for a product: its GUID, "_" and n in decimal.
std::string suffixName(const std::string& productName, int32_t n);

// Whether two names name the same folder and key: Windows compares them without regard to case,
// by the registry's own upper-case folding. The one answer to that question, for every mode and
// every name read from the command line, a command or the registry.
bool sameName(const std::u16string& left, const std::u16string& right);
