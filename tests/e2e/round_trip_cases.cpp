// Install mode, then uninstall mode, on the real program: the product comes back byte for byte
// under its own name, and its own uninstaller (or the -runfile program) is what gets started.
#include <windows.h>

#include <functional>

#include "child_process.h"
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
    context.expect(written == ownUninstallCommand(environment, kRelocatedName, kGuid),
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
                    if (!context.failures().empty()) return;
                    relocateWithIsreloc(context);
                    row.start(context,
                              readMachineText(uninstallKeyPath(kRelocatedName), "UninstallString").value_or(""));
                },
                [command, row](CaseContext& context) {
                    expectProductDirectory(context, kGuid);
                    expectNoDirectory(context, kRelocatedName);
                    expectNoKey(context, kRelocatedName);
                    expectKeyTree(context, kGuid, productKeyTree(command));
                    expectProbeLog(context, row.started(context.environment(), command));
                },
                nullptr,
                restoreMachine};
    one.knownFault = row.knownFault;
    return one;
}

}  // namespace

std::vector<E2eCase> roundTripCases(const E2eEnvironment& environment) {
    const std::vector<RoundTripRow> rows = {
        {"the written command restores everything and starts the product's own command", plainProductCommand,
         startWrittenCommand, productCommandStarted},
        {"a REG_EXPAND_SZ product command comes back with its type and is started expanded",
         expandableProductCommand, startWrittenCommand, productCommandStarted},
        {"-runfile starts that program (lower case, quoted) instead of the product's command", plainProductCommand,
         [](CaseContext& context, const std::string& written) {
             context.runInstead(context.environment().programPath("isreloc.exe"),
                                written + " -runfile\"" + context.environment().programPath("probe.exe") + "\"");
         },
         [](const E2eEnvironment& env, const ProductCommand&) {
             return std::vector<std::string>{"\"" + asciiLower(env.programPath("probe.exe")) + "\""};
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
    };
    std::vector<E2eCase> cases;
    for (const RoundTripRow& row : rows) cases.push_back(roundTripCase(environment, row));
    return cases;
}
