// A relocated instance's other paths on the real program: Change through "ModifyPath", a quiet
// uninstall through "QuietUninstallString", and an uninstall that is cancelled or completes. The
// product's uninstaller and Change are the probe, which records how it was started, ends with a
// chosen code and, when asked, removes the instance's key and folder as an uninstaller would.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "child_process.h"
#include "fixture.h"
#include "key_tree.h"
#include "product_fixture.h"

namespace {

constexpr uint32_t kRelocationTimeoutMilliseconds = 30000;
const std::string kGuid = kProductGuid;
const std::string kRelocatedName = kGuid + "_0";

// The probe's command with the given arguments, as a product stores it and as the probe records it.
std::string probeCommand(const E2eEnvironment& environment, const std::string& arguments) {
    return environment.quotedProgram("probe.exe") + " " + arguments;
}

// What removing the instance under the product's own name takes: its folder and its key.
std::string removalArguments(const E2eEnvironment& environment) {
    return "\"/remove:" + maintenanceRoot(environment) + kGuid + "\" \"/remove-key:" + uninstallKeyPath(kGuid) + "\"";
}

// The product with its uninstall, Change and quiet uninstall commands.
struct InstanceCommands {
    std::string uninstall;
    std::string modify;
    std::string quietUninstall;
};

KeyTree instanceKeyTree(const InstanceCommands& commands) {
    KeyTree tree = productKeyTree({REG_SZ, widenAnsi(commands.uninstall), commands.uninstall});
    tree[L""][L"ModifyPath"] = {REG_EXPAND_SZ, wideStringBytes(widenAnsi(commands.modify))};
    tree[L""][L"QuietUninstallString"] = {REG_SZ, wideStringBytes(widenAnsi(commands.quietUninstall))};
    return tree;
}

// Held from prepare to verify: the instance as install mode left it.
struct Relocated {
    std::optional<KeyTree> key;
};

// An entry's command as a deployment engine or a script rewrites it: from the one written.
using Rewrite = std::function<std::string(const std::string& written)>;

// Relocates the installed product with install mode as an installer would, lets the rewrite (if
// any) store its line in valueName, keeps the relocated key, and runs instead the command the
// entry then holds in valueName (with tail appended).
void relocateAndRun(CaseContext& context, const std::shared_ptr<Relocated>& kept, const std::string& valueName,
                    const std::string& tail, const Rewrite& rewrite) {
    const E2eEnvironment& environment = context.environment();
    const ChildOutcome outcome =
        runAnsweringBoxes(environment.programPath("isreloc.exe"),
                          environment.quotedProgram("isreloc.exe") + " -hwnd0 -guid\"" + kGuid + "\"",
                          kRelocationTimeoutMilliseconds);
    context.expect(outcome.started && outcome.exitCode == 0 && outcome.boxes.empty(), "install mode did not end silently");
    const std::optional<std::string> written = readMachineText(uninstallKeyPath(kRelocatedName), valueName);
    if (rewrite && written)
        context.expect(writeMachineText(uninstallKeyPath(kRelocatedName), valueName, rewrite(*written)),
                       "cannot rewrite " + valueName);
    kept->key = readMachineKeyTree(widenAnsi(uninstallKeyPath(kRelocatedName)));
    const std::optional<std::string> command = readMachineText(uninstallKeyPath(kRelocatedName), valueName);
    if (!context.expect(command.has_value(), "no " + valueName + " under " + kRelocatedName)) return;
    context.runInstead(environment.programPath("isreloc.exe"), *command + tail);
}

// The product installed with these commands, relocated, then the entry's valueName run.
E2eCase instanceCase(const std::string& name, uint32_t exitCode, const InstanceCommands& commands,
                     const std::string& valueName, const std::string& tail,
                     const std::function<void(CaseContext&, const Relocated&)>& verify, const Rewrite& rewrite = nullptr) {
    auto kept = std::make_shared<Relocated>();
    E2eCase one{name, "isreloc.exe", "", {}, exitCode,
                [commands](CaseContext& context) {
                    redirectMachine(context);
                    seedProductDirectory(context, kGuid);
                    seedProductKey(context, kGuid, instanceKeyTree(commands));
                },
                [verify, kept](CaseContext& context) { verify(context, *kept); },
                nullptr, restoreMachine};
    one.runFirst = [kept, valueName, tail, rewrite](CaseContext& context) {
        relocateAndRun(context, kept, valueName, tail, rewrite);
    };
    return one;
}

void expectStillRelocated(CaseContext& context, const Relocated& kept) {
    expectProductDirectory(context, kRelocatedName);
    expectNoDirectory(context, kGuid);
    expectNoKey(context, kGuid);
    const std::optional<KeyTree> now = readMachineKeyTree(widenAnsi(uninstallKeyPath(kRelocatedName)));
    if (!context.expect(kept.key && now, "no key under " + kRelocatedName)) return;
    for (const std::string& difference : describeDifferences(*kept.key, *now))
        context.expect(false, "the relocated instance changed: " + difference);
}

// Under its GUID as the installer left it, where its own entry works.
void expectLeftUnderItsGuid(CaseContext& context, const InstanceCommands& commands) {
    expectProductDirectory(context, kGuid);
    expectNoDirectory(context, kRelocatedName);
    expectKeyTree(context, kGuid, instanceKeyTree(commands));
}

void expectGone(CaseContext& context) {
    expectNoDirectory(context, kGuid);
    expectNoDirectory(context, kRelocatedName);
    expectNoKey(context, kGuid);
    expectNoKey(context, kRelocatedName);
}

}  // namespace

std::vector<E2eCase> instanceCases(const E2eEnvironment& environment) {
    const InstanceCommands plain{probeCommand(environment, "/uninstall /exit:1602"),
                                 probeCommand(environment, "/modify /exit:5"),
                                 probeCommand(environment, "/quiet /exit:3010 " + removalArguments(environment))};
    const InstanceCommands completing{probeCommand(environment, "/uninstall " + removalArguments(environment)),
                                      plain.modify, plain.quietUninstall};
    const InstanceCommands restarting{probeCommand(environment, "/window /exit:3010"), plain.modify, plain.quietUninstall};
    const InstanceCommands hanging{probeCommand(environment, "/hang"), plain.modify, plain.quietUninstall};
    std::vector<E2eCase> cases = {
        instanceCase("Change through ModifyPath runs the instance's own Change, waits, and leaves it relocated byte "
                     "for byte",
                     5, plain, "ModifyPath", "",
                     [plain](CaseContext& context, const Relocated& relocated) {
                         expectProbeLog(context, {plain.modify});
                         expectStillRelocated(context, relocated);
                     }),
        instanceCase("a quiet uninstall through QuietUninstallString removes the instance and waits for it", 3010, plain,
                     "QuietUninstallString", "",
                     [plain](CaseContext& context, const Relocated&) {
                         // Read at once: isreloc has ended, so the uninstaller must have done all it does.
                         const std::vector<std::string> lines =
                             readFileLines(context.environment().scratchDirectory + "probe.log");
                         context.expect(!lines.empty() && lines[0] == plain.quietUninstall && lines.size() == 3,
                                        "the quiet uninstall had not run to its end when isreloc ended");
                         expectGone(context);
                     }),
        instanceCase("a cancelled uninstall with -wait leaves the instance relocated, byte for byte, and tells the "
                     "cancel",
                     1602, plain, "UninstallString", " -wait",
                     [plain](CaseContext& context, const Relocated& relocated) {
                         expectProbeLog(context, {plain.uninstall});
                         expectStillRelocated(context, relocated);
                     }),
        instanceCase("a completed uninstall with -wait leaves nothing of the instance", 0, completing, "UninstallString",
                     " -wait", [](CaseContext& context, const Relocated&) { expectGone(context); }),
        instanceCase("an uninstall that returns 3010 leaves the instance under its GUID, for the restart to finish; a "
                     "first window on the desktop does not keep the wait going",
                     3010, restarting, "UninstallString", " -silent -wait",
                     [restarting](CaseContext& context, const Relocated&) { expectLeftUnderItsGuid(context, restarting); }),
        instanceCase("-timeout ends the wait for an uninstall that outlasts it: 1460, the instance under its GUID", 1460,
                     hanging, "UninstallString", " -silent -wait -TIMEOUT\"2\"",
                     [hanging](CaseContext& context, const Relocated&) { expectLeftUnderItsGuid(context, hanging); }),
    };
    cases[4].desktopOfItsOwn = true;
    // An engine's line in UninstallString, in spellings isreloc itself runs: isreloc's command, never
    // kept as the product's; the cancelled instance goes back with the product's own command kept.
    const auto capitals = [](std::string line) { return line.replace(line.find(" -uninstall "), 12, " -Uninstall "); };
    for (const auto& [spelling, rewrite] : std::vector<std::pair<std::string, Rewrite>>{
             {"-timeout3600 unquoted", [](const std::string& w) { return w + " -silent -wait -timeout3600 -- /engine"; }},
             {"-Uninstall in capitals", [=](const std::string& w) { return capitals(w) + " -SILENT -Wait -- /engine"; }},
             {"an ignored argument before --", [](const std::string& w) { return w + " -wait /norestart -- /engine"; }}})
        cases.push_back(instanceCase(
            "an engine line with " + spelling + " in UninstallString, cancelled: relocated byte for byte", 1602, plain,
            "UninstallString", "",
            [plain](CaseContext& context, const Relocated& relocated) {
                expectProbeLog(context, {plain.uninstall + " /engine"});
                expectStillRelocated(context, relocated);
                context.expect(readMachineText(uninstallKeyPath(kRelocatedName), "szUninstallString") == plain.uninstall,
                               "the product's own command is not in szUninstallString");
            },
            rewrite));
    return cases;
}
