// Whole runs of the program on a machine and a command line both built from the fuzz input: the
// in-memory registry, files in memory under Windows' own path rules, and runProcess exactly as
// the process runs it (the unattended switches, the log, the exit code), with a stand-in for the
// product's uninstaller or Change that ends with a chosen code and removes the product or leaves
// it, optionally with one registry or file call made to fail, or the run stopped right after it.
// Machines may also lock keys, start the run inside the product's folder, name the product with
// up to 255 characters, and hold an engine's line in UninstallString. The oracle names no function
// of the code under test: the run's names come from the command line the fuzzer wrote, by the
// README's rules. After every run:
//  - nothing outside the product's key and folder under the run's two names changed (install
//    mode's own target: the first {GUID}_n with neither a folder nor a key);
//  - every value a key under those names held is still under one of them (only a partial copy,
//    or isreloc's own data with a command the product holds too, may go); folders move whole;
//  - a product there once, its entry running, is there once after, key and folder under one name,
//    its entry's commands starting what is there (after a stop: reaching it by one of its names);
//  - isreloc's own command is never started as the product's, nor kept as one;
//  - the boxes and exit codes of the README;
//  - on a clean machine: a run with nothing injected does its work (a waited uninstall or Change
//    that left the product puts it back byte for byte); after an injected failure or stop, the
//    command the entry holds, run as Windows would, brings the product back whole.
// ISRELOC_MODE_FUZZ_SEEDS=<folder> writes the seed inputs (the cases below) and exits.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/process.h"
#include "entry_promise.h"
#include "platform/registry/name_case.h"
#include "platform/registry/registry.h"
#include "platform/services/forwarding_services.h"
#include "registry_kill_switch.h"
#include "services_switch.h"
#include "tests/support/memory_file_services.h"
#include "tests/support/memory_registry.h"

namespace {

using entry_promise::isrelocCommandForm;
using entry_promise::lowered;
using entry_promise::namesMatch;

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

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// ---- the names a machine and a command line are made of ----

const std::string kGuid = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
const std::string kOtherGuid = "{F1E2D3C4-B5A6-4978-8695-A4B3C2D1E0F9}";
const std::string kMsiGuid = "{12345678-90AB-4CDE-8F01-23456789ABCD}";
const std::vector<std::string> kNames = {
    kGuid, kGuid + "_0", kGuid + "_1", kGuid + "_10", kGuid + "_01", kOtherGuid, kOtherGuid + "_0", kMsiGuid,
    "Other App", lowered(kGuid) + "_0",
};
const std::string kOwnPath = "C:\\Tools\\isreloc.exe";
const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kOldCommand = "\"C:\\Old\\setup.exe\" -runfromtemp";
// What an engine appends to isreloc's command in the entry it runs (README, "For deployment engines").
const std::string kEngineSwitches =
    " -silent -wait -log\"C:\\Windows\\Temp\\isreloc.log\" -- -s -f1\"C:\\Packages\\uninstall.iss\"";

// The product a machine is built around: its GUID (lengthened on some machines) and where its
// maintenance folders are.
struct Product {
    std::string guid = kGuid;
    std::string root;
    std::string command() const { return "\"" + root + guid + "\\setup.exe\" -runfromtemp -l0x0409"; }
    std::string modifyCommand() const { return command() + " -modify"; }
    std::string quietCommand() const { return command() + " -s -f1\"C:\\Temp\\remove.iss\""; }
};

// isreloc's command in the form the README gives it.
std::string isrelocCommand(const std::string& relocated, const std::string& restored,
                           const std::string& verb = "-uninstall", const std::string& after = "") {
    return "\"" + kOwnPath + "\" " + verb + " -guid\"" + relocated + "\" -tguid\"" + restored + "\"" + after;
}

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::string narrow(const std::u16string& text) {
    std::string result;
    for (const char16_t c : text) result += c < 0x100 ? static_cast<char>(c) : '?';
    return result;
}

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

// ---- the machine ----

struct Value {
    uint32_t type;
    std::vector<uint8_t> data;
};
bool operator==(const Value& left, const Value& right) { return left.type == right.type && left.data == right.data; }
bool operator<(const Value& left, const Value& right) {
    return left.type != right.type ? left.type < right.type : left.data < right.data;
}
using KeyValues = std::map<std::string, Value>;    // by name
using KeyTree = std::map<std::string, KeyValues>;  // by path below the key ("" the key itself)

KeyTree productKey(const Product& product, const std::string& command, uint32_t commandType = kRegSz) {
    KeyTree tree;
    tree[""]["DisplayName"] = {kRegSz, textBytes("Sample Product")};
    tree[""]["UninstallString"] = {commandType, textBytes(command)};
    tree[""]["ModifyPath"] = {kRegExpandSz, textBytes(product.modifyCommand())};
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
    bool clean = false;   // the product as an installer or install mode left it, and nothing else in the way
    bool waited = false;  // and the run waits for the product's own uninstaller or Change
};

KeyTree keyTreeFor(const Seeded& entry, const Product& product, bool engineLine = false) {
    switch (entry.key) {
    case KeyKind::product: return productKey(product, product.command());
    case KeyKind::relocated:
    case KeyKind::relocatedQuiet: {
        KeyTree tree = productKey(product, isrelocCommand(entry.name, product.guid, "-uninstall", engineLine ? kEngineSwitches : ""));
        tree[""]["szUninstallString"] = {kRegSz, textBytes(product.command())};
        tree[""]["ModifyPath"] = {kRegSz, textBytes(isrelocCommand(entry.name, product.guid, "-modify"))};
        tree[""]["szModifyPath"] = {kRegExpandSz, textBytes(product.modifyCommand())};
        if (entry.key == KeyKind::relocatedQuiet) {
            tree[""]["QuietUninstallString"] = {kRegSz, textBytes(isrelocCommand(entry.name, product.guid, "-uninstall", " -quiet"))};
            tree[""]["szQuietUninstallString"] = {kRegSz, textBytes(product.quietCommand())};
        }
        return tree;
    }
    case KeyKind::quietCommand: {
        KeyTree tree = productKey(product, product.command());
        tree[""]["QuietUninstallString"] = {kRegSz, textBytes(product.quietCommand())};
        return tree;
    }
    case KeyKind::partialCopy: {
        KeyTree full = productKey(product, product.command()), part;
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
        tree[""]["UninstallString"] = {kRegSz, textBytes(isrelocCommand(entry.name, product.guid))};
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
        KeyTree tree = productKey(product, product.command());
        tree[""]["szUninstallString"] = {kRegSz, textBytes(kOldCommand)};
        return tree;
    }
    // A product's command that looks like isreloc's but carries a switch isreloc does not have.
    case KeyKind::lookalikeCommand:
        return productKey(product, "\"C:\\Vendor\\remove.exe\" -uninstall -guid\"" + product.guid +
                                       "\" -tguid\"x\" -silent -keepdata");
    case KeyKind::expandableCommand:
        return productKey(product, "\"%ProgramFiles%\\Sample\\setup.exe\" /x", kRegExpandSz);
    case KeyKind::binaryCommand: {
        KeyTree tree = productKey(product, product.command());
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

// Makes the machine; false when an entry's name is too long for any key or folder to have it.
bool seed(const Machine& machine, const Product& product, bool engineLines, MemoryRegistry& registry,
          MemoryFileServices& files) {
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
    files.makeDirectory(product.root + "Unrelated");
    files.makeFile(product.root + "Unrelated\\setup.exe", "MZ unrelated");
    bool whole = true;
    for (const Seeded& entry : machine.entries) {
        if (entry.name.size() > 255) {  // no key or folder name is longer
            whole = false;
            continue;
        }
        if (entry.key != KeyKind::none)
            seedKey(registry, kUninstallKey + "\\" + entry.name, keyTreeFor(entry, product, engineLines));
        const std::string folder = product.root + entry.name;
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
    return whole;
}

// ---- the command line, from a grammar, with the arguments it makes ----

// The command line as written, piece by piece, each with the arguments the program's tokenizer
// makes of it: quotes go, and blanks outside quotes part arguments.
struct WrittenLine {
    std::vector<std::pair<std::string, std::vector<std::string>>> pieces;

    void add(const std::string& text, std::vector<std::string> arguments, bool first = false) {
        pieces.insert(first ? pieces.begin() : pieces.end(), {text, std::move(arguments)});
    }
    std::string text(std::vector<std::string>* arguments = nullptr) const {
        std::string line;
        for (const auto& [text, made] : pieces) {
            line += " " + text;
            if (arguments != nullptr) arguments->insert(arguments->end(), made.begin(), made.end());
        }
        return line;
    }
};

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> found;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find(' ', at), text.size());
        if (end > at) found.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return found;
}

// A fixed line whose quoted parts hold no blank: its arguments are its words without the quotes.
WrittenLine fixedLine(const std::string& text) {
    std::string unquoted;
    for (const char c : text)
        if (c != '"') unquoted += c;
    WrittenLine line;
    line.add(text.substr(text.find_first_not_of(' ')), words(unquoted));
    return line;
}

std::string nameValue(Input& input) {
    std::string name = kNames[input.pick(kNames.size())];
    switch (input.pick(12)) {
    case 0: return name;
    case 1: return lowered(name);
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
    default: return upper(name);
    }
}

void addOption(Input& input, WrittenLine& line, const std::string& keyword, const std::string& value) {
    switch (input.pick(3)) {
    case 0: line.add(keyword + "\"" + value + "\"", {keyword + value}); break;
    case 1: line.add(keyword + value, words(keyword + value)); break;
    default: line.add("\"" + keyword + value + "\"", {keyword + value}); break;
    }
}

WrittenLine commandLineArguments(Input& input) {
    WrittenLine line;
    const size_t optionCount = input.pick(7);
    for (size_t i = 0; i < optionCount; ++i) {
        switch (input.pick(8)) {
        case 0: {
            static const char* const kHwnds[] = {"0", "wait", "77", "x", "", "-1", "2147483648"};
            addOption(input, line, "-hwnd", kHwnds[input.pick(7)]);
            break;
        }
        case 1: addOption(input, line, "-guid", nameValue(input)); break;
        case 2: addOption(input, line, "-tguid", nameValue(input)); break;
        case 3: {
            static const char* const kRunfiles[] = {"C:\\Tools\\cleanup.exe", "C:\\x -guid\\y.exe",
                                                    "C:\\a-tguidb\\c.exe", ""};
            addOption(input, line, "-runfile", kRunfiles[input.pick(4)]);
            break;
        }
        case 4: {
            const std::string text = "-hwnd0-guid" + nameValue(input);
            line.add(text, words(text));
            break;
        }
        case 5: {
            static const char* const kJunk[] = {"x", "--u", "-uninstallx", "\"\"", "-U"};
            const std::string junk = kJunk[input.pick(5)];
            line.add(junk, junk == "\"\"" ? std::vector<std::string>{} : std::vector<std::string>{junk});
            break;
        }
        case 6: {
            static const std::vector<std::string> kSwitches[] = {
                {"-silent"}, {"-WAIT"}, {"-quiet"}, {"-log\"C:\\Temp\\isreloc.log\"", "-logC:\\Temp\\isreloc.log"},
                {"-- -s -f1\"C:\\a b.iss\" -guid{x}", "--", "-s", "-f1C:\\a b.iss", "-guid{x}"}, {"-modify"},
                {"-timeout\"30\"", "-timeout30"}, {"-TIMEOUT\"-guid\"", "-TIMEOUT-guid"}};
            const std::vector<std::string>& chosen = kSwitches[input.pick(std::size(kSwitches))];
            line.add(chosen[0], chosen.size() == 1 ? chosen : std::vector<std::string>(chosen.begin() + 1, chosen.end()));
            break;
        }
        default: line.add("-guid\"" + kGuid + "\"", {"-guid" + kGuid}); break;
        }
    }
    switch (input.pick(6)) {
    case 0: break;  // install mode
    case 1: line.add("-uninstall", {"-uninstall"}, true); break;
    case 2: line.add("-u", {"-u"}); break;
    case 3: line.add("-UNINSTALL", {"-UNINSTALL"}, true); break;
    case 4: line.add("-modify", {"-modify"}, true); break;
    default: line.add("-uninstall", {"-uninstall"}, true), line.add("-uninstall", {"-uninstall"}); break;
    }
    return line;
}

// ---- the two standard runs, on a clean machine ----

std::string installRun(const std::string& guid) { return " -hwnd77 -guid\"" + guid + "\""; }
std::string uninstallRun(const std::string& guid) {
    return " -uninstall -guid\"" + guid + "_0\" -tguid\"" + guid + "\"";
}
// What an engine, the list of programs' Change, and a quiet uninstall run, waiting for the product.
std::string waitedRun(size_t which, const std::string& guid) {
    if (which == 0) return uninstallRun(guid) + " -silent -wait -timeout\"3600\" -- -s -f1\"C:\\Packages\\remove.iss\"";
    if (which == 1) return uninstallRun(guid) + " -quiet";
    return " -modify -guid\"" + guid + "_0\" -tguid\"" + guid + "\"";
}

// ---- the names a run works on, by the rules the README and the option scan state ----

struct RunNames {
    bool uninstallMode = false;
    bool guidFound = false;
    std::string source;
    std::optional<std::string> target;  // none: install mode's own, found on the machine
};

// A relocated name given without -tguid: less everything from its "_" when it is a GUID in
// braces followed by "_" and digits; otherwise the name itself, which the run must refuse.
std::string restoredNameOf(const std::string& name) {
    const size_t underscore = name.find('_');
    const bool guid = name.size() >= 38 && name[0] == '{' && name[9] == '-' && name[14] == '-' && name[19] == '-' &&
                      name[24] == '-' && name[37] == '}';
    bool digits = guid && underscore >= 38 && underscore != std::string::npos && underscore + 1 < name.size();
    for (size_t at = underscore + 1; digits && at < name.size(); ++at) digits = name[at] >= '0' && name[at] <= '9';
    return digits ? name.substr(0, underscore) : name;
}

// Arguments arrive lowercased; isreloc's own switches (-silent, -wait, -quiet, -log..., -timeout...) and
// everything from "--" on are taken off first; the first argument that is -u, -uninstall or
// -modify selects the mode and goes; the first argument holding "-guid" anywhere gives the source
// (less its first 5 characters, in upper case), the first holding "-tguid" the target (less 6).
RunNames runNamesOf(const std::vector<std::string>& arguments) {
    std::vector<std::string> list;
    for (const std::string& argument : arguments) {
        const std::string word = lowered(argument);
        if (word == "--") break;
        if (word != "-silent" && word != "-wait" && word != "-quiet" && word.rfind("-log", 0) != 0 &&
            word.rfind("-timeout", 0) != 0)
            list.push_back(word);
    }
    RunNames names;
    for (auto word = list.begin(); word != list.end(); ++word)
        if (*word == "-u" || *word == "-uninstall" || *word == "-modify") {
            names.uninstallMode = true;
            list.erase(word);
            break;
        }
    for (const std::string& word : list) {
        if (!names.guidFound && word.find("-guid") != std::string::npos) {
            names.guidFound = true;
            names.source = upper(word.substr(5));
        }
        if (!names.target && word.find("-tguid") != std::string::npos) names.target = word.substr(6);
    }
    if (!names.target && names.uninstallMode) names.target = restoredNameOf(names.source);
    return names;
}

// Whether a top-level name is one of the run's two names.
bool isRunName(const RunNames& names, const std::string& name) {
    return names.guidFound && (namesMatch(name, names.source) || (names.target && namesMatch(name, *names.target)));
}

// ---- snapshots ----

struct RegistryView {
    // Folded key path -> the values by folded name (type and bytes), for the whole of HKLM.
    std::map<std::u16string, std::map<std::u16string, Value>> keys;
};
using FileView = std::map<std::string, std::pair<std::string, std::string>>;  // MemoryFileServices::entries()
using EntryTree = std::map<std::u16string, std::map<std::u16string, Value>>;

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
        if (registry.regOpenKeyExW(key, subkeyName.c_str(), kKeyRead, &subkey) != 0)
            fail("cannot read the store");
        readTree(registry, subkey, path + u"\\" + subkeyName, view);
        registry.regCloseKey(subkey);
    }
}

RegistryView snapshot(MemoryRegistry& registry) {
    RegistryView view;
    readTree(registry, kLocalMachine, u"HKLM", view);
    return view;
}

const std::u16string kUninstallPrefix = foldNameCase(u"HKLM\\" + wide(kUninstallKey) + u"\\");

// The top-level uninstall entry a folded key path lies in, or nothing when it lies outside them.
std::optional<std::u16string> entryOf(const std::u16string& foldedPath) {
    if (foldedPath.compare(0, kUninstallPrefix.size(), kUninstallPrefix) != 0) return std::nullopt;
    const std::u16string rest = foldedPath.substr(kUninstallPrefix.size());
    return rest.substr(0, rest.find(u'\\'));
}

// A key of a snapshot with everything below it, keyed by the path below it.
EntryTree entryTree(const RegistryView& view, const std::string& name) {
    EntryTree tree;
    const std::u16string top = kUninstallPrefix + foldNameCase(wide(name));
    for (const auto& [path, values] : view.keys)
        if (path == top || path.compare(0, top.size() + 1, top + u"\\") == 0) tree[path.substr(top.size())] = values;
    return tree;
}

EntryTree foldedTree(const KeyTree& tree) {
    EntryTree folded;
    for (const auto& [path, values] : tree) {
        auto& key = folded[foldNameCase(path.empty() ? u"" : u"\\" + wide(path))];
        for (const auto& [name, value] : values) key[foldNameCase(wide(name))] = value;
    }
    return folded;
}

// The machine after (or before) a run, as the checks look at it.
struct MachineView {
    RegistryView registry;
    FileView files;
    MemoryFileServices* resolver;  // folds paths as Windows resolves them
    std::string root;

    bool keyThere(const std::string& name) const { return registry.keys.count(kUninstallPrefix + foldNameCase(wide(name))) != 0; }
    bool entryThere(const std::string& path) const {
        const std::string folded = resolver->foldedPath(path);
        return !folded.empty() && files.count(folded) != 0;
    }
    bool folderThere(const std::string& name) const { return entryThere(root + name); }
    // The folder of the name below the root holds the product's setup.exe.
    bool productAt(const std::string& name) const {
        const std::string folded = resolver->foldedPath(root + name + "\\setup.exe");
        const auto found = files.find(folded);
        return !folded.empty() && found != files.end() && found->second.second != "<dir>";
    }
    // Every command the entry under the name holds starts what is there; after a stop, reaches it.
    bool entryRuns(const std::string& name, bool stoppedDead = false) const {
        const auto key = registry.keys.find(kUninstallPrefix + foldNameCase(wide(name)));
        if (key == registry.keys.end()) return true;
        for (const char* valueName : entry_promise::kCommandValues) {
            const auto value = key->second.find(foldNameCase(wide(valueName)));
            if (value == key->second.end() || (value->second.type != kRegSz && value->second.type != kRegExpandSz))
                continue;
            const auto here = [this](const std::string& folder) { return productAt(folder); };
            if (!entry_promise::commandRuns(entry_promise::commandText(value->second.data), name, root, here, stoppedDead))
                return false;
        }
        return true;
    }
    // The product there once: its key and its folder under one of the run's names, neither a key
    // nor a folder under the other; the name, or nothing.
    std::optional<std::string> productOnce(const RunNames& names) const {
        if (!names.guidFound || !names.target || namesMatch(names.source, *names.target)) return std::nullopt;
        for (const auto& [here, other] : {std::make_pair(names.source, *names.target), std::make_pair(*names.target, names.source)})
            if (keyThere(here) && productAt(here) && !keyThere(other) && !folderThere(other)) return here;
        return std::nullopt;
    }
};

// The three commands and where each is kept while relocated.
const std::pair<std::u16string, std::u16string> kCommandPairs[] = {
    {u"UninstallString", u"szUninstallString"},
    {u"ModifyPath", u"szModifyPath"},
    {u"QuietUninstallString", u"szQuietUninstallString"},
};

bool isIsrelocCommand(const Value& value) {
    return (value.type == kRegSz || value.type == kRegExpandSz) &&
           isrelocCommandForm(entry_promise::commandText(value.data)).has_value();
}

// The product's own command of a pair in a key: the live value unless it is isreloc's, else the
// saved one.
std::optional<Value> productCommandOf(const std::map<std::u16string, Value>& values,
                                      const std::pair<std::u16string, std::u16string>& pair) {
    const auto command = values.find(foldNameCase(pair.first));
    if (command != values.end() && !command->second.data.empty() && !isIsrelocCommand(command->second))
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
// place, and its commands in one of their two values. What may go loses nothing this way: a
// partial copy holds only what the product's key holds, and isreloc's own data only its command
// and a saved command the product's key holds too.
void expectKeyKept(const RegistryView& before, const RegistryView& after, const std::string& name,
                   const RunNames& names, const std::string& run) {
    const EntryTree kept = entryTree(before, name);
    if (kept.empty()) return;
    std::vector<EntryTree> now = {entryTree(after, names.source)};
    if (names.target) now.push_back(entryTree(after, *names.target));
    for (const auto& [path, values] : kept) {
        for (const auto& [valueName, value] : values) {
            if (isCommandValue(valueName)) continue;
            bool found = false;
            for (const EntryTree& tree : now) {
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
        for (const EntryTree& tree : now) {
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

// isreloc's commands kept in the saved values of the run's entries.
std::set<Value> isrelocCommandsSaved(const RegistryView& view, const RunNames& names) {
    std::set<Value> saved;
    for (const auto& [path, values] : view.keys) {
        const std::optional<std::u16string> entry = entryOf(path);
        if (!entry || !isRunName(names, narrow(*entry))) continue;
        for (const auto& [live, savedName] : kCommandPairs) {
            const auto value = values.find(foldNameCase(savedName));
            if (value != values.end() && isIsrelocCommand(value->second)) saved.insert(value->second);
        }
    }
    return saved;
}

// ---- one run ----

struct Outcome {
    bool killed = false;
    bool reported = false;  // a failure escaped: the report, and exit code 1 or 1603
    size_t boxes = 0;
    uint32_t exitCode = 0;
    int waits = 0;          // programs started and waited for
    bool timedOut = false;  // and the wait ran past -timeout
};

// What the program a run starts and waits for does, as the input chooses: it ends with a code,
// and removes the product's key and folder under the name it was started for (a completed
// uninstall) or leaves them (a cancelled one, or a Change). The wait may not see all of it: the
// program could not join a job and was waited for alone, it ran past -timeout, or its exit code
// could not be read.
enum class WaitEnd { everyProcess, alone, pastTimeLimit, codeUnread };
struct StandIn {
    bool starts = true;
    uint32_t exitCode = 0;
    bool removesProduct = false;
    WaitEnd end = WaitEnd::everyProcess;
    std::string name;  // the product's name while its command runs: the restored one
    std::string root;  // the maintenance root
    std::function<void()> atStart;  // what a check wants to see the moment it starts
};

class StandInServices final : public ForwardingServices {
public:
    StandInServices(Services& inner, MemoryRegistry& store, MemoryFileServices& files, const StandIn& standIn)
        : ForwardingServices(inner), store_(store), files_(files), standIn_(standIn) {}

    LaunchOutcome launchAndWait(const std::u16string& commandLine, const std::optional<uint32_t>& limit) override {
        ++waits;
        inner().launchAndWait(commandLine, limit);
        if (!standIn_.starts) return {};
        if (standIn_.atStart) standIn_.atStart();
        if (standIn_.removesProduct) {
            TRegistry eraser(store_);
            eraser.setRoot(kLocalMachine);
            eraser.eraseKeyTree("\\" + kUninstallKey + "\\" + standIn_.name);
            files_.removeTree(standIn_.root + standIn_.name);
        }
        LaunchOutcome outcome = LaunchOutcome::ended(standIn_.exitCode);
        outcome.everyProcessEnded = standIn_.end != WaitEnd::alone;
        outcome.exitCodeRead = standIn_.end != WaitEnd::codeUnread;
        if (standIn_.end == WaitEnd::pastTimeLimit && limit) outcome = {true, false, 0, true, true};
        timedOut = outcome.timedOut;
        return outcome;
    }
    int waits = 0;
    bool timedOut = false;

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
                Injection injection = Injection::none, uint64_t call = 0, const StandIn& standIn = StandIn()) {
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
    FixedCommandLine commandLine("isreloc.exe" + arguments, kOwnPath);
    Outcome outcome;
    reportedFailure = false;
    try {
        outcome.exitCode = runProcess(commandLine, services, registry, reportFailure);
    } catch (const KilledRun&) {
        outcome.killed = true;
    }
    outcome.reported = reportedFailure;
    outcome.waits = standInServices.waits;
    outcome.timedOut = standInServices.timedOut;
    store.clearFailures();
    outcome.boxes = files.messages().size() - boxesBefore;
    if (std::getenv("ISRELOC_MODE_FUZZ_VERBOSE") != nullptr && injection != Injection::none) {
        const bool registryCall = injection == Injection::failRegistry || injection == Injection::killRegistry;
        if (registryCall && call <= registry.calls().size())
            std::fprintf(stderr, "  injected at registry call %llu: %s %s\n", static_cast<unsigned long long>(call),
                         registryCallName(registry.calls()[call - 1].kind), registry.calls()[call - 1].detail.c_str());
        if (!registryCall && call <= services.calls().size())
            std::fprintf(stderr, "  injected at services call %llu: %s\n", static_cast<unsigned long long>(call),
                         services.calls()[call - 1].detail.c_str());
    }
    return outcome;
}

Machine machineFrom(Input& input, WrittenLine& line) {
    Machine machine;
    machine.programFiles = static_cast<uint8_t>(input.pick(std::size(kProgramFiles)));
    const size_t kind = input.pick(8);
    machine.clean = kind < 5 && machine.programFiles == 0;
    switch (kind) {
    case 0:  // cleanly installed, then the standard install run
        machine.entries.push_back({kGuid, KeyKind::product, 0xFF, FolderKind::product});
        line = fixedLine(installRun(kGuid));
        return machine;
    case 1:  // cleanly relocated, then the standard uninstall run
        machine.entries.push_back({kGuid + "_0", KeyKind::relocated, 0xFF, FolderKind::product});
        line = fixedLine(uninstallRun(kGuid));
        return machine;
    case 2:
    case 3:
    case 4:  // cleanly relocated with a quiet command, then a run that waits for the product
        machine.entries.push_back({kGuid + "_0", KeyKind::relocatedQuiet, 0xFF, FolderKind::product});
        machine.waited = true;
        line = fixedLine(waitedRun(kind - 2, kGuid));
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
    line = commandLineArguments(input);
    return machine;
}

// The product's GUID, wherever it stands in a text, followed by digits up to a name of 190 to
// 255 characters; folders of such a name hold paths beyond MAX_PATH.
std::string lengthened(std::string text, const std::string& tail) {
    if (tail.empty()) return text;
    for (size_t at = lowered(text).find(lowered(kGuid)); at != std::string::npos;
         at = lowered(text).find(lowered(kGuid), at + kGuid.size() + tail.size()))
        text.insert(at + kGuid.size(), tail);
    return text;
}

// Keys locked as a DACL locks them, where they exist: bit 0 the Uninstall key, bits 1 and 2 the
// keys under {GUID} and {GUID}_0 readable only; bits 3, 4 and 5 the keys under {GUID}_0, {GUID}_1
// and {GUID} not even readable (deleting them allowed); bits 6 and 7 the subkey Level1 of the
// keys under {GUID} and {GUID}_0 readable only. True when any key was locked.
bool lockKeys(MemoryRegistry& store, uint8_t bits, const std::string& guid) {
    const std::string keys[] = {"",           "\\" + guid,        "\\" + guid + "_0",           "\\" + guid + "_0",
                                "\\" + guid + "_1", "\\" + guid, "\\" + guid + "\\Level1", "\\" + guid + "_0\\Level1"};
    bool locked = false;
    for (size_t bit = 0; bit < std::size(keys); ++bit)
        if (bits & (1u << bit))
            locked = store.grantOnly("HKLM\\" + kUninstallKey + keys[bit],
                                     bit < 3 || bit > 5 ? kKeyRead : MemoryRegistry::kDeleteRight) ||
                     locked;
    return locked;
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

// The product's folder contents below each of the run's names, as a multiset: a folder may move
// between the names, never vanish, split or change.
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

// Install mode's own target: the first of {GUID}_0, {GUID}_1, ... with neither a folder nor a key
// (after `skipped` free ones).
std::string freeSuffixName(const MachineView& machine, const std::string& source, int skipped = 0) {
    for (int n = 0;; ++n) {
        const std::string name = source + "_" + std::to_string(n);
        if (!machine.keyThere(name) && !machine.folderThere(name) && skipped-- == 0) return name;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input input(data, size);
    WrittenLine line;
    Machine machine = machineFrom(input, line);
    const Injection injection = static_cast<Injection>(input.pick(static_cast<size_t>(Injection::count)));
    const uint64_t call = 1 + input.byte() + 256u * input.pick(2);
    const uint8_t standInChoice = input.byte();
    // What the last bytes add; none (an input that ends before them) keeps older inputs' meaning:
    // the GUID lengthened to 190..255 characters, the current directory inside the source's or
    // the target's folder, locked keys, an engine's line in UninstallString.
    const size_t longName = input.pick(67), currentDirectory = input.pick(3);
    const uint8_t lockedKeys = input.byte();
    const bool engineLines = (input.byte() & 1) != 0;

    Product product;
    product.root = maintenanceRootOf(machine.programFiles);
    const std::string tail = longName == 0 ? "" : std::string(151 + longName, '7');
    product.guid = lengthened(kGuid, tail);
    for (Seeded& entry : machine.entries) entry.name = lengthened(entry.name, tail);
    for (auto& [text, arguments] : line.pieces) {
        text = lengthened(text, tail);
        for (std::string& argument : arguments) argument = lengthened(argument, tail);
    }
    std::vector<std::string> written;
    const std::string arguments = line.text(&written);
    const std::string run = " isreloc.exe" + arguments;

    MemoryRegistry store;
    MemoryFileServices files;
    // A clean machine whose relocated entry cannot exist is no clean machine.
    machine.clean = seed(machine, product, engineLines, store, files) && machine.clean;
    files.openWindow(77, 1);
    const bool interactive = (standInChoice & 0x80) == 0;
    files.scriptInteractiveWindowStation(interactive);
    const std::string rootFolded = files.foldedPath(product.root);
    const MachineView before{snapshot(store), files.entries(), &files, product.root};

    RunNames names = runNamesOf(written);
    if (names.guidFound && !names.uninstallMode && !names.target) names.target = freeSuffixName(before, names.source);
    const std::optional<std::string> onceBefore = before.productOnce(names);
    const bool productWasWhole = onceBefore && before.entryRuns(*onceBefore);
    if (currentDirectory == 1 && names.guidFound) files.enterDirectory(product.root + names.source);
    if (currentDirectory == 2 && names.target) files.enterDirectory(product.root + *names.target);
    machine.clean = !lockKeys(store, lockedKeys, product.guid) && machine.clean;

    StandIn standIn;
    standIn.starts = (standInChoice & 1) == 0;
    standIn.removesProduct = (standInChoice & 2) != 0 && lockedKeys == 0;
    static const uint32_t kExitCodes[] = {0, 3010, 1641, 1603, 1618, 5};
    standIn.exitCode = kExitCodes[((standInChoice >> 2) & 7) % std::size(kExitCodes)];
    standIn.end = static_cast<WaitEnd>((standInChoice >> 5) & 3);
    standIn.name = names.target.value_or(names.source);
    standIn.root = product.root;
    const Outcome outcome = runOnce(store, files, arguments, injection, call, standIn);
    const int waits = outcome.waits;
    store.grantEverything();
    const MachineView after{snapshot(store), files.entries(), &files, product.root};
    // A key that cannot be read may be somebody's: when a look at install mode's own target
    // failed, its search takes the next free name.
    const bool ownTarget = names.guidFound && !names.uninstallMode && !runNamesOf(written).target;
    if (ownTarget && injection == Injection::failRegistry) {
        const std::string next = freeSuffixName(before, names.source, 1);
        if (after.keyThere(next) && !before.keyThere(next)) names.target = next;
    }
    // What the stand-in removed is the uninstaller's doing, not isreloc's.
    const bool productRemoved = waits > 0 && standIn.starts && standIn.removesProduct;

    if (std::getenv("ISRELOC_MODE_FUZZ_VERBOSE") != nullptr) {
        std::fprintf(stderr, "run:%s\n  names: %s -> %s\n  %s%s%zu box(es)%s%s\n", run.c_str(), names.source.c_str(),
                     names.target.value_or("(none)").c_str(), outcome.killed ? "stopped, " : "",
                     outcome.reported ? "failure report, " : "", outcome.boxes, files.messages().empty() ? "" : ", last: ",
                     files.messages().empty() ? "" : files.messages().back().text.substr(0, 120).c_str());
        for (const std::string& launched : files.launchedCommands()) std::fprintf(stderr, "  started: %s\n", launched.c_str());
        for (const Seeded& entry : machine.entries)
            std::fprintf(stderr, "  seeded %s: key kind %d, mask %02x, folder kind %d\n", entry.name.c_str(),
                         static_cast<int>(entry.key), entry.mask, static_cast<int>(entry.folder));
    }
    // A waited program that cannot start adds its own box.
    const size_t startBoxes = waits > 0 && !standIn.starts ? 1 : 0;
    check(outcome.boxes + (outcome.reported ? 1 : 0) <= 1 + startBoxes, "more than one box shown by" + run);
    // The exit codes of the README's table.
    if (!outcome.killed) {
        const uint32_t code = outcome.exitCode;
        const bool expectedCode = code == 0 || code == 1 || code == 1603 || code == 1639 ||
                                  (waits > 0 && standIn.starts && code == standIn.exitCode) ||
                                  (outcome.timedOut && code == 1460);
        check(expectedCode, "exit code " + std::to_string(code) + " from" + run);
        if (outcome.reported) check(code == 1 || code == 1603, "a reported failure ended with " + std::to_string(code));
        const std::string switches = lowered(arguments);
        if (interactive && waits == 0 && switches.find("-silent") == std::string::npos &&
            switches.find("-quiet") == std::string::npos && switches.find("-modify") == std::string::npos &&
            switches.find("-wait") == std::string::npos)
            check(code == (outcome.reported ? 1u : 0u), "an interactive run ended with " + std::to_string(code));
    }
    // A stopped run's handles are the system's to close, as for any process that ends.
    check(outcome.killed || store.openHandleCount() == 0, "a key handle was left open by" + run);
    expectOnlyRunNamesChanged(before.registry, after.registry, before.files, after.files, rootFolded, names, run);
    for (const std::vector<std::string>* started : {&files.launchedCommands(), &files.waitedCommands()})
        for (const std::string& command : *started)
            check(!isrelocCommandForm(command), "isreloc's own command " + command + " was started by" + run);
    for (const Value& saved : isrelocCommandsSaved(after.registry, names))
        check(isrelocCommandsSaved(before.registry, names).count(saved) != 0,
              "isreloc's own command " + entry_promise::commandText(saved.data) + " was kept as the product's by" + run);
    if (names.guidFound && !productRemoved) {
        expectKeyKept(before.registry, after.registry, names.source, names, run);
        if (names.target) expectKeyKept(before.registry, after.registry, *names.target, names, run);
        check(productFolders(before.files, rootFolded, names) == productFolders(after.files, rootFolded, names),
              "a product folder vanished, split or changed in" + run);
    }
    if (productWasWhole && !productRemoved && !outcome.killed) {
        const std::optional<std::string> onceAfter = after.productOnce(names);
        check(onceAfter.has_value(), "the product is not there once, key and folder under one name, after" + run);
        // A restore that failed after its moves gives the main command back last: isreloc's, it
        // finishes the restore.
        check(after.entryRuns(*onceAfter, outcome.reported && names.uninstallMode),
              "a command of the product's entry starts what is not there after" + run);
    }
    if (productWasWhole && outcome.killed)
        for (const std::string* name : {&names.source, &*names.target})
            check(after.entryRuns(*name, true), "after a stop, the entry under " + *name + " reaches no product in" + run);

    const std::string relocatedName = product.guid + "_0";
    KeyTree installed = keyTreeFor({product.guid, KeyKind::product}, product);
    if (machine.waited) installed[""]["QuietUninstallString"] = {kRegSz, textBytes(product.quietCommand())};
    // The product where its own uninstaller expects it: its key under its GUID as installed (a
    // saved value isreloc owns may be left), its folder, nothing under the relocated name.
    const auto backWhole = [&] {
        const MachineView now{snapshot(store), files.entries(), &files, product.root};
        EntryTree key = entryTree(now.registry, product.guid);
        for (const auto& [live, saved] : kCommandPairs)
            if (key.count(u"") != 0) key[u""].erase(foldNameCase(saved));
        return key == foldedTree(installed) && !now.keyThere(relocatedName) && now.productAt(product.guid) &&
               !now.folderThere(relocatedName);
    };
    // A clean machine and nothing injected: the run does its work; a product whose relocated name
    // would be longer than any key's or folder's is refused with a box, nothing changed.
    if (machine.clean && !machine.waited && injection == Injection::none && relocatedName.size() > 255)
        check((outcome.boxes == 1 || !interactive) && !outcome.reported && before.registry.keys == after.registry.keys &&
                  before.files == after.files,
              "a product whose relocated name cannot be a key's is not refused, nothing changed, by" + run);
    if (machine.clean && !machine.waited && injection == Injection::none && relocatedName.size() <= 255) {
        if (!names.uninstallMode)
            check(entryTree(after.registry, relocatedName) ==
                          foldedTree(keyTreeFor({relocatedName, KeyKind::relocated}, product)) &&
                      !after.keyThere(product.guid) && after.productAt(relocatedName) && !after.folderThere(product.guid),
                  "a cleanly installed product is not relocated by" + run);
        else
            check(backWhole() && files.launchedCommands() == std::vector<std::string>{product.command()},
                  "a cleanly relocated product is not back, its uninstaller started, after" + run);
    }
    // A clean relocated product whose uninstaller or Change was waited for: removed, it is gone
    // under both names. Left installed, it goes back under its relocated name, byte for byte, only
    // on evidence that its removal did not happen and will not: the program ran, every process of
    // it was waited for within the time, and its exit code was read and is not 3010 or 1641 (the
    // removal succeeded and finishes at the restart). Otherwise it stays under its GUID, whole,
    // its own commands in place, where its own entry works.
    if (machine.clean && machine.waited && injection == Injection::none) {
        const bool gone = entryTree(after.registry, product.guid).empty() && !after.keyThere(relocatedName) &&
                          !after.folderThere(product.guid) && !after.folderThere(relocatedName);
        const bool wholeEndSeen = standIn.starts && !outcome.timedOut && standIn.end != WaitEnd::alone &&
                                  standIn.end != WaitEnd::codeUnread;
        const bool finishesAtRestart = standIn.exitCode == 3010 || standIn.exitCode == 1641;
        if (productRemoved) {
            check(gone, "a removed product left something behind after" + run);
        } else if (!wholeEndSeen || finishesAtRestart) {
            check(backWhole(), "a product whose removal may still go on is not left whole under its GUID by" + run);
        } else {
            check(entryTree(after.registry, relocatedName) == entryTree(before.registry, relocatedName) &&
                      entryTree(after.registry, product.guid).empty(),
                  "a product left installed is not back under its relocated name after" + run);
            check(after.productAt(relocatedName) && !after.folderThere(product.guid),
                  "a product left installed does not have its folder back after" + run);
        }
        const uint32_t told = !standIn.starts                      ? 1603u
                              : outcome.timedOut                     ? 1460u
                              : standIn.end == WaitEnd::codeUnread   ? 1603u
                                                                     : standIn.exitCode;
        check(outcome.exitCode == told,
              "exit code " + std::to_string(outcome.exitCode) + " does not tell what the waited program did in" + run);
    }
    // A clean machine after an injected failure or stop: the command the entry holds, run as
    // Windows runs it from a new process, brings the product back whole under its own name by the
    // time the product's own uninstaller starts.
    if (machine.clean && injection != Injection::none && !productRemoved) {
        // The run's own target first: install mode may have taken {GUID}_1 when its look at
        // {GUID}_0 failed.
        std::optional<entry_promise::IsrelocCommandForm> command;
        for (const std::string& name : {names.target.value_or(relocatedName), relocatedName, product.guid}) {
            const EntryTree entry = entryTree(after.registry, name);
            if (command || entry.count(u"") == 0) continue;
            const auto value = entry.at(u"").find(foldNameCase(u"UninstallString"));
            if (value != entry.at(u"").end() && isIsrelocCommand(value->second))
                command = isrelocCommandForm(entry_promise::commandText(value->second.data));
        }
        bool back = command ? false : backWhole();
        if (command) {
            files.enterDirectory("C:\\");
            StandIn uninstaller;
            uninstaller.atStart = [&] { back = backWhole(); };
            if (runOnce(store, files, " " + command->arguments, Injection::none, 0, uninstaller).waits == 0)
                back = backWhole();
        }
        check(back, "the product is not back whole after" + run + " and the command its entry holds" +
                        (command ? ": " + command->arguments : std::string(" (none of isreloc's)")));
    }
    return 0;
}

// ---- the seeds: each case the rules were written for ----

namespace {

// Writes an input the way machineFrom, commandLineArguments, the injection and the extras read it.
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
    // One of the clean machines with its standard run: 0 install, 1 uninstall, 2 to 4 waited runs.
    SeedWriter& clean(uint8_t kind) { return put(0).put(kind); }
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
    // code chosen by bits 2 to 4, how its wait ends by bits 5 and 6, bit 7 for a window station
    // nobody sees.
    SeedWriter& standIn(uint8_t choice) { return put(choice); }
    // What the extras add: a lengthened GUID, the current directory, locked keys, engine lines.
    SeedWriter& extras(uint8_t longName, uint8_t currentDirectory, uint8_t lockedKeys, bool engineLines) {
        return put(longName).put(currentDirectory).put(lockedKeys).put(engineLines ? 1 : 0);
    }
    // A switch of the unattended ones: 0 -silent, 1 -wait, 2 -quiet, 3 -log, 4 "--" and a tail, 5 -modify.
    SeedWriter& unattended(uint8_t which) { return put(6).put(which); }
    SeedWriter& put(uint8_t byte) {
        bytes.push_back(byte);
        return *this;
    }
    std::vector<uint8_t> bytes;
};

const uint8_t kG = 0, kG0 = 1, kMsi = 7;
// The waited program's choices: it leaves the product, ending with 1603 (a cancel or a failure) or
// 3010; it was waited for alone; it ran past the time limit.
const uint8_t kLeft1603 = 3 << 2, kLeft3010 = 1 << 2, kWaitedAlone = 1 << 5, kPastTimeLimit = 2 << 5;
// Extras' bits for locked keys.
const uint8_t kUninstallReadOnly = 1, kG0Unreadable = 8, kG1Unreadable = 16, kGUnreadable = 32, kGSubkeyReadOnly = 64;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* folder = std::getenv("ISRELOC_MODE_FUZZ_SEEDS");
    if (folder == nullptr) return 0;
    const Seeded installed{kGuid, KeyKind::product, 0xFF, FolderKind::product};
    const Seeded relocated{kGuid + "_0", KeyKind::relocated, 0xFF, FolderKind::product};
    std::map<std::string, std::vector<uint8_t>> seeds;
    // The two standard runs on a clean machine, plain and with a call failing or the run stopped.
    seeds["clean-install"] = SeedWriter().clean(0).injection().bytes;
    seeds["clean-uninstall"] = SeedWriter().clean(1).injection().bytes;
    for (const uint8_t call : {3, 40, 90, 140}) {
        seeds["clean-install-killed-" + std::to_string(call)] =
            SeedWriter().clean(0).injection(Injection::killRegistry, call).bytes;
        seeds["clean-uninstall-failed-" + std::to_string(call)] =
            SeedWriter().clean(1).injection(Injection::failRegistry, call).bytes;
    }
    seeds["clean-install-killed-after-move"] = SeedWriter().clean(0).injection(Injection::killServices, 4).bytes;
    // Runs that wait for the product's uninstaller or Change (an engine's with -silent -wait and
    // "--", a quiet uninstall, Change): it completes, is cancelled, fails, or cannot start.
    for (uint8_t run = 0; run < 3; ++run) {
        const std::string name = std::string(run == 0 ? "engine" : run == 1 ? "quiet" : "change");
        const uint8_t kind = static_cast<uint8_t>(2 + run);
        seeds[name + "-completed"] = SeedWriter().clean(kind).injection().standIn(2).bytes;
        seeds[name + "-cancelled"] = SeedWriter().clean(kind).injection().standIn(kLeft1603).bytes;
        seeds[name + "-restart-pending"] = SeedWriter().clean(kind).injection().standIn(kLeft3010).bytes;
        seeds[name + "-failed-unseen"] = SeedWriter().clean(kind).injection().standIn(0x80 | kLeft1603).bytes;
        seeds[name + "-not-started"] = SeedWriter().clean(kind).injection().standIn(1).bytes;
        seeds[name + "-killed-putting-back"] =
            SeedWriter().clean(kind).injection(Injection::killRegistry, 200).standIn(kLeft1603).bytes;
    }
    // An engine's wait that could not follow every process, or ran past its -timeout.
    seeds["engine-waited-alone"] = SeedWriter().clean(2).injection().standIn(kLeft1603 | kWaitedAlone).bytes;
    seeds["engine-timed-out"] = SeedWriter().clean(2).injection().standIn(kLeft1603 | kPastTimeLimit).bytes;
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
    // A product command that looks like isreloc's but is not.
    seeds["lookalike-command"] =
        SeedWriter().machine({{kGuid + "_0", KeyKind::lookalikeCommand, 0xFF, FolderKind::product}})
            .options(2).guid(kG0).tguid(kG).mode(1).injection().bytes;
    // What may give way under the target name: a partial copy, isreloc's own data; and what may
    // not: an earlier instance's key whose folder went missing, which install mode's own search skips.
    seeds["stale-target"] = SeedWriter().machine({installed, {kGuid + "_0", KeyKind::stale, 0xFF, FolderKind::none}})
                                .options(2).hwnd(0).guid(kG).mode(0).injection().bytes;
    seeds["partial-copy-target"] =
        SeedWriter().machine({relocated, {kGuid, KeyKind::partialCopy, 0x5A, FolderKind::none}})
            .options(2).guid(kG0).tguid(kG).mode(1).injection().bytes;
    seeds["isreloc-only-target"] =
        SeedWriter().machine({relocated, {kGuid, KeyKind::isrelocOnly, 0xFF, FolderKind::none}})
            .options(2).guid(kG0).tguid(kG).mode(1).injection().bytes;
    // A failing call that leaves the run nothing to move the key with, or no way to open it once moved.
    seeds["install-uninstall-key-unopenable"] = SeedWriter().clean(0).injection(Injection::failRegistry, 39).bytes;
    seeds["install-moved-key-unopenable"] = SeedWriter().clean(0).injection(Injection::failRegistry, 79).bytes;
    // A subkey of the product's key that may not be written (nor deleted), when the key must be
    // copied because the rename failed.
    seeds["product-subkey-read-only-copied"] = SeedWriter().clean(0).injection(Injection::failRegistry, 103)
                                                   .standIn(0).extras(0, 0, kGSubkeyReadOnly, false).bytes;
    seeds["orphaned-instance-install"] =
        SeedWriter().machine({installed, {kGuid + "_0", KeyKind::relocated, 0xFF, FolderKind::none}})
            .options(2).hwnd(0).guid(kG).mode(0).injection().bytes;
    seeds["unreadable-suffix-key"] =
        SeedWriter().machine({installed, {kGuid + "_0", KeyKind::stale, 0xFF, FolderKind::none}})
            .options(2).hwnd(0).guid(kG).mode(0).injection().standIn(0).extras(0, 0, kG0Unreadable, false).bytes;
    seeds["unreadable-second-suffix-key"] =
        SeedWriter().machine({installed, {kGuid + "_0", KeyKind::stale, 0xFF, FolderKind::product},
                              {kGuid + "_1", KeyKind::stale, 0xFF, FolderKind::none}})
            .options(2).hwnd(0).guid(kG).mode(0).injection().standIn(0).extras(0, 0, kG1Unreadable, false).bytes;
    // The standard runs on clean machines with what the last bytes add: an Uninstall key that may be
    // read but not written (a run not elevated, a policy), a product key that cannot be read, a run
    // started inside the folder it must move, an engine's line in UninstallString (run plainly, and
    // as the engine runs it, cancelled), names of 200, 253 and 254 characters (paths beyond
    // MAX_PATH; the last leaves no room for a suffix).
    const struct {
        const char* name;
        uint8_t kind, standIn, longName, currentDirectory, lockedKeys;
        bool engineLine;
    } extraSeeds[] = {
        {"uninstall-key-read-only-install", 0, 0, 0, 0, kUninstallReadOnly, false},
        {"uninstall-key-read-only-uninstall", 1, 0, 0, 0, kUninstallReadOnly, false},
        {"product-key-unreadable", 0, 0, 0, 0, kGUnreadable, false},
        {"install-inside-product-folder", 0, 0, 0, 1, 0, false},
        {"uninstall-inside-relocated-folder", 1, 0, 0, 1, 0, false},
        {"engine-line-uninstall", 1, 0, 0, 0, 0, true},
        {"engine-line-cancelled", 2, kLeft1603, 0, 0, 0, true},
        {"long-name-install-200", 0, 0, 200 - 189, 0, 0, false},
        {"long-name-uninstall-253", 1, 0, 253 - 189, 0, 0, false},
        {"long-name-install-254", 0, 0, 254 - 189, 0, 0, false},
    };
    for (const auto& row : extraSeeds)
        seeds[row.name] = SeedWriter().clean(row.kind).injection().standIn(row.standIn)
                              .extras(row.longName, row.currentDirectory, row.lockedKeys, row.engineLine).bytes;
    mkdir(folder, 0755);
    for (const auto& [name, bytes] : seeds) {
        std::ofstream out(std::string(folder) + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::exit(0);
}
