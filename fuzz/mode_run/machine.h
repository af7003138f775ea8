#pragma once
// The machines the mode fuzzer runs on: the names they are made of, the product they are built
// around, the keys and folders that may stand under each name, ProgramFilesDir's variants, and
// the keys a DACL may lock. Seeding writes them into the in-memory registry and files.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "entry_promise.h"
#include "platform/registry/registry_api.h"
#include "tests/support/memory_file_services.h"
#include "tests/support/memory_registry.h"

namespace mode_run {

using entry_promise::lowered;

inline std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// ---- the names a machine and a command line are made of ----

inline const std::string kGuid = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
inline const std::string kOtherGuid = "{F1E2D3C4-B5A6-4978-8695-A4B3C2D1E0F9}";
inline const std::string kMsiGuid = "{12345678-90AB-4CDE-8F01-23456789ABCD}";
inline const std::vector<std::string> kNames = {
    kGuid, kGuid + "_0", kGuid + "_1", kGuid + "_10", kGuid + "_01", kOtherGuid, kOtherGuid + "_0", kMsiGuid,
    "Other App", lowered(kGuid) + "_0",
};
inline const std::string kOwnPath = "C:\\Tools\\isreloc.exe";
inline const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline const std::string kOldCommand = "\"C:\\Old\\setup.exe\" -runfromtemp";
// What an engine appends to isreloc's command in the entry it runs (README, "For deployment engines").
inline const std::string kEngineSwitches =
    " -silent -wait -log\"C:\\Windows\\Temp\\isreloc.log\" -- -s -f1\"C:\\Packages\\uninstall.iss\"";

// The product a machine is built around: its GUID (lengthened on some machines) and where its
// maintenance folders are.
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
inline std::string isrelocCommand(const std::string& relocated, const std::string& restored,
                                  const std::string& verb = "-uninstall", const std::string& after = "") {
    return "\"" + kOwnPath + "\" " + verb + " -guid\"" + relocated + "\" -tguid\"" + restored + "\"" + after;
}

inline std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }
std::string narrow(const std::u16string& text);
std::vector<uint8_t> textBytes(const std::string& text);

struct Value {
    uint32_t type;
    std::vector<uint8_t> data;
};
inline bool operator==(const Value& left, const Value& right) {
    return left.type == right.type && left.data == right.data;
}
inline bool operator<(const Value& left, const Value& right) {
    return left.type != right.type ? left.type < right.type : left.data < right.data;
}
using KeyValues = std::map<std::string, Value>;    // by name
using KeyTree = std::map<std::string, KeyValues>;  // by path below the key ("" the key itself)

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

// The keys and values an entry of the given kind holds under its name.
KeyTree keyTreeFor(const Seeded& entry, const Product& product, bool engineLine = false);

// ProgramFilesDir's variants: as Windows keeps it, with a trailing backslash, missing, expandable,
// a wildcard, empty, of another type, with a trailing dot, on another drive.
struct ProgramFiles {
    bool present;
    uint32_t type;
    std::string value;
};
extern const ProgramFiles kProgramFiles[9];
std::string maintenanceRootOf(uint8_t programFiles);

// Makes the machine; false when an entry's name is too long for any key or folder to have it.
bool seed(const Machine& machine, const Product& product, bool engineLines, MemoryRegistry& registry,
          MemoryFileServices& files);

// The product's GUID, wherever it stands in a text, followed by digits up to a name of 190 to
// 255 characters; folders of such a name hold paths beyond MAX_PATH.
std::string lengthened(std::string text, const std::string& tail);

// Keys locked as a DACL locks them, where they exist (see the bits in machine.cpp). True when
// any key was locked.
bool lockKeys(MemoryRegistry& store, uint8_t bits, const std::string& guid);

}  // namespace mode_run
