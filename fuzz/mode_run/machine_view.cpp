#include "fuzz/mode_run/machine_view.h"

#include "fuzz/mode_run/check.h"

namespace mode_run {

using entry_promise::namesMatch;

std::u16string foldedName(std::u16string name) {
    for (char16_t& c : name) {
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            c = static_cast<char16_t>(c - 0x20);
        else if (c == 0xFF)
            c = 0x178;
    }
    return name;
}

namespace {

void readTree(MemoryRegistry& registry, RegistryHandle key, const std::u16string& path, RegistryView& view) {
    auto& values = view.keys[foldedName(path)];
    char16_t name[2048];
    for (uint32_t index = 0;; ++index) {
        uint32_t length = 2048;
        uint32_t type = 0;
        uint32_t size = 0;
        if (registry.regEnumValueW(key, index, name, &length, &type, nullptr, &size) != 0) break;
        Value value{type, std::vector<uint8_t>(size)};
        length = 2048;
        if (registry.regEnumValueW(key, index, name, &length, &type, value.data.data(), &size) != 0)
            fail("cannot read the store");
        values[foldedName(std::u16string(name, length))] = value;
    }
    for (uint32_t index = 0;; ++index) {
        uint32_t length = 2048;
        if (registry.regEnumKeyExW(key, index, name, &length) != 0) break;
        const std::u16string subkeyName(name, length);
        RegistryHandle subkey = kNoKey;
        if (registry.regOpenKeyExW(key, subkeyName.c_str(), kKeyRead, &subkey) != 0)
            fail("cannot read the store");
        readTree(registry, subkey, path + u"\\" + subkeyName, view);
        registry.regCloseKey(subkey);
    }
}

}  // namespace

RegistryView snapshot(MemoryRegistry& registry) {
    RegistryView view;
    readTree(registry, kLocalMachine, u"HKLM", view);
    return view;
}

std::optional<std::u16string> entryOf(const std::u16string& foldedPath) {
    if (foldedPath.compare(0, kUninstallPrefix.size(), kUninstallPrefix) != 0) return std::nullopt;
    const std::u16string rest = foldedPath.substr(kUninstallPrefix.size());
    return rest.substr(0, rest.find(u'\\'));
}

EntryTree entryTree(const RegistryView& view, const std::string& name) {
    EntryTree tree;
    const std::u16string top = kUninstallPrefix + foldedName(wide(name));
    for (const auto& [path, values] : view.keys)
        if (path == top || path.compare(0, top.size() + 1, top + u"\\") == 0) tree[path.substr(top.size())] = values;
    return tree;
}

EntryTree foldedTree(const KeyTree& tree) {
    EntryTree folded;
    for (const auto& [path, values] : tree) {
        auto& key = folded[foldedName(path.empty() ? u"" : u"\\" + wide(path))];
        for (const auto& [name, value] : values) key[foldedName(wide(name))] = value;
    }
    return folded;
}

bool MachineView::keyThere(const std::string& name) const {
    return registry.keys.count(kUninstallPrefix + foldedName(wide(name))) != 0;
}

bool MachineView::entryThere(const std::string& path) const {
    const std::string folded = resolver->foldedPath(path);
    return !folded.empty() && files.count(folded) != 0;
}

bool MachineView::productAt(const std::string& name) const {
    const std::string folded = resolver->foldedPath(root + name + "\\setup.exe");
    const auto found = files.find(folded);
    return !folded.empty() && found != files.end() && found->second.second != "<dir>";
}

bool MachineView::entryRuns(const std::string& name, bool stoppedDead) const {
    const auto key = registry.keys.find(kUninstallPrefix + foldedName(wide(name)));
    if (key == registry.keys.end()) return true;
    for (const char* valueName : entry_promise::kCommandValues) {
        const auto value = key->second.find(foldedName(wide(valueName)));
        if (value == key->second.end() || (value->second.type != kRegSz && value->second.type != kRegExpandSz))
            continue;
        const auto here = [this](const std::string& folder) { return productAt(folder); };
        if (!entry_promise::commandRuns(entry_promise::commandText(value->second.data), name, root, here, stoppedDead))
            return false;
    }
    return true;
}

std::optional<std::string> MachineView::productOnce(const RunNames& names) const {
    if (!names.guidFound || !names.target || namesMatch(names.source, *names.target)) return std::nullopt;
    for (const auto& [here, other] : {std::make_pair(names.source, *names.target), std::make_pair(*names.target, names.source)})
        if (keyThere(here) && productAt(here) && !keyThere(other) && !folderThere(other)) return here;
    return std::nullopt;
}

std::multiset<std::map<std::string, std::string>> productFolders(const FileView& files, const std::string& rootFolded,
                                                                 const RunNames& names) {
    std::map<std::string, std::map<std::string, std::string>> folders;
    for (const auto& [path, entry] : files) {
        if (rootFolded.empty() || path.compare(0, rootFolded.size() + 1, rootFolded + "\\") != 0) continue;
        const std::string rest = path.substr(rootFolded.size() + 1);
        const std::string folder = rest.substr(0, rest.find('\\'));
        if (!isRunName(names, folder)) continue;
        auto& contents = folders[folder];
        if (rest.size() > folder.size()) contents[rest.substr(folder.size())] = entry.second;
    }
    std::multiset<std::map<std::string, std::string>> result;
    for (const auto& [folder, contents] : folders) result.insert(contents);
    return result;
}

std::vector<std::string> cutShortMoveNames(const MachineView& machine, const std::string& product) {
    std::vector<std::string> names;
    for (const auto& [path, values] : machine.registry.keys) {
        const std::optional<std::u16string> entry = entryOf(path);
        if (!entry || path != kUninstallPrefix + *entry) continue;
        const std::string keyName = narrow(*entry);
        for (const char* valueName : entry_promise::kCommandValues) {
            const auto value = values.find(foldedName(wide(valueName)));
            if (value == values.end() || value->second.type > kRegExpandSz) continue;
            const auto form = entry_promise::isrelocCommandForm(entry_promise::commandText(value->second.data));
            if (!form) continue;
            for (const auto& [mine, other] : {std::make_pair(form->restored, form->relocated),
                                              std::make_pair(form->relocated, form->restored)})
                if (namesMatch(mine, product) && !namesMatch(other, product) &&
                    (namesMatch(keyName, product) || namesMatch(keyName, other)) &&
                    machine.folderThere(product) != machine.folderThere(other))
                    names.push_back(other);
        }
    }
    return names;
}

std::string freeSuffixName(const MachineView& machine, const std::string& source, int skipped) {
    for (int n = 0;; ++n) {
        const std::string name = source + "_" + std::to_string(n);
        if (!machine.keyThere(name) && !machine.folderThere(name) && skipped-- == 0) return name;
    }
}

}  // namespace mode_run
