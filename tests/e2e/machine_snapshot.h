#pragma once
// What a run must leave alone, read whole before it and after it: the uninstall key of the
// registry's 32-bit view and (on 64-bit Windows) of its 64-bit view, every key, value and the
// order in which each key lists its subkeys, and every folder and file, with its bytes, below the
// maintenance root. Read through Windows alone, never through the program under test, so the
// oracle shares none of its assumptions.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "e2e_case.h"
#include "key_tree.h"

struct UninstallKeySnapshot {
    std::optional<KeyTree> keys;  // nothing when the key is missing
    SubkeyListings listings;
};

struct MachineSnapshot {
    UninstallKeySnapshot view32;
    std::optional<UninstallKeySnapshot> view64;  // 64-bit Windows only
    // Each folder and file by its path below the maintenance root: a file's bytes, nothing for a folder.
    std::map<std::wstring, std::optional<std::string>> maintenanceRoot;
    std::vector<std::string> unreadable;  // what could not be read; such a snapshot proves nothing
};

MachineSnapshot takeMachineSnapshot(const E2eEnvironment& environment);

// What to leave out of the comparison: the keys (32-bit view) and folders the run may change, by
// their names directly below the uninstall key and the maintenance root, letter case aside.
struct RunScope {
    std::vector<std::string> names;
    bool wholeMaintenanceRoot = false;
};

// One line per difference outside the scope: keys, values and subkey listings of both views,
// folders and files and their bytes. A key listed twice is one anywhere, inside the scope too.
std::vector<std::string> changesOutside(const MachineSnapshot& before, const MachineSnapshot& after,
                                        const RunScope& scope);
