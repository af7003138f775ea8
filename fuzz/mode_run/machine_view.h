#pragma once
// The machine before and after a run as the checks look at it: the whole of HKLM with key and
// value names folded, the files, and what stands under a name below the maintenance root.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/mode_run/machine.h"
#include "fuzz/mode_run/run_names.h"

namespace mode_run {

// Key and value names match as the registry matches them, without regard to letter case: the
// letters of ASCII and Latin-1, which are all the machines' names hold, are folded to upper case
// by the Unicode simple mapping; any other unit stands for itself.
std::u16string foldedName(std::u16string name);

struct RegistryView {
    // Folded key path -> the values by folded name (type and bytes), for the whole of HKLM.
    std::map<std::u16string, std::map<std::u16string, Value>> keys;
};
using FileView = std::map<std::string, std::pair<std::string, std::string>>;  // MemoryFileServices::entries()
using EntryTree = std::map<std::u16string, std::map<std::u16string, Value>>;

RegistryView snapshot(MemoryRegistry& registry);

inline const std::u16string kUninstallPrefix = foldedName(u"HKLM\\" + wide(kUninstallKey) + u"\\");

// The top-level uninstall entry a folded key path lies in, or nothing when it lies outside them.
std::optional<std::u16string> entryOf(const std::u16string& foldedPath);
// A key of a snapshot with everything below it, keyed by the path below it.
EntryTree entryTree(const RegistryView& view, const std::string& name);
EntryTree foldedTree(const KeyTree& tree);

// The machine after (or before) a run, as the checks look at it.
struct MachineView {
    RegistryView registry;
    FileView files;
    MemoryFileServices* resolver = nullptr;  // folds paths as Windows resolves them
    std::string root;

    bool keyThere(const std::string& name) const;
    bool entryThere(const std::string& path) const;
    bool folderThere(const std::string& name) const { return entryThere(root + name); }
    // The folder of the name below the root holds the product's setup.exe.
    bool productAt(const std::string& name) const;
    // Every command the entry under the name holds starts what is there; after a stop, reaches it.
    bool entryRuns(const std::string& name, bool stoppedDead = false) const;
    // The product there once: its key and its folder under one of the run's names, neither a key
    // nor a folder under the other; the name, or nothing.
    std::optional<std::string> productOnce(const RunNames& names) const;
};

// The product's folder contents below each of the run's names, as a multiset: a folder may move
// between the names, never vanish, split or change.
std::multiset<std::map<std::string, std::string>> productFolders(const FileView& files, const std::string& rootFolded,
                                                                 const RunNames& names);

// The other names of the product's moves that may have been cut short: each name isreloc's
// command records beside the product's, in the product's key or in the key under that name, with
// the product's folder under one of the two names. Install mode finishes such a move first, and
// its name is then the run's target.
std::vector<std::string> cutShortMoveNames(const MachineView& machine, const std::string& product);

// Install mode's own target otherwise: the first of {GUID}_0, {GUID}_1, ... with neither a folder nor a key
// (after `skipped` free ones).
std::string freeSuffixName(const MachineView& machine, const std::string& source, int skipped = 0);

}  // namespace mode_run
