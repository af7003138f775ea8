// Whole runs of the program on a machine and a command line both built from the fuzz input: the
// in-memory registry, files in memory under Windows' own path rules, and runProcess exactly as
// the process runs it (the unattended switches, the log, the exit code), with a stand-in for the
// product's uninstaller or Change that ends with a chosen code and removes the product or leaves
// it, optionally with one registry or file call made to fail, or the run stopped right after it.
// What must hold after every run:
//  - every key, value, folder and file outside the run's two names is exactly as it was;
//  - every value the product had under either name is still under one of them, its command in
//    "UninstallString" or "szUninstallString", and a key isreloc erased was provably a leftover;
//  - the product's folder is under exactly one of the names it was under, whole;
//  - at most one box besides the one for a waited program that could not start, and an exit code
//    the rules give (0 or 1 interactively; 0, 1639, 1603 or the waited program's own otherwise);
//  - an uninstall or Change that was waited for and left the product installed leaves it back
//    under its relocated name, byte for byte;
//  - on a machine where the product was cleanly installed or relocated, a plain uninstall run
//    after an injected failure or stop brings the product back whole under its own name.
// ISRELOC_MODE_FUZZ_SEEDS=<folder> writes the seed inputs (the cases below) and exits.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/process.h"
#include "platform/registry/memory_registry.h"
#include "platform/registry/name_case.h"
#include "platform/registry/registry.h"
#include "platform/services/forwarding_services.h"
#include "platform/services/memory_file_services.h"
#include "platform/text/text.h"
#include "registry_kill_switch.h"
#include "relocation/isreloc_command.h"
#include "relocation/names.h"
#include "relocation/options.h"
#include "services_switch.h"

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "mode run broke a rule: %s\n", what.c_str());
    std::abort();
}

void check(bool condition, const std::string& what) {
    if (!condition) fail(what);
}

// ---- the input, read front to back (an exhausted input reads as zeros) ----

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    size_t pick(size_t choices) { return byte() % choices; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// ---- the names a machine and a command line are made of ----

const std::string kGuid = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
const std::string kOtherGuid = "{F1E2D3C4-B5A6-4978-8695-A4B3C2D1E0F9}";
const std::string kMsiGuid = "{12345678-90AB-4CDE-8F01-23456789ABCD}";
const std::vector<std::string> kNames = {
    kGuid, kGuid + "_0", kGuid + "_1", kGuid + "_10", kGuid + "_01", kOtherGuid, kOtherGuid + "_0", kMsiGuid,
    "Other App", lowerAscii(kGuid) + "_0",
};
const std::string kOwnPath = "C:\\Tools\\isreloc.exe";
const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kProductCommand =
    "\"C:\\Program Files\\InstallShield Installation Information\\" + kGuid + "\\setup.exe\" -runfromtemp -l0x0409";
const std::string kOldCommand = "\"C:\\Old\\setup.exe\" -runfromtemp";
const std::string kModifyCommand =
    "\"C:\\Program Files\\InstallShield Installation Information\\" + kGuid + "\\setup.exe\" -runfromtemp -l0x0409 -modify";
const std::string kQuietCommand = kProductCommand + " -s -f1\"C:\\Temp\\remove.iss\"";

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::vector<uint8_t> textBytes(const std::string& text) {
    std::vector<uint8_t> bytes;
    for (const char c : text) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(0);
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::string isrelocCommand(const std::string& relocated, const std::string& restored,
                           IsrelocCommandKind kind = IsrelocCommandKind::uninstall) {
    const std::u16string command = buildIsrelocCommand(kind, wide(kOwnPath), wide(relocated), wide(restored));
    return std::string(command.begin(), command.end());
}

// ---- the machine ----

struct Value {
    uint32_t type;
    std::vector<uint8_t> data;
};
using KeyValues = std::map<std::string, Value>;        // by name
using KeyTree = std::map<std::string, KeyValues>;      // by path below the key ("" the key itself)

KeyTree productKey(const std::string& command, uint32_t commandType = kRegSz) {
    KeyTree tree;
    tree[""]["DisplayName"] = {kRegSz, textBytes("Sample Product")};
    tree[""]["UninstallString"] = {commandType, textBytes(command)};
    tree[""]["ModifyPath"] = {kRegExpandSz, textBytes(kModifyCommand)};
    tree[""]["EstimatedSize"] = {kRegDword, {0x10, 0x27, 0, 0}};
    tree[""]["Blob"] = {kRegBinary, {0, 1, 2, 0xFF}};
    tree[""]["Languages"] = {kRegMultiSz, {'e', 0, 'n', 0, 0, 0, 0, 0}};
    tree[""]["Size64"] = {kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}};
    tree[""]["Marker"] = {kRegNone, {}};
    tree[""]["Empty"] = {kRegSz, {}};
    tree[""][""] = {kRegSz, textBytes("default")};
    tree["Level1"]["Name"] = {kRegSz, textBytes("one")};
    tree["Level1\\Level2"]["Deep"] = {kRegDword, {1, 0, 0, 0}};
    return tree;
}

enum class KeyKind {
    none, product, relocated, partialCopy, stale, isrelocOnly, foreign, empty, staleSaved, lookalikeCommand,
    expandableCommand, binaryCommand, quietCommand, relocatedQuiet, count
};
enum class FolderKind { none, product, withoutMarker, markerIsFolder, count };

struct Seeded {
    std::string name;
    KeyKind key = KeyKind::none;
    uint8_t mask = 0xFF;
    FolderKind folder = FolderKind::none;
};

struct Machine {
    uint8_t programFiles = 0;  // which ProgramFilesDir
    std::vector<Seeded> entries;
    bool clean = false;  // the product as an installer or install mode left it, and nothing else in the way
    bool waited = false;  // and the run waits for the product's own uninstaller or Change
};

KeyTree keyTreeFor(const Seeded& entry) {
    switch (entry.key) {
    case KeyKind::product: return productKey(kProductCommand);
    case KeyKind::relocated:
    case KeyKind::relocatedQuiet: {
        KeyTree tree = productKey(isrelocCommand(entry.name, kGuid));
        tree[""]["szUninstallString"] = {kRegSz, textBytes(kProductCommand)};
        tree[""]["ModifyPath"] = {kRegSz, textBytes(isrelocCommand(entry.name, kGuid, IsrelocCommandKind::modify))};
        tree[""]["szModifyPath"] = {kRegExpandSz, textBytes(kModifyCommand)};
        if (entry.key == KeyKind::relocatedQuiet) {
            tree[""]["QuietUninstallString"] = {
                kRegSz, textBytes(isrelocCommand(entry.name, kGuid, IsrelocCommandKind::quietUninstall))};
            tree[""]["szQuietUninstallString"] = {kRegSz, textBytes(kQuietCommand)};
        }
        return tree;
    }
    case KeyKind::quietCommand: {
        KeyTree tree = productKey(kProductCommand);
        tree[""]["QuietUninstallString"] = {kRegSz, textBytes(kQuietCommand)};
        return tree;
    }
    case KeyKind::partialCopy: {
        KeyTree full = productKey(kProductCommand), part;
        unsigned bit = 0;
        for (const auto& [path, values] : full) {
            if (entry.mask & (1u << (bit++ % 8))) part[path];
            for (const auto& [name, value] : values)
                if (entry.mask & (1u << (bit++ % 8))) part[path][name] = value;
        }
        return part;
    }
    case KeyKind::stale: {
        KeyTree tree;
        tree[""]["DisplayName"] = {kRegSz, textBytes("Sample Product (old)")};
        tree[""]["UninstallString"] = {kRegSz, textBytes(kOldCommand)};
        return tree;
    }
    case KeyKind::isrelocOnly: {
        KeyTree tree;
        tree[""]["UninstallString"] = {kRegSz, textBytes(isrelocCommand(entry.name, kGuid))};
        tree[""]["szUninstallString"] = {kRegSz, textBytes(kOldCommand)};
        return tree;
    }
    case KeyKind::foreign: {
        KeyTree tree;
        tree[""]["DisplayName"] = {kRegSz, textBytes("Another Product")};
        tree[""]["UninstallString"] = {kRegExpandSz, textBytes("MsiExec.exe /X" + kMsiGuid)};
        tree["Features"]["Core"] = {kRegDword, {1, 0, 0, 0}};
        return tree;
    }
    case KeyKind::empty: return KeyTree{{"", {}}};
    case KeyKind::staleSaved: {
        KeyTree tree = productKey(kProductCommand);
        tree[""]["szUninstallString"] = {kRegSz, textBytes(kOldCommand)};
        return tree;
    }
    case KeyKind::lookalikeCommand:
        return productKey("\"C:\\Vendor\\remove.exe\" -uninstall -guid\"" + kGuid + "\" -tguid\"x\" -silent");
    case KeyKind::expandableCommand: return productKey("\"%ProgramFiles%\\Sample\\setup.exe\" /x", kRegExpandSz);
    case KeyKind::binaryCommand: {
        KeyTree tree = productKey(kProductCommand);
        tree[""]["UninstallString"] = {kRegBinary, {1, 2, 3}};
        return tree;
    }
    case KeyKind::none:
    case KeyKind::count: break;
    }
    return {};
}

// ProgramFilesDir's variants: as Windows keeps it, with a trailing backslash, missing, expandable,
// a wildcard, empty, of another type, with a trailing dot, on another drive.
struct ProgramFiles {
    bool present;
    uint32_t type;
    std::string value;
};
const ProgramFiles kProgramFiles[] = {
    {true, kRegSz, "C:\\Program Files"},  {true, kRegSz, "C:\\Program Files\\"}, {false, kRegSz, ""},
    {true, kRegExpandSz, "C:\\Program Files"}, {true, kRegSz, "C:\\Prog*"},     {true, kRegSz, ""},
    {true, kRegDword, "\x01\x02"},         {true, kRegSz, "C:\\Program Files."}, {true, kRegSz, "D:\\Apps"},
};

std::string maintenanceRootOf(uint8_t programFiles) {
    const ProgramFiles& chosen = kProgramFiles[programFiles];
    std::string value = chosen.present && chosen.type != kRegDword ? chosen.value : "";
    const bool endsInBackslash = !value.empty() && value.back() == '\\';
    return value + (endsInBackslash ? "" : "\\") + "InstallShield Installation Information\\";
}

void setValue(MemoryRegistry& registry, const std::string& keyPath, const std::string& name, const Value& value) {
    RegistryHandle key = kNoKey;
    if (registry.regCreateKeyExW(kLocalMachine, wide(keyPath).c_str(), kKeyAllAccess, &key) != 0) fail("cannot seed");
    static const uint8_t none = 0;
    registry.regSetValueExW(key, wide(name).c_str(), value.type, value.data.empty() ? &none : value.data.data(),
                            static_cast<uint32_t>(value.data.size()));
    registry.regCloseKey(key);
}

void seedKey(MemoryRegistry& registry, const std::string& keyPath, const KeyTree& tree) {
    for (const auto& [path, values] : tree) {
        const std::string fullPath = path.empty() ? keyPath : keyPath + "\\" + path;
        RegistryHandle key = kNoKey;
        registry.regCreateKeyExW(kLocalMachine, wide(fullPath).c_str(), kKeyAllAccess, &key);
        registry.regCloseKey(key);
        for (const auto& [name, value] : values) setValue(registry, fullPath, name, value);
    }
}

void seed(const Machine& machine, MemoryRegistry& registry, MemoryFileServices& files) {
    const ProgramFiles& programFiles = kProgramFiles[machine.programFiles];
    if (programFiles.present) {
        Value value{programFiles.type, programFiles.type == kRegDword
                                           ? std::vector<uint8_t>(programFiles.value.begin(), programFiles.value.end())
                                           : textBytes(programFiles.value)};
        setValue(registry, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", value);
    }
    // What must never change: another vendor's keys and files, another product's entry and folder.
    setValue(registry, "SOFTWARE\\Vendor\\Settings", "Path", {kRegSz, textBytes("C:\\Vendor")});
    seedKey(registry, kUninstallKey + "\\Unrelated", {{"", {{"DisplayName", {kRegSz, textBytes("Unrelated")}}}}});
    files.makeDirectory("C:\\Vendor");
    files.makeFile("C:\\Vendor\\data.bin", "vendor");
    const std::string root = maintenanceRootOf(machine.programFiles);
    files.makeDirectory(root + "Unrelated");
    files.makeFile(root + "Unrelated\\setup.exe", "MZ unrelated");
    for (const Seeded& entry : machine.entries) {
        if (entry.key != KeyKind::none) seedKey(registry, kUninstallKey + "\\" + entry.name, keyTreeFor(entry));
        const std::string folder = root + entry.name;
        switch (entry.folder) {
        case FolderKind::product:
            files.makeDirectory(folder);
            files.makeFile(folder + "\\setup.exe", "MZ setup of " + entry.name);
            files.makeFile(folder + "\\data1.cab", "cab");
            break;
        case FolderKind::withoutMarker:
            files.makeDirectory(folder);
            files.makeFile(folder + "\\data1.cab", "cab");
            break;
        case FolderKind::markerIsFolder: files.makeDirectory(folder + "\\setup.exe"); break;
        case FolderKind::none:
        case FolderKind::count: break;
        }
    }
}

// ---- the command line, from a grammar ----

std::string nameValue(Input& input) {
    std::string name = kNames[input.pick(kNames.size())];
    switch (input.pick(12)) {
    case 0: return name;
    case 1: return lowerAscii(name);
    case 2: return name + ".";
    case 3: return name + " ";
    case 4: return "..\\" + name;
    case 5: return "C:" + name;
    case 6: return "";
    case 7: return name + std::string(240, 'x');
    case 8: return name + "/x";
    case 9: return name + "*";
    case 10: {
        for (char& c : name)
            if (input.pick(2) == 0) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c >= 'A' && c <= 'Z' ? c + 32 : c);
        return name;
    }
    default: return upperAscii(name);
    }
}

std::string option(Input& input, const std::string& keyword, const std::string& value) {
    switch (input.pick(3)) {
    case 0: return keyword + "\"" + value + "\"";
    case 1: return keyword + value;
    default: return "\"" + keyword + value + "\"";
    }
}

std::string commandLineArguments(Input& input) {
    std::vector<std::string> arguments;
    const size_t optionCount = input.pick(7);
    for (size_t i = 0; i < optionCount; ++i) {
        switch (input.pick(8)) {
        case 0: {
            static const char* const kHwnds[] = {"0", "wait", "77", "x", "", "-1", "2147483648"};
            arguments.push_back(option(input, "-hwnd", kHwnds[input.pick(7)]));
            break;
        }
        case 1: arguments.push_back(option(input, "-guid", nameValue(input))); break;
        case 2: arguments.push_back(option(input, "-tguid", nameValue(input))); break;
        case 3: {
            static const char* const kRunfiles[] = {"C:\\Tools\\cleanup.exe", "C:\\x -guid\\y.exe",
                                                    "C:\\a-tguidb\\c.exe", ""};
            arguments.push_back(option(input, "-runfile", kRunfiles[input.pick(4)]));
            break;
        }
        case 4: arguments.push_back("-hwnd0-guid" + nameValue(input)); break;
        case 5: {
            static const char* const kJunk[] = {"x", "--u", "-uninstallx", "\"\"", "-U"};
            arguments.push_back(kJunk[input.pick(5)]);
            break;
        }
        case 6: {
            static const char* const kSwitches[] = {"-silent", "-WAIT", "-quiet", "-log\"C:\\Temp\\isreloc.log\"",
                                                    "-- -s -f1\"C:\\a b.iss\" -guid{x}", "-modify"};
            arguments.push_back(kSwitches[input.pick(6)]);
            break;
        }
        default: arguments.push_back("-guid\"" + kGuid + "\""); break;
        }
    }
    switch (input.pick(6)) {
    case 0: break;  // install mode
    case 1: arguments.insert(arguments.begin(), "-uninstall"); break;
    case 2: arguments.push_back("-u"); break;
    case 3: arguments.insert(arguments.begin(), "-UNINSTALL"); break;
    case 4: arguments.insert(arguments.begin(), "-modify"); break;
    default: arguments.insert(arguments.begin(), "-uninstall"), arguments.push_back("-uninstall"); break;
    }
    std::string line;
    for (const std::string& argument : arguments) line += " " + argument;
    return line;
}

// ---- the two standard runs, on a clean machine ----

const std::string kInstallRun = " -hwnd77 -guid\"" + kGuid + "\"";
const std::string kUninstallRun = " -uninstall -guid\"" + kGuid + "_0\" -tguid\"" + kGuid + "\"";
// What an engine, the list of programs' Change, and a quiet uninstall run, waiting for the product.
const std::string kWaitedRuns[] = {
    kUninstallRun + " -silent -wait -- -s -f1\"C:\\Packages\\remove.iss\"",
    " -uninstall -guid\"" + kGuid + "_0\" -tguid\"" + kGuid + "\" -quiet",
    " -modify -guid\"" + kGuid + "_0\" -tguid\"" + kGuid + "\"",
};

// ---- what a run may touch: the names of the run as the program reads them ----

struct RunNames {
    bool uninstallMode = false;
    bool guidFound = false;
    std::string source;
    std::optional<std::string> target;  // none: install mode's suffix search picks it
};

RunNames runNamesOf(const std::string& arguments) {
    FixedCommandLine commandLine("isreloc.exe" + arguments, kOwnPath);
    std::vector<std::string> list;
    for (const std::string& argument : commandLine.arguments()) {
        const std::string lowered = lowerAscii(argument);
        if (lowered == "--") break;
        if (lowered == "-silent" || lowered == "-wait" || lowered == "-quiet" || lowered.rfind("-log", 0) == 0) continue;
        list.push_back(lowered);
    }
    RunNames names;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == "-u" || list[i] == "-uninstall" || list[i] == "-modify") {
            names.uninstallMode = true;
            list.erase(list.begin() + static_cast<long>(i));
            break;
        }
    const OptionScan options =
        scanOptions(TStringList(list), names.uninstallMode ? kUninstallKeywords : kInstallKeywords);
    names.guidFound = options.found(kGuidKeyword);
    names.source = upperAscii(options.value(kGuidKeyword));
    if (options.found(kTguidKeyword))
        names.target = options.value(kTguidKeyword);
    else if (names.uninstallMode)
        names.target = restoredNameFor(names.source);
    return names;
}

// Whether a top-level name is one of the run's two names (or, for install mode without -tguid,
// one the suffix search may pick).
bool isRunName(const RunNames& names, const std::string& name) {
    if (sameName(name, names.source)) return true;
    if (names.target) return sameName(name, *names.target);
    return isSuffixNameOf(name, names.source);
}

// ---- snapshots ----

struct RegistryView {
    // Folded key path -> the values by folded name (type and bytes), for the whole of HKLM.
    std::map<std::u16string, std::map<std::u16string, Value>> keys;
};

void readTree(MemoryRegistry& registry, RegistryHandle key, const std::u16string& path, RegistryView& view) {
    auto& values = view.keys[foldNameCase(path)];
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
        values[foldNameCase(std::u16string(name, length))] = value;
    }
    for (uint32_t index = 0;; ++index) {
        uint32_t length = 2048;
        if (registry.regEnumKeyExW(key, index, name, &length) != 0) break;
        const std::u16string subkeyName(name, length);
        RegistryHandle subkey = kNoKey;
        if (registry.regOpenKeyExW(key, subkeyName.c_str(), kKeyAllAccess, &subkey) != 0) fail("cannot read the store");
        readTree(registry, subkey, path + u"\\" + subkeyName, view);
        registry.regCloseKey(subkey);
    }
}

RegistryView snapshot(MemoryRegistry& registry) {
    RegistryView view;
    readTree(registry, kLocalMachine, u"HKLM", view);
    return view;
}

bool operator==(const Value& left, const Value& right) { return left.type == right.type && left.data == right.data; }

const std::u16string kUninstallPrefix = foldNameCase(u"HKLM\\" + wide(kUninstallKey) + u"\\");

// The top-level uninstall entry a folded key path lies in, or nothing when it lies outside them.
std::optional<std::u16string> entryOf(const std::u16string& foldedPath) {
    if (foldedPath.compare(0, kUninstallPrefix.size(), kUninstallPrefix) != 0) return std::nullopt;
    const std::u16string rest = foldedPath.substr(kUninstallPrefix.size());
    return rest.substr(0, rest.find(u'\\'));
}

std::string narrow(const std::u16string& text) {
    std::string result;
    for (const char16_t c : text) result += c < 0x100 ? static_cast<char>(c) : '?';
    return result;
}

// A key of a snapshot with everything below it, keyed by the path below it.
std::map<std::u16string, std::map<std::u16string, Value>> entryTree(const RegistryView& view, const std::string& name) {
    std::map<std::u16string, std::map<std::u16string, Value>> tree;
    const std::u16string top = kUninstallPrefix + foldNameCase(wide(name));
    for (const auto& [path, values] : view.keys)
        if (path == top || path.compare(0, top.size() + 1, top + u"\\") == 0) tree[path.substr(top.size())] = values;
    return tree;
}

// The three commands and where each is kept while relocated.
const std::pair<std::u16string, std::u16string> kCommandPairs[] = {
    {u"UninstallString", u"szUninstallString"},
    {u"ModifyPath", u"szModifyPath"},
    {u"QuietUninstallString", u"szQuietUninstallString"},
};

// The product's own command of a pair in a key: the live value unless it is isreloc's, else the
// saved one.
std::optional<Value> productCommandOf(const std::map<std::u16string, Value>& values,
                                      const std::pair<std::u16string, std::u16string>& pair) {
    const auto command = values.find(foldNameCase(pair.first));
    if (command != values.end() && !command->second.data.empty() &&
        !(command->second.type == kRegSz && parseIsrelocCommand(textOfData(command->second.data))))
        return command->second;
    const auto saved = values.find(foldNameCase(pair.second));
    if (saved != values.end() && !saved->second.data.empty()) return saved->second;
    return std::nullopt;
}

bool isCommandValue(const std::u16string& folded) {
    for (const auto& [live, saved] : kCommandPairs)
        if (folded == foldNameCase(live) || folded == foldNameCase(saved)) return true;
    return false;
}

// Every value of the key once under `name` is still under one of the run's names, at the same
// place, and its command in one of the two command values.
void expectKeyKept(const RegistryView& before, const RegistryView& after, const std::string& name,
                   const std::vector<std::string>& names, const std::string& run) {
    const auto kept = entryTree(before, name);
    if (kept.empty()) return;
    std::vector<std::map<std::u16string, std::map<std::u16string, Value>>> now;
    for (const std::string& other : names) now.push_back(entryTree(after, other));
    for (const auto& [path, values] : kept) {
        for (const auto& [valueName, value] : values) {
            if (isCommandValue(valueName)) continue;
            bool found = false;
            for (const auto& tree : now) {
                const auto key = tree.find(path);
                if (key == tree.end()) continue;
                const auto held = key->second.find(valueName);
                found = found || (held != key->second.end() && held->second == value);
            }
            check(found, "the value " + narrow(valueName) + " of " + name + narrow(path) + " is lost by" + run);
        }
    }
    for (const auto& pair : kCommandPairs) {
        const std::optional<Value> command = productCommandOf(kept.at(u""), pair);
        if (!command) continue;
        bool found = false;
        for (const auto& tree : now) {
            const auto key = tree.find(u"");
            if (key == tree.end()) continue;
            for (const std::u16string& valueName : {pair.first, pair.second}) {
                const auto held = key->second.find(foldNameCase(valueName));
                found = found || (held != key->second.end() && held->second == *command);
            }
        }
        check(found, "the product's " + narrow(pair.first) + " of " + name + " is lost by" + run);
    }
}

// ---- one run ----

struct Outcome {
    bool killed = false;
    bool reported = false;  // a failure escaped: the report, and exit code 1 or 1603
    size_t boxes = 0;
    uint32_t exitCode = 0;
};

// What the program a run starts and waits for does, as the input chooses: it ends with a code,
// and removes the product's key and folder under the name it was started for (a completed
// uninstall) or leaves them (a cancelled one, or a Change).
struct StandIn {
    bool starts = true;
    uint32_t exitCode = 0;
    bool removesProduct = false;
    std::string name;  // the product's name while its command runs: the restored one
    std::string root;  // the maintenance root
};

class StandInServices final : public ForwardingServices {
public:
    StandInServices(Services& inner, MemoryRegistry& store, MemoryFileServices& files, const StandIn& standIn)
        : ForwardingServices(inner), store_(store), files_(files), standIn_(standIn) {}

    LaunchOutcome launchAndWait(const std::u16string& commandLine) override {
        ++waits;
        inner().launchAndWait(commandLine);
        if (!standIn_.starts) return {false, 0};
        if (standIn_.removesProduct) {
            TRegistry eraser(store_);
            eraser.setRoot(kLocalMachine);
            eraser.eraseKeyTree("\\" + kUninstallKey + "\\" + standIn_.name);
            files_.removeTree(standIn_.root + standIn_.name);
        }
        return {true, standIn_.exitCode};
    }
    int waits = 0;

private:
    MemoryRegistry& store_;
    MemoryFileServices& files_;
    StandIn standIn_;
};

enum class Injection { none, failRegistry, killRegistry, failServices, killServices, count };

// A stop the test makes passes through the program's failure handling: it is no failure of the run.
bool reportedFailure = false;
void reportFailure(std::exception_ptr failure, Services&) {
    try {
        std::rethrow_exception(failure);
    } catch (const KilledRun&) {
        throw;
    } catch (...) {
        reportedFailure = true;
    }
}

Outcome runOnce(MemoryRegistry& store, MemoryFileServices& files, const std::string& arguments,
                Injection injection = Injection::none, uint64_t call = 0, const StandIn& standIn = StandIn(),
                int* waits = nullptr) {
    RunLife life;
    RegistryKillSwitch registry(store, life);
    StandInServices standInServices(files, store, files, standIn);
    ServicesSwitch services(standInServices, life);
    switch (injection) {
    case Injection::failRegistry: store.failCall(store.callCount() + call); break;
    case Injection::killRegistry: registry.killAfter(call); break;
    case Injection::failServices: services.failCall(call); break;
    case Injection::killServices: services.killAfter(call); break;
    case Injection::none:
    case Injection::count: break;
    }
    const size_t boxesBefore = files.messages().size();
    const bool verbose = std::getenv("ISRELOC_MODE_FUZZ_VERBOSE") != nullptr;
    FixedCommandLine commandLine("isreloc.exe" + arguments, kOwnPath);
    Outcome outcome;
    reportedFailure = false;
    try {
        outcome.exitCode = runProcess(commandLine, services, registry, reportFailure);
    } catch (const KilledRun&) {
        outcome.killed = true;
    }
    outcome.reported = reportedFailure;
    if (waits != nullptr) *waits = standInServices.waits;
    store.clearFailures();
    outcome.boxes = files.messages().size() - boxesBefore;
    if (verbose && injection != Injection::none) {
        const bool registryCall = injection == Injection::failRegistry || injection == Injection::killRegistry;
        if (registryCall && call <= registry.calls().size())
            std::fprintf(stderr, "  injected at registry call %llu: %s\n", static_cast<unsigned long long>(call),
                         (std::string(registryCallName(registry.calls()[call - 1].kind)) + " " + registry.calls()[call - 1].detail).c_str());
        if (!registryCall && call <= services.calls().size())
            std::fprintf(stderr, "  injected at services call %llu: %s\n", static_cast<unsigned long long>(call),
                         services.calls()[call - 1].detail.c_str());
    }
    return outcome;
}

Machine machineFrom(Input& input, std::string& arguments) {
    Machine machine;
    machine.programFiles = static_cast<uint8_t>(input.pick(std::size(kProgramFiles)));
    const size_t kind = input.pick(8);
    switch (kind) {
    case 0:  // cleanly installed, then the standard install run
        machine.entries.push_back({kGuid, KeyKind::product, 0xFF, FolderKind::product});
        machine.clean = machine.programFiles == 0;
        arguments = kInstallRun;
        return machine;
    case 1:  // cleanly relocated, then the standard uninstall run
        machine.entries.push_back({kGuid + "_0", KeyKind::relocated, 0xFF, FolderKind::product});
        machine.clean = machine.programFiles == 0;
        arguments = kUninstallRun;
        return machine;
    case 2:
    case 3:
    case 4:  // cleanly relocated with a quiet command, then a run that waits for the product
        machine.entries.push_back({kGuid + "_0", KeyKind::relocatedQuiet, 0xFF, FolderKind::product});
        machine.clean = machine.programFiles == 0;
        machine.waited = true;
        arguments = kWaitedRuns[kind - 2];
        return machine;
    default: break;
    }
    const size_t count = input.pick(6);
    for (size_t i = 0; i < count; ++i) {
        Seeded entry;
        entry.name = kNames[input.pick(kNames.size())];
        entry.key = static_cast<KeyKind>(input.pick(static_cast<size_t>(KeyKind::count)));
        entry.mask = input.byte();
        entry.folder = static_cast<FolderKind>(input.pick(static_cast<size_t>(FolderKind::count)));
        machine.entries.push_back(entry);
    }
    arguments = commandLineArguments(input);
    return machine;
}

void expectOnlyRunNamesChanged(const RegistryView& before, const RegistryView& after,
                               const std::map<std::string, std::pair<std::string, std::string>>& filesBefore,
                               const std::map<std::string, std::pair<std::string, std::string>>& filesAfter,
                               const std::string& rootFolded, const RunNames& names, const std::string& run) {
    std::set<std::u16string> changedEntries;
    std::set<std::u16string> keys;
    for (const auto& [path, values] : before.keys) keys.insert(path);
    for (const auto& [path, values] : after.keys) keys.insert(path);
    for (const std::u16string& path : keys) {
        const auto was = before.keys.find(path);
        const auto is = after.keys.find(path);
        if (was != before.keys.end() && is != after.keys.end() && was->second == is->second) continue;
        const std::optional<std::u16string> entry = entryOf(path);
        check(entry.has_value() && names.guidFound && isRunName(names, narrow(*entry)),
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
        check(inRoot && names.guidFound && isRunName(names, folder),
              "the file or folder " + path + " outside the run's names changed by" + run);
        changedFolders.insert(folder);
    }
    check(changedEntries.size() <= 2 && changedFolders.size() <= 2, "more than two names changed by" + run);
}

// The product's folder contents below each of the run's names, as a multiset: a folder may move
// between the names, never vanish, split or change.
std::multiset<std::map<std::string, std::string>> productFolders(
    const std::map<std::string, std::pair<std::string, std::string>>& files, const std::string& rootFolded,
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input input(data, size);
    std::string arguments;
    const Machine machine = machineFrom(input, arguments);
    const Injection injection = static_cast<Injection>(input.pick(static_cast<size_t>(Injection::count)));
    const uint64_t call = 1 + input.byte() + 256u * input.pick(2);
    const RunNames names = runNamesOf(arguments);
    StandIn standIn;
    const uint8_t standInChoice = input.byte();
    standIn.starts = (standInChoice & 1) == 0;
    standIn.removesProduct = (standInChoice & 2) != 0;
    static const uint32_t kExitCodes[] = {0, 3010, 1641, 1603, 1618, 5};
    standIn.exitCode = kExitCodes[(standInChoice >> 2) % std::size(kExitCodes)];
    standIn.name = names.target.value_or(names.source);
    standIn.root = maintenanceRootOf(machine.programFiles);
    const bool interactive = (standInChoice & 0x80) == 0;

    MemoryRegistry store;
    MemoryFileServices files;
    seed(machine, store, files);
    files.openWindow(77, 1);
    files.scriptInteractiveWindowStation(interactive);
    const std::string run = " isreloc.exe" + arguments;
    const std::string rootFolded = files.foldedPath(maintenanceRootOf(machine.programFiles));

    const RegistryView before = snapshot(store);
    const auto filesBefore = files.entries();
    int waits = 0;
    const Outcome outcome = runOnce(store, files, arguments, injection, call, standIn, &waits);
    const RegistryView after = snapshot(store);
    const auto filesAfter = files.entries();
    // What the stand-in removed is the uninstaller's doing, not isreloc's.
    const bool productRemoved = waits > 0 && standIn.starts && standIn.removesProduct;

    if (std::getenv("ISRELOC_MODE_FUZZ_VERBOSE") != nullptr) {
        std::fprintf(stderr, "run:%s\n  %s%s%zu box(es)%s%s\n", run.c_str(), outcome.killed ? "stopped, " : "",
                     outcome.reported ? "failure report, " : "", outcome.boxes,
                     files.messages().empty() ? "" : ", last: ",
                     files.messages().empty() ? "" : files.messages().back().text.substr(0, 120).c_str());
        for (const std::string& launched : files.launchedCommands()) std::fprintf(stderr, "  started: %s\n", launched.c_str());
    }
    // A waited program that cannot start adds its own box, after which the product is put back.
    const size_t startBoxes = waits > 0 && !standIn.starts ? 1 : 0;
    check(outcome.boxes + (outcome.reported ? 1 : 0) <= 1 + startBoxes, "more than one box shown by" + run);
    if (!outcome.killed) {
        const uint32_t code = outcome.exitCode;
        const bool expectedCode = code == 0 || code == 1 || code == 1603 || code == 1639 ||
                                  (waits > 0 && standIn.starts && code == standIn.exitCode);
        check(expectedCode, "exit code " + std::to_string(code) + " from" + run);
        if (outcome.reported) check(code == 1 || code == 1603, "a reported failure ended with " + std::to_string(code));
        if (interactive && waits == 0 && arguments.find("-silent") == std::string::npos &&
            arguments.find("-quiet") == std::string::npos && arguments.find("-modify") == std::string::npos &&
            arguments.find("-WAIT") == std::string::npos)
            check(code == (outcome.reported ? 1u : 0u), "an interactive run ended with " + std::to_string(code));
    }
    // A stopped run's handles are the system's to close, as for any process that ends.
    check(outcome.killed || store.openHandleCount() == 0, "a key handle was left open by" + run);
    expectOnlyRunNamesChanged(before, after, filesBefore, filesAfter, rootFolded, names, run);
    if (names.guidFound && !productRemoved) {
        // The source first, then every other name of the run there is a key under, before or after.
        std::vector<std::string> candidates = {names.source};
        std::set<std::u16string> seen = {foldNameCase(wide(names.source))};
        for (const RegistryView* view : {&before, &after})
            for (const auto& [path, values] : view->keys) {
                const std::optional<std::u16string> entry = entryOf(path);
                if (entry && isRunName(names, narrow(*entry)) && seen.insert(*entry).second)
                    candidates.push_back(narrow(*entry));
            }
        // The product's key under the source name keeps everything; a key under the target name
        // does too, unless it may give way: a stale key under a name of the product's own while
        // the product's key is there to replace it.
        expectKeyKept(before, after, names.source, candidates, run);
        const auto sourceKey = entryTree(before, names.source);
        const bool sourceKeyThere = !sourceKey.empty();
        // The name the relocated key's own isreloc command records for the product, if any.
        std::optional<IsrelocCommand> recorded;
        if (sourceKeyThere) {
            const auto command = sourceKey.at(u"").find(foldNameCase(u"UninstallString"));
            if (command != sourceKey.at(u"").end() && command->second.type == kRegSz)
                recorded = parseIsrelocCommand(textOfData(command->second.data));
        }
        for (size_t i = 1; i < candidates.size(); ++i) {
            const bool recordedName = recorded && foldNameCase(recorded->relocatedName) == foldNameCase(wide(names.source)) &&
                                      foldNameCase(recorded->restoredName) == foldNameCase(wide(candidates[i]));
            const bool productsOwnName =
                names.uninstallMode
                    ? (hasGuidForm(candidates[i]) && isSuffixNameOf(names.source, candidates[i])) || recordedName
                    : isSuffixNameOf(candidates[i], names.source);
            if (!(sourceKeyThere && productsOwnName)) expectKeyKept(before, after, candidates[i], candidates, run);
        }
        check(productFolders(filesBefore, rootFolded, names) == productFolders(filesAfter, rootFolded, names),
              "a product folder vanished, split or changed in" + run);
    }

    // A clean relocated product whose uninstaller or Change was waited for: removed, it is gone
    // under both names; left installed, it is back under its relocated name, byte for byte.
    if (machine.clean && machine.waited && injection == Injection::none) {
        const std::string relocatedName = kGuid + "_0";
        const bool gone = entryTree(after, kGuid).empty() && entryTree(after, relocatedName).empty() &&
                          !files.directoryProbe(maintenanceRootOf(0) + kGuid) &&
                          !files.directoryProbe(maintenanceRootOf(0) + relocatedName);
        if (productRemoved) {
            check(gone, "a removed product left something behind after" + run);
        } else {
            check(entryTree(after, relocatedName) == entryTree(before, relocatedName) &&
                      entryTree(after, kGuid).empty(),
                  "a product left installed is not back under its relocated name after" + run);
            check(files.fileExists(maintenanceRootOf(0) + relocatedName + "\\setup.exe") &&
                      !files.directoryProbe(maintenanceRootOf(0) + kGuid),
                  "a product left installed does not have its folder back after" + run);
        }
        check(outcome.exitCode == (standIn.starts ? standIn.exitCode : 1603u),
              "exit code " + std::to_string(outcome.exitCode) + " does not tell what the waited program did in" + run);
    }

    // A clean machine after an injected failure or stop: a plain uninstall run brings it back.
    if (machine.clean && injection != Injection::none && !productRemoved) {
        runOnce(store, files, kUninstallRun);
        const auto restored = entryTree(snapshot(store), kGuid);
        std::map<std::u16string, std::map<std::u16string, Value>> expected;
        KeyTree installed = keyTreeFor({kGuid, KeyKind::product, 0xFF, FolderKind::product});
        if (machine.waited) installed[""]["QuietUninstallString"] = {kRegSz, textBytes(kQuietCommand)};
        for (const auto& [path, values] : installed)
            for (const auto& [name, value] : values)
                expected[foldNameCase(path.empty() ? u"" : u"\\" + wide(path))][foldNameCase(wide(name))] = value;
        if (restored != expected && std::getenv("ISRELOC_MODE_FUZZ_VERBOSE") != nullptr) {
            for (const auto& [path, values] : restored)
                for (const auto& [name, value] : values)
                    std::fprintf(stderr, "  now %s:%s type %u, %zu bytes\n", narrow(path).c_str(), narrow(name).c_str(),
                                 value.type, value.data.size());
            for (const auto& [path, values] : expected) {
                const auto now = restored.find(path);
                for (const auto& [name, value] : values) {
                    const bool same = now != restored.end() && now->second.count(name) != 0 &&
                                      now->second.at(name) == value;
                    std::fprintf(stderr, "  expected %s:%s type %u, %zu bytes%s\n", narrow(path).c_str(),
                                 narrow(name).c_str(), value.type, value.data.size(), same ? "" : " DIFFERS");
                }
            }
            for (const std::string& line : files.messages().empty() ? std::vector<std::string>{}
                                                                       : std::vector<std::string>{files.messages().back().text})
                std::fprintf(stderr, "  last box: %s\n", line.c_str());
        }
        check(restored == expected, "the product is not back whole after" + run + " and a plain uninstall run");
        check(entryTree(snapshot(store), kGuid + "_0").empty(), "a key is left under the relocated name after" + run);
        check(files.fileExists(maintenanceRootOf(0) + kGuid + "\\setup.exe") &&
                  !files.directoryProbe(maintenanceRootOf(0) + kGuid + "_0"),
              "the product's folder is not back after" + run);
    }
    return 0;
}

// ---- the seeds: each case the rules were written for ----

namespace {

// Writes an input the way machineFrom, commandLineArguments and the injection read it.
class SeedWriter {
public:
    // A machine of the given entries, ProgramFilesDir as Windows keeps it.
    SeedWriter& machine(std::initializer_list<Seeded> entries) {
        put(0).put(5).put(static_cast<uint8_t>(entries.size()));
        for (const Seeded& entry : entries) {
            size_t index = 0;
            while (kNames[index] != entry.name) ++index;
            put(static_cast<uint8_t>(index)).put(static_cast<uint8_t>(entry.key)).put(entry.mask);
            put(static_cast<uint8_t>(entry.folder));
        }
        return *this;
    }
    SeedWriter& options(uint8_t count) { return put(count); }
    SeedWriter& hwnd(uint8_t value) { return put(0).put(value).put(0); }
    // A name option: the name's index, then how it is changed (0 as is, 1 lower case, 2 trailing
    // dot, 3 trailing space, 6 empty).
    SeedWriter& guid(uint8_t name, uint8_t change = 0) { return put(1).put(name).put(change).put(0); }
    SeedWriter& tguid(uint8_t name, uint8_t change = 0) { return put(2).put(name).put(change).put(0); }
    // 0 install mode, 1 "-uninstall" first.
    SeedWriter& mode(uint8_t mode) { return put(mode); }
    SeedWriter& injection(Injection kind = Injection::none, uint8_t call = 0) {
        return put(static_cast<uint8_t>(kind)).put(call).put(0);
    }
    // The waited program: bit 0 set when it cannot start, bit 1 when it removes the product, its exit
    // code chosen by bits 2 and up, bit 7 for a window station nobody sees.
    SeedWriter& standIn(uint8_t choice) { return put(choice); }
    // A switch of the unattended ones: 0 -silent, 1 -wait, 2 -quiet, 3 -log, 4 "--" and a tail, 5 -modify.
    SeedWriter& unattended(uint8_t which) { return put(6).put(which); }
    SeedWriter& put(uint8_t byte) {
        bytes.push_back(byte);
        return *this;
    }
    std::vector<uint8_t> bytes;
};

const uint8_t kG = 0, kG0 = 1, kMsi = 7;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* folder = std::getenv("ISRELOC_MODE_FUZZ_SEEDS");
    if (folder == nullptr) return 0;
    const Seeded installed{kGuid, KeyKind::product, 0xFF, FolderKind::product};
    const Seeded relocated{kGuid + "_0", KeyKind::relocated, 0xFF, FolderKind::product};
    std::map<std::string, std::vector<uint8_t>> seeds;
    // The two standard runs on a clean machine, plain and with a call failing or the run stopped.
    seeds["clean-install"] = SeedWriter().put(0).put(0).injection().bytes;
    seeds["clean-uninstall"] = SeedWriter().put(0).put(1).injection().bytes;
    for (const uint8_t call : {3, 40, 90, 140}) {
        seeds["clean-install-killed-" + std::to_string(call)] =
            SeedWriter().put(0).put(0).injection(Injection::killRegistry, call).bytes;
        seeds["clean-uninstall-failed-" + std::to_string(call)] =
            SeedWriter().put(0).put(1).injection(Injection::failRegistry, call).bytes;
    }
    seeds["clean-install-killed-after-move"] = SeedWriter().put(0).put(0).injection(Injection::killServices, 4).bytes;
    // Runs that wait for the product's uninstaller or Change (an engine's with -silent -wait and
    // "--", a quiet uninstall, Change): it completes, is cancelled, fails, or cannot start.
    for (uint8_t run = 0; run < 3; ++run) {
        const std::string name = std::string(run == 0 ? "engine" : run == 1 ? "quiet" : "change");
        seeds[name + "-completed"] = SeedWriter().put(0).put(static_cast<uint8_t>(2 + run)).injection().standIn(2).bytes;
        seeds[name + "-cancelled"] = SeedWriter().put(0).put(static_cast<uint8_t>(2 + run)).injection().standIn(4).bytes;
        seeds[name + "-failed-unseen"] =
            SeedWriter().put(0).put(static_cast<uint8_t>(2 + run)).injection().standIn(0x80 | 12).bytes;
        seeds[name + "-not-started"] = SeedWriter().put(0).put(static_cast<uint8_t>(2 + run)).injection().standIn(1).bytes;
        seeds[name + "-killed-putting-back"] =
            SeedWriter().put(0).put(static_cast<uint8_t>(2 + run)).injection(Injection::killRegistry, 200).standIn(4).bytes;
    }
    // Switches among the older options: a -runfile path holding -wait, -guid after "--".
    seeds["switches-and-options"] = SeedWriter()
                                         .machine({relocated})
                                         .options(5).unattended(0).guid(kG0).unattended(4).tguid(kG).unattended(1)
                                         .mode(1).injection().standIn(0x80).bytes;
    // -uninstall -guid"{GUID}_0" -tguid"" where the _0 folder is gone but its key is left.
    seeds["empty-tguid"] =
        SeedWriter()
            .machine({{kGuid + "_0", KeyKind::relocated, 0xFF, FolderKind::none},
                      {kOtherGuid, KeyKind::product, 0xFF, FolderKind::product},
                      {kMsiGuid, KeyKind::foreign, 0xFF, FolderKind::none}})
            .options(2).guid(kG0).tguid(kG, 6).mode(1).injection().bytes;
    // A live installation under the GUID, and an older instance's key whose folder went missing.
    seeds["live-install-and-orphaned-key"] =
        SeedWriter()
            .machine({installed, {kGuid + "_0", KeyKind::relocated, 0xFF, FolderKind::none}})
            .options(2).guid(kG0).tguid(kG).mode(1).injection().bytes;
    // -tguid naming another product's entry (an MSI product: a key and no folder), in both modes.
    seeds["tguid-names-msi-install"] =
        SeedWriter().machine({installed, {kMsiGuid, KeyKind::foreign, 0xFF, FolderKind::none}})
            .options(3).hwnd(0).guid(kG).tguid(kMsi).mode(0).injection().bytes;
    seeds["tguid-names-msi-uninstall"] =
        SeedWriter().machine({relocated, {kMsiGuid, KeyKind::foreign, 0xFF, FolderKind::none}})
            .options(2).guid(kG0).tguid(kMsi).mode(1).injection().bytes;
    // Names Windows changes: a trailing dot, a trailing space.
    seeds["trailing-dot"] =
        SeedWriter().machine({installed}).options(3).hwnd(0).guid(kG).tguid(kG0, 2).mode(0).injection().bytes;
    seeds["trailing-space"] =
        SeedWriter().machine({relocated}).options(2).guid(kG0).tguid(kG, 3).mode(1).injection().bytes;
    // A product command that merely contains " -uninstall -guid".
    seeds["lookalike-command"] =
        SeedWriter().machine({{kGuid + "_0", KeyKind::lookalikeCommand, 0xFF, FolderKind::product}})
            .options(2).guid(kG0).tguid(kG).mode(1).injection().bytes;
    // What may give way under the target name: a stale key, a partial copy, isreloc's own data.
    seeds["stale-target"] = SeedWriter().machine({installed, {kGuid + "_0", KeyKind::stale, 0xFF, FolderKind::none}})
                                .options(2).hwnd(0).guid(kG).mode(0).injection().bytes;
    seeds["partial-copy-target"] =
        SeedWriter().machine({relocated, {kGuid, KeyKind::partialCopy, 0x5A, FolderKind::none}})
            .options(2).guid(kG0).tguid(kG).mode(1).injection().bytes;
    seeds["isreloc-only-target"] =
        SeedWriter().machine({relocated, {kGuid, KeyKind::isrelocOnly, 0xFF, FolderKind::none}})
            .options(2).guid(kG0).tguid(kG).mode(1).injection().bytes;
    mkdir(folder, 0755);
    for (const auto& [name, bytes] : seeds) {
        std::ofstream out(std::string(folder) + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::exit(0);
}
