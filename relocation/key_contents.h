#pragma once
// A key with its values and whole subkey tree as the registry holds it (UTF-16 names, type and
// bytes of every value), read without changing anything, so that a run can tell what a key
// under one of its names is before it moves or erases anything.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/registry_api.h"

struct KeyContents {
    struct Value {
        std::u16string name;  // as spelt in the registry
        uint32_t type = 0;
        std::vector<uint8_t> data;
        bool operator==(const Value& other) const { return type == other.type && data == other.data; }
    };
    // By name folded for case, as the registry matches names.
    std::map<std::u16string, Value> values;
    std::map<std::u16string, KeyContents> subkeys;
    // False when some value or subkey could not be read: then nothing about the key is proven.
    bool complete = true;
    // False when some of the key's own values could not be read: a value missing here may be there.
    bool valuesRead = true;

    const Value* value(const std::u16string& name) const;
};

// How much of a key to read: its whole tree, or only its own values (a product key's subkeys can
// hold a hundred thousand values, and most decisions look at the top).
enum class KeyDepth { wholeTree, ownValues };

// The key at an absolute path below HKEY_LOCAL_MACHINE ("\SOFTWARE\..."); nothing when the
// registry says there is no such key, and an incomplete one when it cannot be opened otherwise.
// Read to its own values only, it is incomplete too: it proves nothing about what the key holds.
std::optional<KeyContents> readKeyContents(RegistryApi& api, const std::string& absolutePath,
                                           KeyDepth depth = KeyDepth::wholeTree);

// Whether holder has every value (same type and bytes) and every subkey of wanted, at every level.
// False when either was not read completely.
bool holdsAllOf(const KeyContents& holder, const KeyContents& wanted);
