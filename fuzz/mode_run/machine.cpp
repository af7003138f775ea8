#include "fuzz/mode_run/machine.h"

#include <iterator>

#include "fuzz/mode_run/check.h"

namespace mode_run {

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

namespace {

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

// What install mode leaves: isreloc's commands in the live values, the product's in the saved ones.
KeyTree relocatedKeyTree(const Seeded& entry, const Product& product, bool engineLine) {
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

// Some of the product key's subkeys and values, as the mask picks them.
KeyTree partialCopy(const Product& product, uint8_t mask) {
    KeyTree full = productKey(product, product.command()), part;
    unsigned bit = 0;
    for (const auto& [path, values] : full) {
        if (mask & (1u << (bit++ % 8))) part[path];
        for (const auto& [name, value] : values)
            if (mask & (1u << (bit++ % 8))) part[path][name] = value;
    }
    return part;
}

}  // namespace

KeyTree keyTreeFor(const Seeded& entry, const Product& product, bool engineLine) {
    switch (entry.key) {
    case KeyKind::product: return productKey(product, product.command());
    case KeyKind::relocated:
    case KeyKind::relocatedQuiet: return relocatedKeyTree(entry, product, engineLine);
    case KeyKind::quietCommand: {
        KeyTree tree = productKey(product, product.command());
        tree[""]["QuietUninstallString"] = {kRegSz, textBytes(product.quietCommand())};
        return tree;
    }
    case KeyKind::partialCopy: return partialCopy(product, entry.mask);
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

const ProgramFiles kProgramFiles[9] = {
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

namespace {

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

}  // namespace

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

std::string lengthened(std::string text, const std::string& tail) {
    if (tail.empty()) return text;
    for (size_t at = lowered(text).find(lowered(kGuid)); at != std::string::npos;
         at = lowered(text).find(lowered(kGuid), at + kGuid.size() + tail.size()))
        text.insert(at + kGuid.size(), tail);
    return text;
}

// Keys locked as a DACL locks them, where they exist: bit 0 the Uninstall key and CurrentVersion
// above it, readable only, as for a run that is not elevated; bits 1 and 2 the
// keys under {GUID} and {GUID}_0 readable only; bits 3, 4 and 5 the keys under {GUID}_0, {GUID}_1
// and {GUID} not even readable (deleting them allowed); bits 6 and 7 the subkey Level1 of the
// keys under {GUID} and {GUID}_0 readable only. True when any key was locked.
bool lockKeys(MemoryRegistry& store, uint8_t bits, const std::string& guid) {
    const std::string keys[] = {"",           "\\" + guid,        "\\" + guid + "_0",           "\\" + guid + "_0",
                                "\\" + guid + "_1", "\\" + guid, "\\" + guid + "\\Level1", "\\" + guid + "_0\\Level1"};
    bool locked = (bits & 1) != 0 && store.grantOnly("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", kKeyRead);
    for (size_t bit = 0; bit < std::size(keys); ++bit)
        if (bits & (1u << bit))
            locked = store.grantOnly("HKLM\\" + kUninstallKey + keys[bit],
                                     bit < 3 || bit > 5 ? kKeyRead : MemoryRegistry::kDeleteRight) ||
                     locked;
    return locked;
}

}  // namespace mode_run
