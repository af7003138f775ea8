// Every box the two modes show on the real program, with its exact caption and text, the exit
// code after it, and what the run left behind: nothing changed, or a moved directory put back.
// Each again with -silent: no box, its text in the log, and the exit code an engine reads.
#include <windows.h>

#include <memory>

#include "../key_lock_win32.h"
#include "fixture.h"
#include "product_fixture.h"
#include "run_log_check.h"
#include "unique_handle.h"

namespace {

const std::string kGuid = kProductGuid;
const std::string kRelocatedName = kGuid + "_0";
const std::string kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

ExpectedBox errorBox(const std::string& caption, const std::string& text) {
    return {caption, text, IconExpectation::Shown};
}

std::string directoryInTheWay(const std::string& path) {
    return "Directory Error!\r\nUninstallation cannot proceed, the \"" + path +
           "\" directory exists! Check if it is empty and delete it if it is. Then retry the uninstall";
}

const char* const kInstallMissingOptions =
    "Insufficient commandline parameters!\r\nYou have to pass at least -hwnd\"<value>\" and -guid\"<value>\" to "
    "this application!";
const char* const kUninstallMissingOptions =
    "Insufficient commandline parameters!\r\nYou have to pass at least -uninstall and -guid\"<value>\" to this "
    "application!";
const char* const kBadGuid = "Incorrect GUID format!\r\nPlease pass the GUID in the correct format to this application";
const char* const kBadHwnd =
    "Incorrect HWND format!\r\nPlease pass the parent HWND in the correct format to this application";
const char* const kMoveFailed = "Directory Error!\r\nUnable to move the uninstall directory to its new location";
const char* const kRestoreFailed = "Directory Error!\r\nUnable to restore the uninstall directory to its old location";
const char* const kKeyMissing = "Registry Error!\r\nUnable to find the uninstall key";
const char* const kNoRegistry = "Registry Error!\r\nUnable to access the registry";

// The product before install mode, untouched.
void expectInstalled(CaseContext& context) {
    expectProductDirectory(context, kGuid);
    expectNoDirectory(context, kRelocatedName);
    expectKeyTree(context, kGuid, productKeyTree(plainProductCommand(context.environment())));
    expectNoKey(context, kRelocatedName);
}

KeyTree relocatedTree(const E2eEnvironment& environment) {
    return relocatedKeyTree(plainProductCommand(environment),
                            isrelocUninstallCommand(environment, kRelocatedName, kGuid));
}

// The product as install mode left it, untouched, and nothing started.
void expectStillRelocated(CaseContext& context) {
    expectProductDirectory(context, kRelocatedName);
    expectKeyTree(context, kRelocatedName, relocatedTree(context.environment()));
    expectNoKey(context, kGuid);
    expectProbeLog(context, {});
}

using Hook = std::function<void(CaseContext&)>;

// Case-local things a prepare hook holds until cleanup (an open directory handle, a key's DACL).
struct HeldHandles {
    std::vector<UniqueKernelHandle> handles;
    std::vector<std::unique_ptr<ReadOnlyKeyLock>> locks;
};

struct BoxRow {
    std::string name;
    std::string arguments;  // after the program's own quoted path
    Hook prepare;
    ExpectedBox box;
    uint32_t exitCode;
    Hook verify;
    uint32_t silentExitCode;  // with -silent: 1639 for a refused command line, 1603 for the rest
};

// Every box ends a run that changes nothing, or puts back what it had moved.
E2eCase boxCase(const E2eEnvironment& environment, const BoxRow& row, const std::shared_ptr<HeldHandles>& held) {
    E2eCase one{row.name,
            "isreloc.exe",
            environment.quotedProgram("isreloc.exe") + " " + row.arguments,
            {row.box},
            row.exitCode,
            row.prepare,
            row.verify,
            nullptr,
            [held](CaseContext& context) {
                held->handles.clear();  // before the directories it holds are removed
                held->locks.clear();    // before the keys they lock are written
                restoreMachine(context);
            }};
    one.runNames = std::vector<std::string>{};
    return one;
}

void seedInstalled(CaseContext& context) { seedInstalledProduct(context, plainProductCommand(context.environment())); }
void seedRelocated(CaseContext& context) {
    seedRelocatedProduct(context, plainProductCommand(context.environment()), kRelocatedName);
}

// The same run with -silent: no box at all, the box's caption and text in the log, and the exit
// code a deployment engine reads; the machine is left as the seen run leaves it.
E2eCase silentBoxCase(const E2eEnvironment& environment, const BoxRow& row, const std::shared_ptr<HeldHandles>& held) {
    E2eCase silent = boxCase(environment, row, held);
    silent.name = "-silent: " + row.name;
    silent.commandLine += " -silent" + logSwitch(environment);
    silent.boxes.clear();
    silent.exitCode = row.silentExitCode;
    silent.verify = [row](CaseContext& context) {
        row.verify(context);
        expectLoggedBox(context, row.box, false);
        expectLoggedExitCode(context, row.silentExitCode);
    };
    return silent;
}

}  // namespace

std::vector<E2eCase> modeBoxCases(const E2eEnvironment& environment) {
    const std::string guidOption = "-guid\"" + kGuid + "\"";
    const std::string uninstallOptions = "-uninstall -guid\"" + kRelocatedName + "\" -tguid\"" + kGuid + "\"";
    // The name -tguid gives arrives lowercased, and so does the path in the box.
    const std::string takenName = asciiLower(kGuid) + "-taken";
    std::string badGuid = kGuid;
    badGuid[24] = '4';  // a digit where the fourth hyphen belongs
    auto held = std::make_shared<HeldHandles>();

    const std::vector<BoxRow> rows = {
        {"install box A: -hwnd missing", guidOption, seedInstalled,
         errorBox("Insufficient Commandline", kInstallMissingOptions), 0, expectInstalled, 1639},
        {"install box A: -guid missing", "-hwnd0 -tguid\"" + kGuid + "\"", seedInstalled,
         errorBox("Insufficient Commandline", kInstallMissingOptions), 0, expectInstalled, 1639},
        {"install box B: no hyphen at offset 24", "-hwnd0 -guid\"" + badGuid + "\"", seedInstalled,
         errorBox("Incorrect format", kBadGuid), 0, expectInstalled, 1639},
        {"install HWND box: handle is no number", "-hwnd\"installer\" " + guidOption, seedInstalled,
         errorBox("Incorrect format", kBadHwnd), 0, expectInstalled, 1639},
        {"install box C: -tguid names a directory that exists", "-hwnd0 " + guidOption + " -tguid\"" + takenName + "\"",
         [takenName](CaseContext& context) {
             seedInstalled(context);
             context.expect(makeDirectories(maintenanceRoot(context.environment()) + takenName),
                            "cannot make " + takenName);
         },
         errorBox("Directory Error", directoryInTheWay(maintenanceRoot(environment) + takenName)), 0,
         [takenName](CaseContext& context) {
             expectInstalled(context);
             context.expect(directoryExists(maintenanceRoot(context.environment()) + takenName),
                            "the directory in the way is gone");
         }, 1603},
        {"install box D: the product's directory is held open and cannot be renamed", "-hwnd0 " + guidOption,
         [held](CaseContext& context) {
             seedInstalled(context);
             // Open without FILE_SHARE_DELETE, as a running maintenance program would hold it.
             const std::string directory = maintenanceRoot(context.environment()) + kGuid;
             HANDLE opened = CreateFileA(directory.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
             if (context.expect(opened != INVALID_HANDLE_VALUE, "cannot hold " + directory + " open"))
                 held->handles.emplace_back(opened);
         },
         errorBox("Directory Error", kMoveFailed), 0, expectInstalled, 1603},
        {"install box E: no uninstall key, the directory is moved back", "-hwnd0 " + guidOption,
         [](CaseContext& context) {
             redirectMachine(context);
             seedProductDirectory(context, kGuid);
         },
         errorBox("Registry Error", kKeyMissing), 0,
         [](CaseContext& context) {
             expectProductDirectory(context, kGuid);
             expectNoDirectory(context, kRelocatedName);
             expectNoKey(context, kGuid);
             expectNoKey(context, kRelocatedName);
         }, 1603},
        {"install failure report: ProgramFilesDir is a REG_DWORD", "-hwnd0 " + guidOption,
         [](CaseContext& context) {
             seedInstalled(context);
             context.expect(writeMachineValue(kCurrentVersionKey, "ProgramFilesDir", REG_DWORD,
                                              std::string("\x01\0\0\0", 4)),
                            "cannot make ProgramFilesDir a REG_DWORD");
         },
         errorBox("Application Error", std::string("Exception ERegistryException in module isreloc.exe at ") +
                                           kAnyHex8 + ".\r\nInvalid data type for 'ProgramFilesDir'.\r\n"),
         1, expectInstalled, 1603},
        // What a run that is not elevated sees: the uninstall entries can be read, not changed. It must
        // say so rather than end as if nothing were installed.
        {"install registry box: CurrentVersion and its Uninstall key read-only for everyone", "-hwnd0 " + guidOption,
         [held](CaseContext& context) {
             seedInstalled(context);
             for (const std::string& key : {kCurrentVersionKey, kCurrentVersionKey + "\\Uninstall"}) {
                 held->locks.push_back(std::make_unique<ReadOnlyKeyLock>(std::u16string(key.begin(), key.end())));
                 context.expect(held->locks.back()->locked(), "cannot make " + key + " read-only");
             }
         },
         errorBox("Registry Error", kNoRegistry), 0, expectInstalled, 1603},
        // Another run holding the lock on moves past the wait -timeout allows.
        {"install busy box: another run keeps the lock on moves", "-hwnd0 -timeout\"1\" " + guidOption,
         [held](CaseContext& context) {
             seedInstalled(context);
             held->handles.emplace_back(CreateMutexW(nullptr, TRUE, L"Global\\isreloc.ProductMove"));
             context.expect(held->handles.back().get() != nullptr, "cannot take the lock on moves");
         },
         errorBox("Relocation Error", "Relocation Error!\r\nAnother relocation is in progress on this computer. "
                                      "Wait until it has finished, then retry"),
         0, expectInstalled, 1618},
        {"uninstall box A: a lone -u", "-u", seedRelocated,
         errorBox("Insufficient Commandline", kUninstallMissingOptions), 0, expectStillRelocated, 1639},
        {"uninstall box A: -tguid is no -guid", "-uninstall -tguid\"" + kGuid + "\"", seedRelocated,
         errorBox("Insufficient Commandline", kUninstallMissingOptions), 0, expectStillRelocated, 1639},
        {"uninstall HWND box: handle is no number", uninstallOptions + " -hwnd\"12ab\"", seedRelocated,
         errorBox("Incorrect format", kBadHwnd), 0, expectStillRelocated, 1639},
        {"uninstall box B: the product's own directory exists again", uninstallOptions,
         [](CaseContext& context) {
             seedRelocated(context);
             context.expect(makeDirectories(maintenanceRoot(context.environment()) + kGuid),
                            "cannot make the directory " + kGuid);
         },
         errorBox("Directory Error", directoryInTheWay(maintenanceRoot(environment) + kGuid)), 0,
         expectStillRelocated, 1603},
        {"uninstall box C: the relocated directory is missing", uninstallOptions,
         [](CaseContext& context) {
             redirectMachine(context);
             seedProductKey(context, kRelocatedName, relocatedTree(context.environment()));
         },
         errorBox("Directory Error", kRestoreFailed), 0,
         [](CaseContext& context) {
             expectNoDirectory(context, kGuid);
             expectNoDirectory(context, kRelocatedName);
             expectKeyTree(context, kRelocatedName, relocatedTree(context.environment()));
             expectNoKey(context, kGuid);
             expectProbeLog(context, {});
         }, 1603},
        {"uninstall box D: no relocated key, the directory is moved back", uninstallOptions,
         [](CaseContext& context) {
             redirectMachine(context);
             seedProductDirectory(context, kRelocatedName);
         },
         errorBox("Registry Error", kKeyMissing), 0,
         [](CaseContext& context) {
             expectProductDirectory(context, kRelocatedName);
             expectNoDirectory(context, kGuid);
             expectNoKey(context, kGuid);
             expectNoKey(context, kRelocatedName);
             expectProbeLog(context, {});
         }, 1603},
        // A key below the product's that may be read but not removed: a move by copying would stop
        // half-way, after the folder had moved. Nothing moves.
        {"uninstall registry box: a subkey of the relocated key read-only for everyone", uninstallOptions,
         [held](CaseContext& context) {
             seedRelocated(context);
             const std::string key = uninstallKeyPath(kRelocatedName) + "\\Components\\Core";
             held->locks.push_back(std::make_unique<ReadOnlyKeyLock>(std::u16string(key.begin(), key.end())));
             context.expect(held->locks.back()->locked(), "cannot make " + key + " read-only");
         },
         errorBox("Registry Error", kNoRegistry), 0, expectStillRelocated, 1603},
    };
    std::vector<E2eCase> cases;
    for (const BoxRow& row : rows) cases.push_back(boxCase(environment, row, held));
    for (const BoxRow& row : rows) cases.push_back(silentBoxCase(environment, row, held));
    return cases;
}
