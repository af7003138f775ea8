#include "fuzz/mode_run/oracle.h"

#include <vector>

#include "fuzz/mode_run/check.h"

namespace mode_run {

using entry_promise::isrelocCommandForm;
using entry_promise::namesMatch;

bool isIsrelocCommand(const Value& value) {
    return (value.type == kRegSz || value.type == kRegExpandSz) &&
           isrelocCommandForm(entry_promise::commandText(value.data)).has_value();
}

namespace {

// A name install mode may take for itself when no -tguid names one: the source, "_" and digits.
bool isOwnSuffixName(const RunNames& names, const std::string& name) {
    if (name.size() <= names.source.size() + 1 || !namesMatch(name.substr(0, names.source.size()), names.source) ||
        name[names.source.size()] != '_')
        return false;
    return name.find_first_not_of("0123456789", names.source.size() + 1) == std::string::npos;
}

// Whether a name is the other name of this run, beside the source.
bool isRunTarget(const RunNames& names, const std::string& name) {
    return names.target ? namesMatch(name, *names.target) : !names.uninstallMode && isOwnSuffixName(names, name);
}

}  // namespace

bool isIsrelocCommandOfRun(const Value& value, const RunNames& names) {
    if (!isIsrelocCommand(value)) return false;
    const auto form = isrelocCommandForm(entry_promise::commandText(value.data));
    return (namesMatch(form->relocated, names.source) && isRunTarget(names, form->restored)) ||
           (namesMatch(form->restored, names.source) && isRunTarget(names, form->relocated));
}

namespace {

// Where a value may be found after a run: a command at the key's top in either value of its pair
// (install mode keeps the product's in the saved one, uninstall mode gives it back), any other
// value under its own name.
std::vector<std::u16string> placesOf(const std::u16string& path, const std::u16string& valueName) {
    if (path.empty())
        for (const auto& [live, saved] : kCommandPairs)
            if (valueName == foldedName(live) || valueName == foldedName(saved))
                return {foldedName(live), foldedName(saved)};
    return {valueName};
}

}  // namespace

// Every value of the key once under `name` is still under one of the run's names, at the same
// place, a command in either value of its pair; only isreloc's own command may go. What may go
// loses nothing this way: a partial copy holds only what the product's key holds, and isreloc's
// own data only its command and a saved command the product's key holds too.
void expectKeyKept(const RegistryView& before, const RegistryView& after, const std::string& name,
                   const RunNames& names, const std::string& run) {
    const EntryTree kept = entryTree(before, name);
    if (kept.empty()) return;
    std::vector<EntryTree> now = {entryTree(after, names.source)};
    if (names.target) now.push_back(entryTree(after, *names.target));
    for (const auto& [path, values] : kept) {
        for (const auto& [valueName, value] : values) {
            const std::vector<std::u16string> places = placesOf(path, valueName);
            if (places.size() == 2 && isIsrelocCommandOfRun(value, names)) continue;
            bool found = false;
            for (const EntryTree& tree : now) {
                const auto key = tree.find(path);
                for (const std::u16string& place : places) {
                    if (key == tree.end()) continue;
                    const auto held = key->second.find(place);
                    found = found || (held != key->second.end() && held->second == value);
                }
            }
            check(found, "the value " + narrow(valueName) + " of " + name + narrow(path) + " is lost by" + run);
        }
    }
}

// isreloc's commands kept in the saved values of the run's entries.
std::set<Value> isrelocCommandsSaved(const RegistryView& view, const RunNames& names) {
    std::set<Value> saved;
    for (const auto& [path, values] : view.keys) {
        const std::optional<std::u16string> entry = entryOf(path);
        if (!entry || !isRunName(names, narrow(*entry))) continue;
        for (const auto& [live, savedName] : kCommandPairs) {
            const auto value = values.find(foldedName(savedName));
            if (value != values.end() && isIsrelocCommandOfRun(value->second, names)) saved.insert(value->second);
        }
    }
    return saved;
}

void expectOnlyRunNamesChanged(const RegistryView& before, const RegistryView& after, const FileView& filesBefore,
                               const FileView& filesAfter, const std::string& rootFolded, const RunNames& names,
                               const std::string& run) {
    std::set<std::u16string> changedEntries;
    std::set<std::u16string> keys;
    for (const auto& [path, values] : before.keys) keys.insert(path);
    for (const auto& [path, values] : after.keys) keys.insert(path);
    for (const std::u16string& path : keys) {
        const auto was = before.keys.find(path);
        const auto is = after.keys.find(path);
        if (was != before.keys.end() && is != after.keys.end() && was->second == is->second) continue;
        const std::optional<std::u16string> entry = entryOf(path);
        check(entry.has_value() && isRunName(names, narrow(*entry)),
              "the key " + narrow(path) + " outside the run's names changed by" + run);
        changedEntries.insert(*entry);
    }
    std::set<std::string> changedFolders;
    std::set<std::string> paths;
    for (const auto& [path, entry] : filesBefore) paths.insert(path);
    for (const auto& [path, entry] : filesAfter) paths.insert(path);
    for (const std::string& path : paths) {
        const auto was = filesBefore.find(path);
        const auto is = filesAfter.find(path);
        if (was != filesBefore.end() && is != filesAfter.end() && was->second.second == is->second.second) continue;
        const bool inRoot = !rootFolded.empty() && path.compare(0, rootFolded.size() + 1, rootFolded + "\\") == 0;
        const std::string folder = inRoot ? path.substr(rootFolded.size() + 1, path.find('\\', rootFolded.size() + 1) -
                                                                                   rootFolded.size() - 1)
                                          : "";
        check(inRoot && isRunName(names, folder), "the file or folder " + path + " outside the run's names changed by" + run);
        changedFolders.insert(folder);
    }
    check(changedEntries.size() <= 2 && changedFolders.size() <= 2, "more than two names changed by" + run);
}

}  // namespace mode_run
