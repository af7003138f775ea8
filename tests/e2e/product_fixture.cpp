#include "product_fixture.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "fixture.h"

const char* const kProductGuid = "{5F3A9C21-8B4E-4D17-A6C2-93E1D0B7F458}";

std::vector<std::string> productRunNames() { return {kProductGuid, std::string(kProductGuid) + "_0"}; }

namespace {

const std::string kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const std::string kUninstallKey = kCurrentVersionKey + "\\Uninstall";
const char* const kProbeLogVariable = "ISRELOC_PROBE_LOG";
// The expandable product command finds the probe through this variable, set in the driver and
// inherited by the tool and whatever it starts.
const char* const kBinVariable = "ISRELOC_E2E_BIN";
// Long enough for Wine to start a program that the tool started without waiting for it.
constexpr DWORD kProbeLogTimeoutMilliseconds = 10000;
// A second line would come from a second start, right after the first.
constexpr DWORD kProbeLogSettleMilliseconds = 1000;

// The machine's own "ProgramFilesDir", read before the first case changed it.
struct SavedSetting {
    bool saved = false;
    std::optional<RegistryValue> value;
};
SavedSetting& programFilesSetting() {
    static SavedSetting setting;
    return setting;
}

std::string programFilesDirectory(const E2eEnvironment& environment) {
    return environment.scratchDirectory + "Program Files";
}

std::string probeLogPath(const E2eEnvironment& environment) { return environment.scratchDirectory + "probe.log"; }

std::string littleEndian(uint64_t number, std::size_t bytes) {
    std::string data;
    for (std::size_t at = 0; at < bytes; ++at) data += static_cast<char>((number >> (8 * at)) & 0xFF);
    return data;
}

RawValue text(uint32_t type, const std::wstring& value) { return {type, wideStringBytes(value)}; }

bool startsWithProductGuid(const std::string& name) {
    const std::string guid = kProductGuid;
    return name.size() >= guid.size() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.data(),
                                                        static_cast<int>(guid.size()), guid.data(),
                                                        static_cast<int>(guid.size())) == CSTR_EQUAL;
}

std::string listOf(const std::vector<std::string>& lines) {
    std::string shown;
    for (const std::string& line : lines) shown += "[" + line + "]";
    return shown.empty() ? "nothing" : shown;
}

// "Удаление 製品": a folder name that no single ANSI code page holds.
std::wstring foreignProbePath(const E2eEnvironment& environment) {
    return widenAnsi(environment.scratchDirectory) +
           L"\u0423\u0434\u0430\u043B\u0435\u043D\u0438\u0435 \u88FD\u54C1\\probe.exe";
}

// Other entries and folders right beside every name the cases use, as other products' would be:
// a run that loses, duplicates or alters one shows in the whole-machine comparison. Names sort
// case-blind by UTF-16 code unit ('-' < '0' < '_' < '}'), a prefix before its extensions. Nothing
// lies between {GUID} and {GUID}_0, so the move from one to the other has a neighbour right
// after its new name and none between: the layout in which a rename that stores the key over
// the next entry destroys that entry. No name here is one the product owns ({GUID}_<n>): "_00"
// has a leading zero.
std::vector<std::string> neighbourNames() {
    const std::string guid = kProductGuid;                      // {...F458}
    const std::string stem = guid.substr(0, guid.size() - 2);  // {...F45
    return {
        stem + "8",        // right before {GUID}: its own name without the closing brace
        guid + "_00",      // right after {GUID}_0
        guid + "_0x",      // right before {GUID}_1
        guid + "_1-x",     // right after {GUID}_1
        stem + "9",        // right before the next product
        stem + "9}",       // the next product
        stem + "A}",       // right after it
    };
}

// A neighbour in the view isreloc never works in shows a run that strays there.
std::vector<uint32_t> registryViews() {
    return twoRegistryViews() ? std::vector<uint32_t>{kView32, kView64} : std::vector<uint32_t>{kView32};
}

KeyTree neighbourKeyTree(const std::string& name) {
    KeyTree tree;
    tree[L""][L"DisplayName"] = text(REG_SZ, L"Neighbour " + widenAnsi(name));
    tree[L""][L"UninstallString"] = text(REG_SZ, L"\"C:\\Neighbour\\remove.exe\" " + widenAnsi(name));
    tree[L""][L"Comments"] = {REG_SZ, ""};
    tree[L"Features"][L"Main"] = {REG_DWORD, littleEndian(1, 4)};
    return tree;
}

void seedNeighbours(CaseContext& context) {
    for (const std::string& name : neighbourNames()) {
        for (const uint32_t view : registryViews())
            context.expect(writeMachineKeyTree(widenAnsi(uninstallKeyPath(name)), neighbourKeyTree(name), view),
                           "cannot write the neighbour key " + name);
        const std::string directory = maintenanceRoot(context.environment()) + name;
        context.expect(makeDirectories(directory) && writeFileText(directory + "\\setup.exe", "MZ neighbour " + name),
                       "cannot make the neighbour folder " + directory);
    }
}

}  // namespace

ProductCommand plainProductCommand(const E2eEnvironment& environment) {
    const std::string command = environment.quotedProgram("probe.exe") + " /uninstall \"product one\"";
    return {REG_SZ, widenAnsi(command), command};
}

ProductCommand lookalikeProductCommand(const E2eEnvironment& environment) {
    // isreloc's very form, between other names than any run's: a product's own command.
    const std::string command = environment.quotedProgram("probe.exe") + " -uninstall -guid\"Foo\" -tguid\"Bar\"";
    return {REG_SZ, widenAnsi(command), command};
}

ProductCommand expandableProductCommand(const E2eEnvironment& environment) {
    return {REG_EXPAND_SZ, widenAnsi(std::string("\"%") + kBinVariable + "%\\probe.exe\" /uninstall expanded"),
            environment.quotedProgram("probe.exe") + " /uninstall expanded"};
}

ProductCommand foreignPathProductCommand(const E2eEnvironment& environment) {
    const std::wstring command = L"\"" + foreignProbePath(environment) + L"\" /uninstall foreign";
    return {REG_SZ, command, utf8Of(command)};
}

void copyProbeToForeignPath(CaseContext& context) {
    const std::wstring probe = foreignProbePath(context.environment());
    const std::wstring folder = probe.substr(0, probe.rfind(L'\\'));
    context.expect(CreateDirectoryW(folder.c_str(), nullptr) &&
                       CopyFileW(widenAnsi(context.environment().programPath("probe.exe")).c_str(), probe.c_str(), TRUE),
                   "cannot copy the probe to " + utf8Of(probe));
}

std::string asciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string uninstallKeyPath(const std::string& name) { return kUninstallKey + "\\" + name; }

std::string maintenanceRoot(const E2eEnvironment& environment) {
    return programFilesDirectory(environment) + "\\InstallShield Installation Information\\";
}

std::string isrelocUninstallCommand(const E2eEnvironment& environment, const std::string& targetName,
                                const std::string& sourceName) {
    return environment.quotedProgram("isreloc.exe") + " -uninstall -guid\"" + targetName + "\" -tguid\"" +
           sourceName + "\"";
}

KeyTree productKeyTree(const ProductCommand& command, int bulkSubkeys) {
    KeyTree tree;
    for (int value = 0; value < bulkSubkeys * 100; ++value)
        tree[L"Bulk" + std::to_wstring(value / 100)][L"Value" + std::to_wstring(value % 100)] = text(REG_SZ, L"part");
    KeyValues& top = tree[L""];
    top[L""] = text(REG_SZ, L"Default value of the product key");
    // "製品のアンインストール": a display name no Western code page holds.
    top[L"DisplayName"] = text(REG_SZ, L"\u88FD\u54C1\u306E\u30A2\u30F3\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB");
    top[L"DisplayVersion"] = text(REG_SZ, L"4.2.1");
    top[L"InstallLocation"] = text(REG_EXPAND_SZ, L"%ProgramFiles%\\Product");
    top[L"EstimatedSize"] = {REG_DWORD, littleEndian(0x00012345, 4)};
    top[L"InstallSource"] = {REG_BINARY, std::string("\x00\x01\xFE\xFF\x00\x7F", 6)};
    top[L"Languages"] = {REG_MULTI_SZ, wideStringBytes(L"en") + wideStringBytes(L"ja") + wideStringBytes(L"")};
    top[L"Comments"] = {REG_SZ, ""};  // no bytes at all, not even a terminator
    // "Путь установки": a value name outside the ANSI code page.
    top[L"\u041F\u0443\u0442\u044C \u0443\u0441\u0442\u0430\u043D\u043E\u0432\u043A\u0438"] =
        text(REG_SZ, L"C:\\Product");
    top[L"InstallDate64"] = {REG_QWORD, littleEndian(0x0123456789ABCDEFull, 8)};
    top[L"UninstallString"] = text(command.type, command.text);
    tree[L"Components"][L"Count"] = {REG_DWORD, littleEndian(3, 4)};
    tree[L"Components\\Core"][L"Path"] = text(REG_EXPAND_SZ, L"%SystemRoot%\\core");
    tree[L"Components\\Core\\Files"][L"Checksum"] = {REG_BINARY, std::string("\xDE\xAD\xBE\xEF", 4)};
    tree[L"Components\\Core\\Files"][L""] = text(REG_SZ, L"default three levels down");
    tree[L"Empty"];  // a subkey with neither values nor subkeys
    // "Языки": a subkey name outside the ANSI code page.
    tree[L"\u042F\u0437\u044B\u043A\u0438"][L"Primary"] = text(REG_SZ, L"\u65E5\u672C\u8A9E");
    return tree;
}

KeyTree relocatedKeyTree(const ProductCommand& command, const std::string& isrelocCommand, int bulkSubkeys) {
    KeyTree tree = productKeyTree(command, bulkSubkeys);
    KeyValues& top = tree[L""];
    top[L"szUninstallString"] = top[L"UninstallString"];
    top[L"UninstallString"] = text(REG_SZ, widenAnsi(isrelocCommand));
    return tree;
}

void redirectMachine(CaseContext& context) {
    const E2eEnvironment& environment = context.environment();
    SavedSetting& setting = programFilesSetting();
    if (!setting.saved) {
        setting.value = readMachineValue(kCurrentVersionKey, "ProgramFilesDir");
        setting.saved = true;
    }
    context.expect(makeDirectories(maintenanceRoot(environment)), "cannot make " + maintenanceRoot(environment));
    context.expect(writeMachineText(kCurrentVersionKey, "ProgramFilesDir", programFilesDirectory(environment)),
                   "cannot point ProgramFilesDir at the scratch folder");
    context.expect(SetEnvironmentVariableA(kProbeLogVariable, probeLogPath(environment).c_str()) != 0,
                   "cannot set ISRELOC_PROBE_LOG");
    std::string bin = environment.binDirectory;
    bin.pop_back();
    context.expect(SetEnvironmentVariableA(kBinVariable, bin.c_str()) != 0, "cannot set ISRELOC_E2E_BIN");
    seedNeighbours(context);
}

void seedProductKey(CaseContext& context, const std::string& name, const KeyTree& tree) {
    context.expect(writeMachineKeyTree(widenAnsi(uninstallKeyPath(name)), tree), "cannot write the key " + name);
}

void seedProductDirectory(CaseContext& context, const std::string& name) {
    const std::string directory = maintenanceRoot(context.environment()) + name;
    context.expect(makeDirectories(directory) && writeFileText(directory + "\\setup.exe", "MZ"),
                   "cannot make " + directory + " with setup.exe");
}

void seedInstalledProduct(CaseContext& context, const ProductCommand& command) {
    redirectMachine(context);
    seedProductDirectory(context, kProductGuid);
    seedProductKey(context, kProductGuid, productKeyTree(command));
}

void seedRelocatedProduct(CaseContext& context, const ProductCommand& command, const std::string& relocatedName) {
    redirectMachine(context);
    seedProductDirectory(context, relocatedName);
    seedProductKey(context, relocatedName,
                   relocatedKeyTree(command, isrelocUninstallCommand(context.environment(), relocatedName, kProductGuid)));
}

void restoreMachine(CaseContext& context) {
    for (const std::string& name : machineSubkeyNames(kUninstallKey))
        if (startsWithProductGuid(name))
            context.expect(deleteMachineKeyTree(uninstallKeyPath(name)), "cannot delete the key " + name);
    for (const std::string& name : neighbourNames())
        for (const uint32_t view : registryViews())
            context.expect(deleteMachineKeyTree(uninstallKeyPath(name), view), "cannot delete the key " + name);
    const SavedSetting& setting = programFilesSetting();
    if (!setting.saved) return;
    const bool restored = setting.value ? writeMachineValue(kCurrentVersionKey, "ProgramFilesDir", setting.value->type,
                                                            setting.value->data)
                                        : deleteMachineValue(kCurrentVersionKey, "ProgramFilesDir");
    context.expect(restored, "cannot give ProgramFilesDir its own value back");
}

void expectKeyTree(CaseContext& context, const std::string& name, const KeyTree& expected) {
    const std::optional<KeyTree> actual = readMachineKeyTree(widenAnsi(uninstallKeyPath(name)));
    if (!context.expect(actual.has_value(), "no uninstall key " + name)) return;
    for (const std::string& difference : describeDifferences(expected, *actual))
        context.expect(false, "uninstall key " + name + ": " + difference);
}

void expectNoKey(CaseContext& context, const std::string& name) {
    context.expect(!machineKeyExists(uninstallKeyPath(name)), "the uninstall key " + name + " is still there");
}

void expectProductDirectory(CaseContext& context, const std::string& name) {
    const std::string directory = maintenanceRoot(context.environment()) + name;
    context.expect(fileExists(directory + "\\setup.exe"), "no " + directory + "\\setup.exe");
}

void expectNoDirectory(CaseContext& context, const std::string& name) {
    const std::string directory = maintenanceRoot(context.environment()) + name;
    context.expect(!directoryExists(directory), directory + " is still there");
}

void expectSpeltExactly(CaseContext& context, const std::string& name) {
    const std::vector<std::string> keys = machineSubkeyNames(kUninstallKey);
    context.expect(std::find(keys.begin(), keys.end(), name) != keys.end(), "no key spelt exactly " + name);
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((maintenanceRoot(context.environment()) + name).c_str(), &found);
    context.expect(search != INVALID_HANDLE_VALUE && name == found.cFileName,
                   "no folder spelt exactly " + name + (search != INVALID_HANDLE_VALUE ? std::string(", but ") + found.cFileName : ""));
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

void expectProbeLog(CaseContext& context, const std::vector<std::string>& expectedLines) {
    const std::string path = probeLogPath(context.environment());
    const DWORD start = GetTickCount();
    while (readFileLines(path).size() < expectedLines.size() && GetTickCount() - start < kProbeLogTimeoutMilliseconds)
        Sleep(100);
    Sleep(kProbeLogSettleMilliseconds);
    const std::vector<std::string> lines = readFileLines(path);
    context.expect(lines == expectedLines,
                   "the probe recorded " + listOf(lines) + ", expected " + listOf(expectedLines));
}
