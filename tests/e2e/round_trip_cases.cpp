// Install mode, then uninstall mode, on the real program: the product comes back byte for byte
// under its own name, and its own uninstaller (or the -runfile program) is what gets started.
#include <windows.h>

#include <functional>

#include "child_process.h"
#include "key_tree.h"
#include "fixture.h"
#include "product_fixture.h"

namespace {

constexpr uint32_t kRelocationTimeoutMilliseconds = 30000;

const std::string kGuid = kProductGuid;
const std::string kRelocatedName = kGuid + "_0";

std::string wineUninstaller() {
    char directory[MAX_PATH + 1] = "";
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    return std::string(directory, length < MAX_PATH ? length : 0) + "\\uninstaller.exe";
}

// Runs install mode the way an installer does, and leaves the written uninstall command for the
// case's own run to start.
void relocateWithIsreloc(CaseContext& context) {
    const E2eEnvironment& environment = context.environment();
    const ChildOutcome outcome =
        runAnsweringBoxes(environment.programPath("isreloc.exe"),
                          environment.quotedProgram("isreloc.exe") + " -hwnd0 -guid\"" + kGuid + "\"",
                          kRelocationTimeoutMilliseconds);
    context.expect(outcome.started && !outcome.timedOut && outcome.exitCode == 0 && outcome.boxes.empty(),
                   "install mode did not end silently with 0 (exit code " + std::to_string(outcome.exitCode) +
                       ", " + std::to_string(outcome.boxes.size()) + " box(es))");
    const std::optional<std::string> written = readMachineText(uninstallKeyPath(kRelocatedName), "UninstallString");
    context.expect(written == isrelocUninstallCommand(environment, kRelocatedName, kGuid),
                   "install mode wrote " + written.value_or("no UninstallString") + " under " + kRelocatedName);
}

// How a round trip's uninstall is started, given the command install mode wrote.
using UninstallStart = std::function<void(CaseContext&, const std::string& writtenCommand)>;

void startWrittenCommand(CaseContext& context, const std::string& writtenCommand) {
    context.runInstead(context.environment().programPath("isreloc.exe"), writtenCommand);
}

// What the probe must have recorded, given the product's command.
using ExpectedStarts = std::function<std::vector<std::string>(const E2eEnvironment&, const ProductCommand&)>;

std::vector<std::string> productCommandStarted(const E2eEnvironment&, const ProductCommand& command) {
    return {command.startedAs};
}

struct RoundTripRow {
    std::string name;
    ProductCommand (*command)(const E2eEnvironment&);
    UninstallStart start;
    ExpectedStarts started;
    std::function<void(CaseContext&)> prepareFirst = nullptr;
    std::string knownFault = "";
    std::function<void(CaseContext&)> cleanupAlso = nullptr;
};

// On 64-bit Windows the registry has a second, 64-bit view, where a 64-bit build of the same
// product keeps its own entry under the same name. isreloc works in the 32-bit view only: that
// entry, like everything else in the 64-bit uninstall key, must come through byte for byte, which
// the driver checks for every run.
struct OtherView {
    static KeyTree productEntry() {
        KeyTree tree;
        tree[L""][L"DisplayName"] = {REG_SZ, wideStringBytes(L"Sample Product (64-bit)")};
        tree[L""][L"UninstallString"] = {REG_SZ, wideStringBytes(L"\"C:\\Program Files\\Sample\\remove.exe\"")};
        tree[L"Features"][L"Main"] = {REG_DWORD, std::string("\x01\0\0\0", 4)};
        return tree;
    }
    static void seed(CaseContext& context) {
        if (!twoRegistryViews()) return;
        context.expect(writeMachineKeyTree(widenAnsi(uninstallKeyPath(kGuid)), productEntry(), kView64),
                       "cannot seed the product's entry in the 64-bit view");
    }
    static void remove(CaseContext&) {
        if (twoRegistryViews()) deleteMachineKeyTree(uninstallKeyPath(kGuid), kView64);
    }
};

E2eCase roundTripCase(const E2eEnvironment& environment, const RoundTripRow& row) {
    const ProductCommand command = row.command(environment);
    E2eCase one{"round trip: " + row.name,
                "isreloc.exe",
                "",  // the command install mode writes: known once prepare has run it
                {},
                0,
                [command, row](CaseContext& context) {
                    seedInstalledProduct(context, command);
                    if (row.prepareFirst) row.prepareFirst(context);
                    expectKeyTree(context, kGuid, productKeyTree(command));
                },
                [command, row](CaseContext& context) {
                    expectProductDirectory(context, kGuid);
                    expectSpeltExactly(context, kGuid);
                    expectNoDirectory(context, kRelocatedName);
                    expectNoKey(context, kRelocatedName);
                    expectKeyTree(context, kGuid, productKeyTree(command));
                    expectProbeLog(context, row.started(context.environment(), command));
                },
                nullptr,
                [row](CaseContext& context) {
                    restoreMachine(context);
                    if (row.cleanupAlso) row.cleanupAlso(context);
                }};
    one.knownFault = row.knownFault;
    one.runFirst = [row](CaseContext& context) {
        relocateWithIsreloc(context);
        row.start(context, readMachineText(uninstallKeyPath(kRelocatedName), "UninstallString").value_or(""));
    };
    return one;
}

// isreloc kept in a folder whose name no ANSI code page spells writes that path into the
// product's "UninstallString" exactly, and the command starts when Windows runs it.
E2eCase foreignOwnPathCase(const E2eEnvironment& environment) {
    const ProductCommand command = plainProductCommand(environment);
    // "Инструменты 工具" ("tools")
    const std::wstring folder = widenAnsi(environment.scratchDirectory) +
                                L"\u0418\u043D\u0441\u0442\u0440\u0443\u043C\u0435\u043D\u0442\u044B \u5DE5\u5177";
    const std::wstring isreloc = folder + L"\\isreloc.exe";
    const std::wstring written = L"\"" + isreloc + L"\" -uninstall -guid\"" + widenAnsi(kRelocatedName) + L"\" -tguid\"" +
                                 widenAnsi(kGuid) + L"\"";
    E2eCase one{
        "round trip: isreloc in a folder no ANSI code page spells writes its own path exactly, and it runs",
        "isreloc.exe",
        "",
        {},
        0,
        [=](CaseContext& context) {
            seedInstalledProduct(context, command);
            context.expect(CreateDirectoryW(folder.c_str(), nullptr) &&
                               CopyFileW(widenAnsi(context.environment().programPath("isreloc.exe")).c_str(),
                                         isreloc.c_str(), TRUE),
                           "cannot copy isreloc.exe to " + utf8Of(isreloc));
        },
        [command](CaseContext& context) {
            expectProductDirectory(context, kGuid);
            expectNoKey(context, kRelocatedName);
            expectKeyTree(context, kGuid, productKeyTree(command));
            expectProbeLog(context, {command.startedAs});
        },
        nullptr,
        restoreMachine};
    one.runFirst = [=](CaseContext& context) {
        const ChildOutcome outcome = runAnsweringBoxes(
            isreloc, L"\"" + isreloc + L"\" -hwnd0 -guid\"" + widenAnsi(kGuid) + L"\"", kRelocationTimeoutMilliseconds);
        context.expect(outcome.started && !outcome.timedOut && outcome.exitCode == 0 && outcome.boxes.empty(),
                       "install mode did not end silently with 0 " + outcome.startError);
        const std::optional<KeyTree> relocated = readMachineKeyTree(widenAnsi(uninstallKeyPath(kRelocatedName)));
        context.expect(relocated && relocated->count(L"") != 0 && relocated->at(L"").count(L"UninstallString") != 0 &&
                           relocated->at(L"").at(L"UninstallString") == RawValue{REG_SZ, wideStringBytes(written)},
                       "UninstallString does not hold " + utf8Of(written));
        context.runInstead(wineUninstaller(), "uninstaller.exe --remove " + kRelocatedName);
    };
    return one;
}

}  // namespace

std::vector<E2eCase> roundTripCases(const E2eEnvironment& environment) {
    const std::vector<RoundTripRow> rows = {
        {"the written command restores everything and starts the product's own command", plainProductCommand,
         startWrittenCommand, productCommandStarted},
        {"a REG_EXPAND_SZ product command comes back with its type and is started expanded",
         expandableProductCommand, startWrittenCommand, productCommandStarted},
        {"-runfile starts that program (as written, quoted) instead of the product's command", plainProductCommand,
         [](CaseContext& context, const std::string& written) {
             context.runInstead(context.environment().programPath("isreloc.exe"),
                                written + " -runfile\"" + context.environment().programPath("probe.exe") + "\"");
         },
         [](const E2eEnvironment& env, const ProductCommand&) {
             return std::vector<std::string>{"\"" + env.programPath("probe.exe") + "\""};
         }},
        {"without -tguid the product's name is the relocated one without its suffix", plainProductCommand,
         [](CaseContext& context, const std::string&) {
             context.runInstead(context.environment().programPath("isreloc.exe"),
                                context.environment().quotedProgram("isreloc.exe") + " -uninstall -guid\"" +
                                    kRelocatedName + "\"");
         },
         productCommandStarted},
        {"Wine's own uninstaller runs the relocated entry's command", plainProductCommand,
         [](CaseContext& context, const std::string&) {
             context.runInstead(wineUninstaller(), "uninstaller.exe --remove " + kRelocatedName);
         },
         productCommandStarted},
        {"a product command whose path no ANSI code page holds is started as stored", foreignPathProductCommand,
         startWrittenCommand, productCommandStarted, copyProbeToForeignPath},
        {"a product command in isreloc's form between other names is the product's own: restored and started",
         lookalikeProductCommand, startWrittenCommand, productCommandStarted},
        {"the 64-bit view, with a 64-bit entry under the same name, is left byte for byte as it was",
         plainProductCommand, startWrittenCommand, productCommandStarted, OtherView::seed, "", OtherView::remove},
    };
    std::vector<E2eCase> cases;
    for (const RoundTripRow& row : rows) cases.push_back(roundTripCase(environment, row));
    cases.push_back(foreignOwnPathCase(environment));
    return cases;
}
