#include "tests/support/memory_file_services.h"

namespace {

// The longest path the backend names to the system: the long-path prefix lifts MAX_PATH.
constexpr std::size_t kLongestPath = 32767 - 4;  // less the prefix, terminator included
constexpr int32_t kFileStamp = 0x5A210000;  // a file's last write: 1 January 2025, 00:00

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char upperLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Characters no Windows file name may hold; '*' and '?' only as a search's wildcards.
bool forbiddenInName(char c, bool allowWildcards) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20) return true;
    if (c == '*' || c == '?') return !allowWildcards;
    return c == '<' || c == '>' || c == ':' || c == '"' || c == '|';
}

// '*' stands for any run of characters, '?' for any one, as in a Windows file search.
bool matchesPattern(const std::string& pattern, const std::string& name) {
    if (pattern.empty()) return name.empty();
    if (pattern[0] == '*') {
        for (std::size_t skip = 0; skip <= name.size(); ++skip)
            if (matchesPattern(pattern.substr(1), name.substr(skip))) return true;
        return false;
    }
    return !name.empty() && (pattern[0] == '?' || pattern[0] == name[0]) &&
           matchesPattern(pattern.substr(1), name.substr(1));
}

}  // namespace

MemoryFileServices::MemoryFileServices() {
    drives_['C'] = Node{};
    current_ = Resolved{'C', {}};
    // Every Windows machine has its system directory.
    makeDirectory("C:\\Windows\\System32");
}

// Windows compares names by its upper-case table: ASCII and Latin-1 letters here, the code page
// the in-memory registry reads 8-bit names in.
std::string MemoryFileServices::fold(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        else if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) c = static_cast<char>(byte - 0x20);
    }
    return folded;
}

std::optional<MemoryFileServices::Resolved> MemoryFileServices::resolve(const std::string& windowsPath,
                                                                        bool allowWildcards) const {
    if (windowsPath.empty()) return std::nullopt;
    Resolved resolved = current_;
    std::size_t at = 0;
    if (windowsPath.size() >= 2 && isLetter(windowsPath[0]) && windowsPath[1] == ':') {
        const char drive = upperLetter(windowsPath[0]);
        at = 2;
        if (drive != current_.drive) resolved = Resolved{drive, {}};
        if (at < windowsPath.size() && isSeparator(windowsPath[at])) resolved.names.clear();
    } else if (isSeparator(windowsPath[0])) {
        if (windowsPath.size() > 1 && isSeparator(windowsPath[1])) return std::nullopt;  // UNC and device paths
        resolved.names.clear();
    }
    // The names, with the separators between them.
    std::vector<std::string> names;
    std::string name;
    for (; at <= windowsPath.size(); ++at) {
        if (at == windowsPath.size() || isSeparator(windowsPath[at])) {
            names.push_back(name);
            name.clear();
        } else {
            name += windowsPath[at];
        }
    }
    const bool endsInSeparator = isSeparator(windowsPath.back());
    for (std::size_t index = 0; index < names.size(); ++index) {
        std::string part = names[index];
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!resolved.names.empty()) resolved.names.pop_back();
            continue;
        }
        const bool last = index + 1 == names.size() && !endsInSeparator;
        // The last name loses every trailing dot and space, any other name one trailing dot.
        if (last) {
            while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        } else if (part.size() >= 2 && part.back() == '.' && part[part.size() - 2] != '.') {
            part.pop_back();
        }
        if (part.empty()) continue;
        for (const char c : part)
            if (forbiddenInName(c, allowWildcards && last)) return std::nullopt;
        resolved.names.push_back(part);
    }
    if (spell(resolved).size() + 1 > kLongestPath) return std::nullopt;
    return resolved;
}

std::string MemoryFileServices::spell(const Resolved& path) {
    std::string text(1, path.drive);
    text += ":\\";
    for (std::size_t i = 0; i < path.names.size(); ++i) text += (i == 0 ? "" : "\\") + path.names[i];
    return text;
}

MemoryFileServices::Node* MemoryFileServices::find(const Resolved& path) {
    return const_cast<Node*>(static_cast<const MemoryFileServices*>(this)->find(path));
}

const MemoryFileServices::Node* MemoryFileServices::find(const Resolved& path) const {
    const auto drive = drives_.find(path.drive);
    if (drive == drives_.end()) return nullptr;
    const Node* node = &drive->second;
    for (const std::string& name : path.names) {
        if (!node->directory) return nullptr;
        const auto child = node->children.find(fold(name));
        if (child == node->children.end()) return nullptr;
        node = &child->second;
    }
    return node;
}

bool MemoryFileServices::makeDirectory(const std::string& windowsPath) {
    const auto path = resolve(windowsPath);
    if (!path) return false;
    Node* node = &drives_[path->drive];
    for (const std::string& name : path->names) {
        if (!node->directory) return false;
        Node& child = node->children[fold(name)];
        if (child.name.empty()) child.name = name;
        node = &child;
    }
    return node->directory;
}

bool MemoryFileServices::makeFile(const std::string& windowsPath, const std::string& contents) {
    auto path = resolve(windowsPath);
    if (!path || path->names.empty()) return false;
    const std::string name = path->names.back();
    path->names.pop_back();
    Node* folder = find(*path);
    if (folder == nullptr || !folder->directory) return false;
    Node& file = folder->children[fold(name)];
    if (!file.name.empty() && file.directory) return false;
    file.name = name;
    file.directory = false;
    file.contents = contents;
    return true;
}

bool MemoryFileServices::removeTree(const std::string& windowsPath) {
    auto path = resolve(windowsPath);
    if (!path || path->names.empty()) return false;
    const std::string name = fold(path->names.back());
    path->names.pop_back();
    Node* folder = find(*path);
    return folder != nullptr && folder->children.erase(name) != 0;
}

bool MemoryFileServices::enterDirectory(const std::string& windowsPath) {
    const auto path = resolve(windowsPath);
    const Node* node = path ? find(*path) : nullptr;
    if (node == nullptr || !node->directory) return false;
    // Kept as the disk spells it, as the system keeps a current directory.
    Resolved spelt{path->drive, {}};
    const Node* folder = &drives_.at(path->drive);
    for (const std::string& name : path->names) {
        folder = &folder->children.at(fold(name));
        spelt.names.push_back(folder->name);
    }
    current_ = spelt;
    return true;
}

std::optional<std::pair<std::string, const MemoryFileServices::Node*>> MemoryFileServices::findFirst(
    const std::string& path) const {
    auto resolved = resolve(path, true);
    if (!resolved || resolved->names.empty()) return std::nullopt;
    const std::string pattern = resolved->names.back();
    resolved->names.pop_back();
    const Node* folder = find(*resolved);
    if (folder == nullptr || !folder->directory) return std::nullopt;
    // Only the first entry a search finds counts; the folded order stands for the disk's order.
    for (const auto& [folded, child] : folder->children)
        if (matchesPattern(fold(pattern), folded)) return std::make_pair(child.name, &child);
    return std::nullopt;
}

// Names are kept in the Latin-1 code page; a character beyond it becomes one no name may hold,
// so a path holding it is refused like any path Windows would not take.
std::string MemoryFileServices::latin1Path(const std::u16string& path) {
    std::string text;
    for (const char16_t unit : path) text += unit < 0x100 ? static_cast<char>(unit) : '|';
    return text;
}

int32_t MemoryFileServices::fileAge(const std::u16string& path) {
    const auto found = findFirst(latin1Path(path));
    return found && !found->second->directory ? kFileStamp : -1;
}

bool MemoryFileServices::fileExists(const std::u16string& path) {
    const auto found = findFirst(latin1Path(path));
    return found && !found->second->directory;
}

bool MemoryFileServices::directoryProbe(const std::u16string& path) {
    const auto resolved = resolve(latin1Path(path));
    if (!resolved) return false;
    const Node* node = find(*resolved);
    return node != nullptr && node->directory;
}

void MemoryFileServices::enterSystemDirectory() { current_ = Resolved{'C', {"Windows", "System32"}}; }

bool MemoryFileServices::moveDirectory(const std::u16string& oldPath, const std::u16string& newPath) {
    const auto from = resolve(latin1Path(oldPath));
    const auto to = resolve(latin1Path(newPath));
    if (!from || !to || from->names.empty() || to->names.empty() || from->drive != to->drive) return false;
    // The current directory, and every folder above it, is held open: it cannot be renamed.
    if (from->drive == current_.drive && from->names.size() <= current_.names.size()) {
        bool holdsCurrent = true;
        for (std::size_t i = 0; i < from->names.size(); ++i)
            holdsCurrent = holdsCurrent && fold(from->names[i]) == fold(current_.names[i]);
        if (holdsCurrent) return false;
    }
    // Nothing moves into itself.
    if (to->names.size() > from->names.size()) {
        bool inside = true;
        for (std::size_t i = 0; i < from->names.size(); ++i)
            inside = inside && fold(from->names[i]) == fold(to->names[i]);
        if (inside) return false;
    }
    Resolved fromParent = *from, toParent = *to;
    fromParent.names.pop_back();
    toParent.names.pop_back();
    Node* source = find(*from);
    Node* targetFolder = find(toParent);
    if (source == nullptr || targetFolder == nullptr || !targetFolder->directory) return false;
    const std::string oldKey = fold(from->names.back());
    const std::string newKey = fold(to->names.back());
    const bool sameEntry = find(fromParent) == targetFolder && oldKey == newKey;
    // An existing target is never replaced; a new spelling of the same name is a rename.
    if (!sameEntry && targetFolder->children.count(newKey) != 0) return false;
    Node moved = std::move(*source);
    find(fromParent)->children.erase(oldKey);
    moved.name = to->names.back();
    targetFolder->children[newKey] = std::move(moved);
    return true;
}

std::map<std::string, std::pair<std::string, std::string>> MemoryFileServices::entries() const {
    std::map<std::string, std::pair<std::string, std::string>> all;
    struct Walker {
        std::map<std::string, std::pair<std::string, std::string>>& all;
        void walk(const Node& node, const std::string& folded, const std::string& spelt) {
            for (const auto& [key, child] : node.children) {
                const std::string childFolded = folded + "\\" + key;
                const std::string childSpelt = spelt + "\\" + child.name;
                all[childFolded] = {childSpelt, child.directory ? "<dir>" : child.contents};
                if (child.directory) walk(child, childFolded, childSpelt);
            }
        }
    } walker{all};
    for (const auto& [drive, root] : drives_) walker.walk(root, std::string(1, drive) + ":", std::string(1, drive) + ":");
    return all;
}

std::string MemoryFileServices::currentDirectory() const { return spell(current_); }

std::string MemoryFileServices::foldedPath(const std::string& windowsPath) const {
    const auto resolved = resolve(windowsPath);
    if (!resolved) return std::string();
    std::string path(1, resolved->drive);
    path += ':';
    for (const std::string& name : resolved->names) path += "\\" + fold(name);
    return path;
}
