// Install mode on the real program: where the product's directory and key go, what is written
// into its uninstall entry, and that nothing moves while the installer's window is still there.
#include <memory>

#include "fixture.h"
#include "product_fixture.h"
#include "stand_in_window.h"

namespace {

// The tool polls the window once a second; by now it has started and looked at least once.
constexpr uint32_t kStillWaitingAfterMilliseconds = 2500;

const std::string kGuid = kProductGuid;

void expectSeeded(CaseContext& context, const ProductCommand& command) {
    expectKeyTree(context, kGuid, productKeyTree(command));
}

// The product lives under targetName alone, its key byte for byte as installed but for the two
// command values, and nothing was started.
void expectRelocated(CaseContext& context, const ProductCommand& command, const std::string& targetName) {
    expectNoDirectory(context, kGuid);
    expectProductDirectory(context, targetName);
    expectNoKey(context, kGuid);
    expectKeyTree(context, targetName,
                  relocatedKeyTree(command, isrelocUninstallCommand(context.environment(), targetName, kGuid)));
}

struct RelocationRow {
    std::string name;
    std::string arguments;   // after the program's own quoted path
    bool expandableCommand;  // else a plain REG_SZ command
    bool firstSuffixTaken;   // a directory {GUID}_0 is there before the run
    std::string targetName;
};

E2eCase relocationCase(const E2eEnvironment& environment, const RelocationRow& row) {
    const ProductCommand command = row.expandableCommand ? expandableProductCommand(environment) : plainProductCommand(environment);
    E2eCase one{"install: " + row.name,
            "isreloc.exe",
            environment.quotedProgram("isreloc.exe") + " " + row.arguments,
            {},
            0,
            [command, row](CaseContext& context) {
                seedInstalledProduct(context, command);
                if (row.firstSuffixTaken)
                    context.expect(makeDirectories(maintenanceRoot(context.environment()) + kGuid + "_0"),
                                   "cannot make the directory " + kGuid + "_0");
                expectSeeded(context, command);
            },
            [command, row](CaseContext& context) {
                expectRelocated(context, command, row.targetName);
                if (row.firstSuffixTaken) {
                    context.expect(directoryExists(maintenanceRoot(context.environment()) + kGuid + "_0"),
                                   "the directory " + kGuid + "_0 that was in the way is gone");
                    expectNoKey(context, kGuid + "_0");
                }
                expectProbeLog(context, {});
            },
            nullptr,
            restoreMachine};
    one.runNames = std::vector<std::string>{kGuid, row.targetName};
    return one;
}

// The installer's window stays for a while: the tool must wait, then move everything at once.
E2eCase parentWindowCase(const E2eEnvironment& environment) {
    const ProductCommand command = plainProductCommand(environment);
    auto window = std::make_shared<StandInWindow>();
    auto destroyedWhileRunning = std::make_shared<bool>(false);
    return {"install: waits while the installer's window exists, relocates once it is destroyed",
            "isreloc.exe",
            "",  // needs the window's handle: made in prepare
            {},
            0,
            [command, window](CaseContext& context) {
                const E2eEnvironment& here = context.environment();
                seedInstalledProduct(context, command);
                expectSeeded(context, command);
                *window = StandInWindow();
                if (!context.expect(window->alive(), "cannot make the installer's stand-in window")) return;
                context.runInstead(here.programPath("isreloc.exe"),
                                   here.quotedProgram("isreloc.exe") + " -hwnd\"" + window->decimalHandle() +
                                       "\" -guid\"" + kGuid + "\"");
            },
            [command, destroyedWhileRunning](CaseContext& context) {
                context.expect(*destroyedWhileRunning, "the tool ended while the installer's window still existed");
                expectRelocated(context, command, kGuid + "_0");
            },
            [window, destroyedWhileRunning](CaseContext& context, uint32_t elapsed) {
                if (elapsed < kStillWaitingAfterMilliseconds || !window->alive()) return;
                // Still running (this hook runs only then) and nothing may have moved yet.
                expectProductDirectory(context, kGuid);
                expectNoDirectory(context, kGuid + "_0");
                context.expect(machineKeyExists(uninstallKeyPath(kGuid)), "the key moved while the window existed");
                expectNoKey(context, kGuid + "_0");
                window->destroy();
                *destroyedWhileRunning = true;
            },
            [window](CaseContext& context) {
                window->destroy();
                restoreMachine(context);
            }};
}

}  // namespace

std::vector<E2eCase> installModeCases(const E2eEnvironment& environment) {
    const std::vector<RelocationRow> rows = {
        {"lower-case -guid: product moves to {GUID}_0, own command written, product command kept",
         "-hwnd0 -guid\"" + asciiLower(kGuid) + "\"", false, false, kGuid + "_0"},
        {"{GUID}_0 taken: product moves to {GUID}_1", "-hwnd\"0\" -guid\"" + kGuid + "\"", false, true,
         kGuid + "_1"},
        {"-tguid names the target, taken as written, letter case and all",
         "-hwnd0 -guid\"" + kGuid + "\" -tguid\"" + kGuid + "-Moved\"", false, false, kGuid + "-Moved"},
        {"REG_EXPAND_SZ product command kept with its type and bytes", "-hwnd0 -guid\"" + kGuid + "\"", true, false,
         kGuid + "_0"},
    };
    std::vector<E2eCase> cases;
    for (const RelocationRow& row : rows) cases.push_back(relocationCase(environment, row));
    cases.push_back(parentWindowCase(environment));
    return cases;
}
