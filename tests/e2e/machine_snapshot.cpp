#include "machine_snapshot.h"

#include <windows.h>

#include <set>

#include "product_fixture.h"
#include "unique_handle.h"

namespace {

const wchar_t* const kUninstallKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

using FindHandle = UniqueHandle<HANDLE, BOOL, FindClose>;

// Key and file names compare as the registry and the file system compare them, case-blind.
std::wstring upperCase(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::string shownPath(const std::wstring& path) { return path.empty() ? "(top key)" : utf8Of(path); }

UninstallKeySnapshot readUninstallKey(uint32_t view, const std::string& label, std::vector<std::string>& unreadable) {
    UninstallKeySnapshot snapshot;
    snapshot.keys = readMachineKeyTree(kUninstallKey, view, &snapshot.listings);
    if (snapshot.keys && snapshot.keys->count(kUnreadableKey) != 0) unreadable.push_back(label);
    return snapshot;
}

bool readFileBytes(const std::wstring& path, std::string& bytes) {
    const HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return false;
    const UniqueKernelHandle file(opened);
    char buffer[4096];
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr)) return false;
        if (count == 0) return true;
        bytes.append(buffer, count);
    }
}

void readFolder(const std::wstring& root, const std::wstring& relative, MachineSnapshot& snapshot) {
    WIN32_FIND_DATAW entry{};
    const HANDLE found = FindFirstFileW((root + relative + L"*").c_str(), &entry);
    if (found == INVALID_HANDLE_VALUE) {
        // A root that is not there (a case that seeds nothing) is simply empty.
        const DWORD error = GetLastError();
        if (!relative.empty() || (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND))
            snapshot.unreadable.push_back("the folder " + utf8Of(root + relative));
        return;
    }
    const FindHandle search(found);
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = relative + name;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            snapshot.maintenanceRoot[path] = std::nullopt;
            readFolder(root, path + L"\\", snapshot);
        } else {
            std::string bytes;
            if (!readFileBytes(root + path, bytes)) snapshot.unreadable.push_back("the file " + utf8Of(root + path));
            snapshot.maintenanceRoot[path] = bytes;
        }
    } while (FindNextFileW(search.get(), &entry));
}

// Whether the key or file at this path (below the uninstall key or the maintenance root) lies
// under one of the names.
bool inScope(const std::wstring& path, const std::set<std::wstring>& upperNames) {
    return !path.empty() && upperNames.count(upperCase(path.substr(0, path.find(L'\\')))) != 0;
}

template <typename Map>
Map outside(const Map& entries, const std::set<std::wstring>& upperNames) {
    Map kept;
    for (const auto& [path, entry] : entries)
        if (!inScope(path, upperNames)) kept.emplace(path, entry);
    return kept;
}

std::string shownListing(const std::vector<std::wstring>& names) {
    std::string shown;
    for (const std::wstring& name : names) shown += "[" + utf8Of(name) + "]";
    return shown.empty() ? "nothing" : shown;
}

SubkeyListings listingsOutside(const SubkeyListings& listings, const std::set<std::wstring>& upperNames) {
    SubkeyListings kept = outside(listings, upperNames);
    if (kept.count(L"") != 0) {
        std::vector<std::wstring> top;
        for (const std::wstring& name : kept[L""])
            if (!inScope(name, upperNames)) top.push_back(name);
        kept[L""] = top;
    }
    return kept;
}

void compareUninstallKeys(const std::string& label, const UninstallKeySnapshot& before, const UninstallKeySnapshot& after,
                          const std::set<std::wstring>& upperNames, std::vector<std::string>& changes) {
    if (before.keys.has_value() != after.keys.has_value()) {
        changes.push_back(label + (after.keys ? "made by the run" : "gone"));
        return;
    }
    if (!before.keys) return;
    for (const std::string& difference :
         describeDifferences(outside(*before.keys, upperNames), outside(*after.keys, upperNames)))
        changes.push_back(label + difference);
    // A subkey no longer listed is missing above; the listings add order and entries listed twice.
    SubkeyListings listedBefore = listingsOutside(before.listings, upperNames);
    const SubkeyListings listedAfter = listingsOutside(after.listings, upperNames);
    for (const auto& [path, names] : listedAfter)
        if (listedBefore[path] != names)
            changes.push_back(label + "key " + shownPath(path) + " lists its subkeys as " + shownListing(names) +
                              ", before the run as " + shownListing(listedBefore[path]));
    // Never right, not even under the run's own names.
    for (const auto& [path, names] : after.listings) {
        std::set<std::wstring> seen;
        for (const std::wstring& name : names)
            if (!seen.insert(upperCase(name)).second)
                changes.push_back(label + "key " + shownPath(path) + " lists " + utf8Of(name) + " twice");
    }
}

void compareMaintenanceRoots(const MachineSnapshot& before, const MachineSnapshot& after,
                             const std::set<std::wstring>& upperNames, std::vector<std::string>& changes) {
    const auto entriesBefore = outside(before.maintenanceRoot, upperNames);
    const auto entriesAfter = outside(after.maintenanceRoot, upperNames);
    const std::string label = "maintenance root: ";
    for (const auto& [path, bytes] : entriesBefore) {
        const auto now = entriesAfter.find(path);
        if (now == entriesAfter.end())
            changes.push_back(label + utf8Of(path) + " missing");
        else if (now->second.has_value() != bytes.has_value())
            changes.push_back(label + utf8Of(path) + (bytes ? " was a file, is a folder" : " was a folder, is a file"));
        else if (bytes && *bytes != *now->second)
            changes.push_back(label + "the file " + utf8Of(path) + " holds " + std::to_string(now->second->size()) +
                              " other bytes, before the run " + std::to_string(bytes->size()));
    }
    for (const auto& [path, bytes] : entriesAfter)
        if (entriesBefore.count(path) == 0) changes.push_back(label + "unexpected " + utf8Of(path));
}

}  // namespace

MachineSnapshot takeMachineSnapshot(const E2eEnvironment& environment) {
    MachineSnapshot snapshot;
    snapshot.view32 = readUninstallKey(kView32, "the uninstall key (32-bit view)", snapshot.unreadable);
    if (twoRegistryViews())
        snapshot.view64 = readUninstallKey(kView64, "the uninstall key (64-bit view)", snapshot.unreadable);
    readFolder(widenAnsi(maintenanceRoot(environment)), L"", snapshot);
    return snapshot;
}

std::vector<std::string> changesOutside(const MachineSnapshot& before, const MachineSnapshot& after,
                                        const RunScope& scope) {
    std::vector<std::string> changes;
    for (const std::string& what : before.unreadable) changes.push_back("before the run, cannot read " + what);
    for (const std::string& what : after.unreadable) changes.push_back("after the run, cannot read " + what);
    std::set<std::wstring> upperNames;
    for (const std::string& name : scope.names) upperNames.insert(upperCase(widenAnsi(name)));
    compareUninstallKeys("uninstall key (32-bit view): ", before.view32, after.view32, upperNames, changes);
    // isreloc never works in the 64-bit view: nothing there is the run's.
    if (before.view64 && after.view64)
        compareUninstallKeys("uninstall key (64-bit view): ", *before.view64, *after.view64, {}, changes);
    if (!scope.wholeMaintenanceRoot) compareMaintenanceRoots(before, after, upperNames, changes);
    return changes;
}
