// Hostile and odd command lines on the real program: the longest line Windows passes, unclosed
// quotes, nothing but separators, bytes from 0x80 up, window handles that overflow, names that
// climb out of the maintenance root. Each case ends with the boxes it must show and exit code 0,
// and compares the whole uninstall key and every file under the scratch folder with what they
// held before the run: nothing may change but what the case says.
#include <windows.h>

#include <memory>
#include <set>

#include "fixture.h"
#include "product_fixture.h"
#include "unique_handle.h"

namespace {

const std::string kGuid = kProductGuid;
const std::string kRelocatedName = kGuid + "_0";
const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// The maintenance root below the scratch folder, where product_fixture puts program files.
const std::string kProgramFilesBelowScratch = "Program Files\\";
const std::string kRootBelowScratch = kProgramFilesBelowScratch + "InstallShield Installation Information\\";
// CreateProcessA refuses a command line of one character more (32767 with its terminator).
constexpr std::size_t kLongestCommandLine = 32766;

// Shaped to pass the GUID form test ('{' at 0, '-' at 9, 14, 19, 24, '}' at 37) while climbing
// from the maintenance root into the program files folder beside it.
const std::string kClimbingGuid = "{\\..\\..\\X-AAAA-BBBB-CCCC-DDDDDDDDDDDD}";
const std::string kClimbingTarget = "X-AAAA-BBBB-CCCC-DDDDDDDDDDDD}";  // where it lands, below program files
const std::string kOutsideName = "OUTSIDE";                         // a folder beside the maintenance root

ExpectedBox errorBox(const std::string& caption, const std::string& text) {
    return {caption, text, IconExpectation::Shown};
}

std::string directoryInTheWay(const std::string& path) {
    return "Directory Error!\r\nUninstallation cannot proceed, the \"" + path +
           "\" directory exists! Check if it is empty and delete it if it is. Then retry the uninstall";
}

const ExpectedBox kUsageBox{"Commandline",
                            "Commandline parameters:\r\n"
                            "-hwnd\"<value>\" - pass the parent HWND parameter\r\n"
                            "-guid\"<value>\" - pass the source GUID of the installation\r\n"
                            "-tguid\"<value>\" - pass the target GUID of the installation\r\n"
                            "-u[ninstall] - launch this executable in uninstallation mode",
                            IconExpectation::Shown};
const ExpectedBox kInstallBoxA =
    errorBox("Insufficient Commandline",
             "Insufficient commandline parameters!\r\nYou have to pass at least -hwnd\"<value>\" and "
             "-guid\"<value>\" to this application!");
const ExpectedBox kBadGuidBox =
    errorBox("Incorrect format", "Incorrect GUID format!\r\nPlease pass the GUID in the correct format to this application");
const ExpectedBox kBadHwndBox = errorBox(
    "Incorrect format", "Incorrect HWND format!\r\nPlease pass the parent HWND in the correct format to this application");

// ---- What a run may touch, before and after ----

// Every product's uninstall entry, and every directory (ending in a backslash) and file below
// the scratch folder but the probe's log, by its path below the scratch folder.
struct MachineState {
    KeyTree uninstallEntries;
    std::set<std::string> files;
};

using FindHandle = UniqueHandle<HANDLE, BOOL, FindClose>;

void listBelow(const std::string& top, const std::string& relative, std::set<std::string>& files) {
    // The wide call with the long-path prefix: a folder named with 255 characters lies deeper than MAX_PATH.
    WIN32_FIND_DATAW entry{};
    HANDLE found = FindFirstFileW((L"\\\\?\\" + widenAnsi(top + relative) + L"*").c_str(), &entry);
    if (found == INVALID_HANDLE_VALUE) return;
    const FindHandle search(found);
    do {
        char ansiName[2 * MAX_PATH] = "";
        WideCharToMultiByte(CP_ACP, 0, entry.cFileName, -1, ansiName, sizeof ansiName, nullptr, nullptr);
        const std::string name = ansiName;
        if (name == "." || name == "..") continue;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            files.insert(relative + name + "\\");
            listBelow(top, relative + name + "\\", files);
        } else if (!(relative.empty() && name == "probe.log")) {
            files.insert(relative + name);
        }
    } while (FindNextFileW(search.get(), &entry));
}

MachineState readMachineState(const E2eEnvironment& environment) {
    MachineState state;
    state.uninstallEntries = readMachineKeyTree(widenAnsi(kUninstallKey)).value_or(KeyTree{});
    listBelow(environment.scratchDirectory, "", state.files);
    return state;
}

// The entry named name with all its subkeys leaves the tree; returns them by their paths below it.
KeyTree takeEntry(KeyTree& entries, const std::wstring& name) {
    KeyTree taken;
    for (auto at = entries.begin(); at != entries.end();) {
        if (at->first == name || at->first.rfind(name + L"\\", 0) == 0) {
            taken[at->first.substr(std::min(at->first.size(), name.size() + 1))] = at->second;
            at = entries.erase(at);
        } else {
            ++at;
        }
    }
    return taken;
}

void putEntry(KeyTree& entries, const std::wstring& name, const KeyTree& tree) {
    for (const auto& [path, values] : tree) entries[path.empty() ? name : name + L"\\" + path] = values;
}

// Renames a directory of the listing (paths below the scratch folder, without a trailing backslash).
void moveListedDirectory(std::set<std::string>& files, const std::string& from, const std::string& to) {
    std::set<std::string> moved;
    for (const std::string& path : files)
        moved.insert(path.rfind(from + "\\", 0) == 0 ? to + path.substr(from.size()) : path);
    files = std::move(moved);
}

// What the run must leave, given what was there before it, and the names it may change.
struct Outcome {
    std::function<MachineState(MachineState, const E2eEnvironment&)> expected;
    std::vector<std::string> names;
};

const Outcome unchanged{[](MachineState before, const E2eEnvironment&) { return before; }, {}};

// Install mode moved the product from its GUID to targetName and wrote its own command.
Outcome relocatedTo(const std::string& targetName) {
    return {[targetName](MachineState state, const E2eEnvironment& environment) {
        takeEntry(state.uninstallEntries, widenAnsi(kGuid));
        putEntry(state.uninstallEntries, widenAnsi(targetName),
                 relocatedKeyTree(plainProductCommand(environment), isrelocUninstallCommand(environment, targetName, kGuid)));
        moveListedDirectory(state.files, kRootBelowScratch + kGuid, kRootBelowScratch + targetName);
        return state;
    }, {kGuid, targetName}};
}

// Uninstall mode moved the product from relocatedName back to restoredName with its own command.
Outcome restoredFrom(const std::string& relocatedName, const std::string& restoredName) {
    return {[relocatedName, restoredName](MachineState state, const E2eEnvironment& environment) {
        takeEntry(state.uninstallEntries, widenAnsi(relocatedName));
        putEntry(state.uninstallEntries, widenAnsi(restoredName), productKeyTree(plainProductCommand(environment)));
        moveListedDirectory(state.files, kRootBelowScratch + relocatedName, kRootBelowScratch + restoredName);
        return state;
    }, {relocatedName, restoredName}};
}

void expectMachineState(CaseContext& context, const MachineState& expected) {
    const MachineState actual = readMachineState(context.environment());
    for (const std::string& difference : describeDifferences(expected.uninstallEntries, actual.uninstallEntries))
        context.expect(false, "uninstall key: " + difference);
    for (const std::string& path : expected.files)
        context.expect(actual.files.count(path) != 0, "missing below the scratch folder: " + path);
    for (const std::string& path : actual.files)
        context.expect(expected.files.count(path) != 0, "unexpected below the scratch folder: " + path);
}

// ---- Laying out the machine ----

using Hook = std::function<void(CaseContext&)>;

void seedInstalled(CaseContext& context) { seedInstalledProduct(context, plainProductCommand(context.environment())); }

void seedRelocated(CaseContext& context) {
    seedRelocatedProduct(context, plainProductCommand(context.environment()), kRelocatedName);
}

Hook seedRelocatedAs(const std::string& relocatedName) {
    return [relocatedName](CaseContext& context) {
        seedRelocatedProduct(context, plainProductCommand(context.environment()), relocatedName);
    };
}

// A product folder with its setup.exe in the program files folder, beside the maintenance root.
void seedOutsideDirectory(CaseContext& context, const std::string& name) {
    const std::string directory = context.environment().scratchDirectory + kProgramFilesBelowScratch + name;
    context.expect(makeDirectories(directory) && writeFileText(directory + "\\setup.exe", "MZ"),
                   "cannot make " + directory + " with setup.exe");
}

// A hostile name proves nothing unless the form test really lets it through.
void expectGuidShape(CaseContext& context, const std::string& name) {
    context.expect(name.size() >= 38 && name[0] == '{' && name[9] == '-' && name[14] == '-' && name[19] == '-' &&
                       name[24] == '-' && name[37] == '}',
                   name + " is not shaped like a GUID");
}

// ---- The table ----

struct BadInputRow {
    std::string name;
    std::string tail;  // exactly what follows the program's quoted path, separators included
    Hook prepare;      // lays out the product; the state is taken after it
    std::vector<ExpectedBox> boxes;
    Outcome outcome;
    // What the probe must have recorded; not looked at when absent (install mode starts nothing).
    std::optional<std::vector<std::string>> started = std::nullopt;
    std::string knownFault = "";
};

// Held by one case's hooks from prepare to cleanup.
struct CaseMemory {
    MachineState before;
    bool uninstallNamesRead = false;
    std::vector<std::string> uninstallNamesBefore;  // of the machine itself, before anything was seeded
};

E2eCase badInputCase(const E2eEnvironment& environment, const BadInputRow& row) {
    auto memory = std::make_shared<CaseMemory>();
    E2eCase one{
        row.name,
        "isreloc.exe",
        environment.quotedProgram("isreloc.exe") + row.tail,
        row.boxes,
        0,
        [row, memory](CaseContext& context) {
            memory->uninstallNamesBefore = machineSubkeyNames(kUninstallKey);
            memory->uninstallNamesRead = true;
            row.prepare(context);
            memory->before = readMachineState(context.environment());
            // An unreadable machine would compare equal to itself and pass every case.
            context.expect(!memory->before.uninstallEntries.empty() && !memory->before.files.empty(),
                           "the seeded product is not in the state read before the run");
        },
        [row, memory](CaseContext& context) {
            expectMachineState(context, row.outcome.expected(memory->before, context.environment()));
            if (row.started) expectProbeLog(context, *row.started);
        },
        nullptr,
        [memory](CaseContext& context) {
            restoreMachine(context);
            // Keys a run made under names of its own making ("..", "{") go as well.
            if (!memory->uninstallNamesRead) return;
            const std::set<std::string> before(memory->uninstallNamesBefore.begin(), memory->uninstallNamesBefore.end());
            for (const std::string& name : machineSubkeyNames(kUninstallKey))
                if (before.count(name) == 0)
                    context.expect(deleteMachineKeyTree(kUninstallKey + "\\" + name), "cannot delete the key " + name);
        }};
    one.knownFault = row.knownFault;
    one.runNames = row.outcome.names;
    return one;
}

// One-letter arguments up to the longest command line, then the given options.
std::string longestTail(const E2eEnvironment& environment, const std::string& options) {
    const std::size_t fill = kLongestCommandLine - environment.quotedProgram("isreloc.exe").size() - options.size();
    std::string tail;
    while (tail.size() + 2 <= fill) tail += " x";
    tail.resize(fill, ' ');
    return tail + options;
}

std::vector<BadInputRow> emptyLineRows() {
    return {
        {"only blanks, tabs and CR LF: no arguments, usage box", " \t \r\n\t\r\n  ", seedInstalled, {kUsageBox},
         unchanged},
        {"control bytes 0x01 to 0x1F separate like blanks: usage box", " \x01\x02\x1B\x1F",
         seedInstalled, {kUsageBox}, unchanged},
        {"only empty quote pairs and a lone quote: usage box", " \"\" \"\"\"\" \"", seedInstalled, {kUsageBox},
         unchanged},
        {"-u glued to the program's closing quote is part of the path: usage box", "-u", seedRelocated, {kUsageBox},
         unchanged, std::vector<std::string>{}},
    };
}

std::vector<BadInputRow> longLineRows(const E2eEnvironment& environment) {
    const std::string guidOption = " -hwnd0 -guid\"" + kGuid + "\"";
    const std::string longName(32000, 'n');
    const std::string longestKeyName = kGuid + std::string(255 - kGuid.size(), 'n');  // as long as a key name may be
    return {
        {"a -tguid of 255 characters: relocated under it", guidOption + " -tguid\"" + longestKeyName + "\"",
         seedInstalled, {}, relocatedTo(longestKeyName)},
        {"that name's own uninstall command brings it back", " -uninstall -guid\"" + longestKeyName + "\" -tguid" + kGuid,
         seedRelocatedAs(longestKeyName), {}, restoredFrom(longestKeyName, kGuid),
         std::vector<std::string>{plainProductCommand(environment).startedAs}},
        {"the longest command line, one-letter arguments, then -hwnd0 and -guid: relocated",
         longestTail(environment, guidOption), seedInstalled, {}, relocatedTo(kRelocatedName)},
        {"the longest command line without -guid: box A", longestTail(environment, " -hwnd0"), seedInstalled,
         {kInstallBoxA}, unchanged},
        {"a -tguid of 32000 characters, longer than any key or folder name: refused", guidOption + " -tguid\"" + longName + "\"",
         seedInstalled, {kBadGuidBox}, unchanged},
    };
}

std::vector<BadInputRow> quoteAndByteRows(const E2eEnvironment& environment) {
    std::string highByteGuid = kGuid;
    highByteGuid[24] = '\x96';  // an en dash of the ANSI code page where the fourth hyphen belongs
    // Taken as written, letter case and all.
    const std::string highByteTarget = kGuid + "-\xC9T\xE9\xFF";
    return {
        {"an unclosed quote after -guid runs to the end: relocated", " -hwnd0 -guid\"" + kGuid, seedInstalled, {},
         relocatedTo(kRelocatedName)},
        {"an unclosed quote in -tguid swallows the -guid after it: box B",
         " -hwnd0 -tguid\"" + kGuid + "-moved -guid" + kGuid, seedInstalled, {kBadGuidBox}, unchanged},
        {"a byte from 0x80 up where a hyphen belongs in -guid: box B", " -hwnd0 -guid\"" + highByteGuid + "\"",
         seedInstalled, {kBadGuidBox}, unchanged},
        {"bytes from 0x80 up in -tguid: the product moves under that name, bytes unchanged",
         " -hwnd0 -guid\"" + kGuid + "\" -tguid\"" + kGuid + "-\xC9T\xE9\xFF\"", seedInstalled, {},
         relocatedTo(highByteTarget)},
        {"that name's own uninstall command brings the product back",
         " -uninstall -guid\"" + highByteTarget + "\" -tguid\"" + kGuid + "\"", seedRelocatedAs(highByteTarget), {},
         restoredFrom(highByteTarget, kGuid),
         std::vector<std::string>{plainProductCommand(environment).startedAs}},
    };
}

std::vector<BadInputRow> hwndRows() {
    const std::string guidOption = " -guid\"" + kGuid + "\"";
    const std::string uninstallOptions = " -uninstall -guid\"" + kRelocatedName + "\" -tguid\"" + kGuid + "\"";
    return {
        {"-hwnd2147483648, one above the largest integer: HWND box", " -hwnd2147483648" + guidOption, seedInstalled,
         {kBadHwndBox}, unchanged},
        {"-hwnd99999999999: HWND box", " -hwnd99999999999" + guidOption, seedInstalled, {kBadHwndBox}, unchanged},
        {"-hwnd with nine hexadecimal digits: HWND box", " -hwnd0x100000000" + guidOption, seedInstalled,
         {kBadHwndBox}, unchanged},
        {"-hwnd$FFFFFFFF parses to -1, no window: relocated without waiting", " -hwnd$FFFFFFFF" + guidOption,
         seedInstalled, {}, relocatedTo(kRelocatedName)},
        {"-hwnd-2147483648, the lowest integer, no window: relocated", " -hwnd-2147483648" + guidOption,
         seedInstalled, {}, relocatedTo(kRelocatedName)},
        {"uninstall -hwnd2147483648: HWND box, nothing restored or started", uninstallOptions + " -hwnd2147483648",
         seedRelocated, {kBadHwndBox}, unchanged, std::vector<std::string>{}},
    };
}

std::vector<BadInputRow> pathCharacterRows(const E2eEnvironment& environment) {
    const std::string guidOption = " -hwnd0 -guid\"" + kGuid + "\"";
    const Hook climbingProductBeside = [](CaseContext& context) {
        seedInstalled(context);
        expectGuidShape(context, kClimbingGuid);
        seedOutsideDirectory(context, kClimbingTarget);
    };
    return {
        {"-guid shaped as a GUID climbing out of the maintenance root, a product folder there: refused",
         " -hwnd0 -guid\"" + kClimbingGuid + "\"", climbingProductBeside, {kBadGuidBox}, unchanged, std::nullopt},
        {"the same with an uninstall key at that name: refused, nothing moved",
         " -hwnd0 -guid\"" + kClimbingGuid + "\"",
         [climbingProductBeside](CaseContext& context) {
             climbingProductBeside(context);
             seedProductKey(context, kClimbingGuid, productKeyTree(plainProductCommand(context.environment())));
         },
         {kBadGuidBox}, unchanged, std::nullopt},
        {"install -tguid ..\\escape: the product must not leave the maintenance root", guidOption + " -tguid\"..\\escape\"",
         seedInstalled, {kBadGuidBox}, unchanged, std::nullopt},
        {"uninstall -tguid ..\\escape: the product must not be restored outside the maintenance root",
         " -uninstall -guid\"" + kRelocatedName + "\" -tguid\"..\\escape\"", seedRelocated, {kBadGuidBox},
         unchanged, std::vector<std::string>{}},
        {"uninstall -guid ..\\OUTSIDE: a folder beside the maintenance root must not be pulled in",
         " -uninstall -guid\"..\\" + kOutsideName + "\" -tguid\"" + kGuid + "\"",
         [](CaseContext& context) {
             seedRelocated(context);
             seedOutsideDirectory(context, kOutsideName);
         },
         {kBadGuidBox}, unchanged, std::vector<std::string>{}},
        {"install -tguid equal to -guid but for case: box C naming the directory, nothing moved",
         guidOption + " -tguid\"" + kGuid + "\"", seedInstalled,
         {errorBox("Directory Error", directoryInTheWay(maintenanceRoot(environment) + kGuid))},
         unchanged},
        {"uninstall -tguid equal to -guid but for case: box B naming the directory, nothing moved",
         " -uninstall -guid\"" + kRelocatedName + "\" -tguid\"" + kRelocatedName + "\"", seedRelocated,
         {errorBox("Directory Error", directoryInTheWay(maintenanceRoot(environment) + kRelocatedName))},
         unchanged, std::vector<std::string>{}},
    };
}

std::vector<BadInputRow> spellingRows(const E2eEnvironment& environment) {
    const std::string uninstallNames = " -guid\"" + kRelocatedName + "\" -tguid\"" + kGuid + "\"";
    const std::vector<std::string> productStarted{plainProductCommand(environment).startedAs};
    return {
        {"-runfile without a path: restored, the empty quoted program starts nothing, and the box says so",
         " -uninstall" + uninstallNames + " -runfile", seedRelocated,
         {errorBox("Launch Error", "Launch Error!\r\nUnable to start the uninstall command")},
         restoredFrom(kRelocatedName, kGuid), std::vector<std::string>{}},
        {"a -runfile path holding -guid is taken for -guid, a path: refused as a name, nothing moved",
         " -uninstall -runfile\"" + environment.binDirectory + "-guide\\probe.exe\"" + uninstallNames, seedRelocated,
         {kBadGuidBox}, unchanged, std::vector<std::string>{}},
        {"-u given twice: the second one is ignored, restored", " -u -u" + uninstallNames, seedRelocated, {},
         restoredFrom(kRelocatedName, kGuid), productStarted},
        {"install options in upper case, the GUID in lower case: relocated",
         " -HWND0 -GUID\"" + asciiLower(kGuid) + "\"", seedInstalled, {}, relocatedTo(kRelocatedName)},
        {"uninstall options in upper case: restored",
         " -UNINSTALL -GUID\"" + kRelocatedName + "\" -TGUID\"" + kGuid + "\"", seedRelocated, {},
         restoredFrom(kRelocatedName, kGuid), productStarted},
        {"arguments that merely contain -uninstall are no switch: install mode, box A",
         " --uninstall -uninstallx" + uninstallNames, seedRelocated, {kInstallBoxA}, unchanged,
         std::vector<std::string>{}},
    };
}

// An MSI product's entry: a key with its own command and no maintenance folder.
const std::string kMsiGuid = "{12345678-90AB-4CDE-8F01-23456789ABCD}";

KeyTree msiProductKeyTree() {
    KeyTree tree;
    tree[L""][L"DisplayName"] = {REG_SZ, wideStringBytes(L"Another Product")};
    tree[L""][L"UninstallString"] = {REG_EXPAND_SZ, wideStringBytes(widenAnsi("MsiExec.exe /X" + kMsiGuid))};
    tree[L"Features"][L"Core"] = {REG_DWORD, std::string("\x01\0\0\0", 4)};
    return tree;
}

std::string keyInTheWay(const std::string& name) {
    return "Registry Error!\r\nUninstallation cannot proceed, the \"HKEY_LOCAL_MACHINE\\" + kUninstallKey + "\\" +
           name + "\" key exists and belongs to another installation! Check what it belongs to and remove it if it "
           "is stale. Then retry the uninstall";
}

// Whatever is in the way is refused before anything moves, and nothing is erased that is not a
// provable leftover of the product.
std::vector<BadInputRow> refusalRows(const E2eEnvironment& environment) {
    const std::string uninstallNames = " -uninstall -guid\"" + kRelocatedName + "\" -tguid\"" + kGuid + "\"";
    const Hook relocatedKeyWithoutFolder = [](CaseContext& context) {
        redirectMachine(context);
        seedProductKey(context, kRelocatedName,
                       relocatedKeyTree(plainProductCommand(context.environment()),
                                        isrelocUninstallCommand(context.environment(), kRelocatedName, kGuid)));
    };
    const Hook msiEntry = [](CaseContext& context) { seedProductKey(context, kMsiGuid, msiProductKeyTree()); };
    return {
        {"an empty -tguid, the relocated folder gone but its key left: refused, every entry kept",
         " -uninstall -guid\"" + kRelocatedName + "\" -tguid\"\"",
         [=](CaseContext& context) {
             relocatedKeyWithoutFolder(context);
             msiEntry(context);
             seedProductDirectory(context, "Unrelated");
         },
         {kBadGuidBox}, unchanged, std::vector<std::string>{}},
        {"a live installation under the GUID and an older instance's key without its folder: box B, nothing erased",
         uninstallNames,
         [=](CaseContext& context) {
             seedInstalled(context);
             relocatedKeyWithoutFolder(context);
         },
         {errorBox("Directory Error", directoryInTheWay(maintenanceRoot(environment) + kGuid))}, unchanged,
         std::vector<std::string>{}},
        {"install -tguid naming an MSI product's entry: refused naming the key, nothing changed",
         " -hwnd0 -guid\"" + kGuid + "\" -tguid\"" + kMsiGuid + "\"",
         [=](CaseContext& context) {
             seedInstalled(context);
             msiEntry(context);
         },
         {errorBox("Registry Error", keyInTheWay(kMsiGuid))}, unchanged},
        {"uninstall -tguid naming an MSI product's entry: refused naming the key, nothing changed",
         " -uninstall -guid\"" + kRelocatedName + "\" -tguid\"" + kMsiGuid + "\"",
         [=](CaseContext& context) {
             seedRelocated(context);
             msiEntry(context);
         },
         {errorBox("Registry Error", keyInTheWay(kMsiGuid))}, unchanged, std::vector<std::string>{}},
        {"install -tguid with a trailing dot, a name Windows shortens for the folder only: refused",
         " -hwnd0 -guid\"" + kGuid + "\" -tguid\"" + kGuid + "_5.\"", seedInstalled, {kBadGuidBox}, unchanged},
        {"uninstall -tguid with a trailing space: refused, nothing restored or started",
         " -uninstall -guid\"" + kRelocatedName + "\" -tguid\"" + kGuid + " \"", seedRelocated, {kBadGuidBox},
         unchanged, std::vector<std::string>{}},
    };
}

}  // namespace

std::vector<E2eCase> badInputCases(const E2eEnvironment& environment) {
    std::vector<BadInputRow> rows = emptyLineRows();
    for (auto group : {longLineRows(environment), quoteAndByteRows(environment), hwndRows(), pathCharacterRows(environment),
                       spellingRows(environment), refusalRows(environment)})
        rows.insert(rows.end(), group.begin(), group.end());
    std::vector<E2eCase> cases;
    for (const BadInputRow& row : rows) cases.push_back(badInputCase(environment, row));
    return cases;
}
