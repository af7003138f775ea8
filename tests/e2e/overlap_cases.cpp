// Runs that overlap or are cut short, on the real registry: a run killed mid-copy and install
// mode run again, two installs at once, an install during an uninstall. Each is repeated to cover
// its window; the product must end whole, once, under one name, and nothing else may change.
#include <windows.h>

#include <functional>
#include <memory>

#include "child_process.h"
#include "product_fixture.h"
#include "unique_handle.h"

namespace {

const std::string kGuid = kProductGuid;
const std::string kRelocated = kGuid + "_0";
const std::string kLeftover = kGuid + "_X";
constexpr int kBulkSubkeys = 40;  // 4,000 values: a copy of a second or more under Wine
constexpr int kRepeats = 3;

std::string installLine(const E2eEnvironment& environment, const std::string& target) {
    return environment.quotedProgram("isreloc.exe") + " -hwnd\"0\" -guid\"" + kGuid + "\"" +
           (target == kRelocated ? "" : " -tguid\"" + target + "\"") + " -silent";
}

// A run started and left running; its end is the driver's to wait for (or to cut short).
UniqueKernelHandle start(const E2eEnvironment& environment, std::string commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(environment.programPath("isreloc.exe").c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &started))
        return UniqueKernelHandle();
    CloseHandle(started.hThread);
    return UniqueKernelHandle(started.hProcess);
}

// Waits (at most 30 s) until the run has reached the point, or has ended.
void waitFor(HANDLE run, const std::function<bool()>& reached) {
    for (const DWORD begun = GetTickCount(); !reached() && GetTickCount() - begun < 30000;)
        if (WaitForSingleObject(run, 1) == WAIT_OBJECT_0) return;
}

std::size_t subkeysUnder(const std::string& name) { return machineSubkeyNames(uninstallKeyPath(name)).size(); }

// A run cut short at the point, as a power cut or an engine's kill would.
void killWhen(UniqueKernelHandle& run, const std::function<bool()>& reached) {
    waitFor(run.get(), reached);
    TerminateProcess(run.get(), 9);
    WaitForSingleObject(run.get(), INFINITE);
    run.reset();
}

// The product installed with a big key (and a leftover of it under target, when asked), relocated
// to target by the case's own run, started after runFirst; a run runFirst leaves running must end
// with 0 too.
E2eCase overlapCase(const std::string& name, const E2eEnvironment& environment, const std::string& target,
                    bool leftover, const std::function<void(CaseContext&, UniqueKernelHandle&)>& runFirst) {
    const ProductCommand command = plainProductCommand(environment);
    const auto other = std::make_shared<UniqueKernelHandle>();
    E2eCase one{name, "isreloc.exe", installLine(environment, target), {}, 0,
                [=](CaseContext& context) {
                    redirectMachine(context);
                    seedProductDirectory(context, kGuid);
                    seedProductKey(context, kGuid, productKeyTree(command, kBulkSubkeys));
                    if (leftover) seedProductKey(context, target, {{L"", productKeyTree(command)[L""]}});
                },
                [=](CaseContext& context) {
                    DWORD otherExit = 0;
                    if (other->get() != nullptr)
                        context.expect(WaitForSingleObject(other->get(), 60000) == WAIT_OBJECT_0 &&
                                           GetExitCodeProcess(other->get(), &otherExit) && otherExit == 0,
                                       "the other run ended with " + std::to_string(otherExit));
                    for (const std::string& elsewhere : {kGuid, kRelocated, kGuid + "_1", kLeftover}) {
                        if (elsewhere == target) continue;
                        expectNoKey(context, elsewhere);
                        expectNoDirectory(context, elsewhere);
                    }
                    expectProductDirectory(context, target);
                    expectKeyTree(context, target,
                                  relocatedKeyTree(command, isrelocUninstallCommand(environment, target, kGuid),
                                                   kBulkSubkeys));
                },
                nullptr, restoreMachine};
    one.runFirst = [=](CaseContext& context) { runFirst(context, *other); };
    one.runNames = std::vector<std::string>{kGuid, kRelocated, kGuid + "_1", kLeftover};
    return one;
}

}  // namespace

std::vector<E2eCase> overlapCases(const E2eEnvironment& environment) {
    const std::string entry = isrelocUninstallCommand(environment, kRelocated, kGuid) + " -silent";
    const auto relocate = [&environment](CaseContext& context) {
        const ChildOutcome first = runAnsweringBoxes(environment.programPath("isreloc.exe"),
                                                     installLine(environment, kRelocated), 60000);
        context.expect(first.exitCode == 0 && subkeysUnder(kRelocated) > kBulkSubkeys, "the first install failed");
    };
    // Each point of a move at which a run is cut short: the copy begun, half done, the source's
    // removal begun.
    const std::vector<std::pair<std::string, std::function<bool(const std::string&, const std::string&)>>> points = {
        {"as its copy begins", [](const std::string&, const std::string& to) { return subkeysUnder(to) > 0; }},
        {"half-way through its copy",
         [](const std::string&, const std::string& to) { return subkeysUnder(to) > kBulkSubkeys / 2; }},
        {"while it erases the source",
         [](const std::string& from, const std::string&) { return subkeysUnder(from) < kBulkSubkeys; }},
    };
    std::vector<E2eCase> cases;
    for (int round = 1; round <= kRepeats; ++round) {
        const std::string time = " (" + std::to_string(round) + " of " + std::to_string(kRepeats) + ")";
        for (const auto& at : points) {
            const std::string& point = at.first;
            const auto reached = at.second;
            cases.push_back(overlapCase("install killed " + point + ", then install again: the product once" + time,
                                        environment, kRelocated, false,
                                        [=, &environment](CaseContext&, UniqueKernelHandle& run) {
                                            run = start(environment, installLine(environment, kRelocated));
                                            killWhen(run, [&] { return reached(kGuid, kRelocated); });
                                        }));
            cases.push_back(overlapCase("uninstall killed " + point + ", then install again: the product once" + time,
                                        environment, kRelocated, false,
                                        [=, &environment](CaseContext& context, UniqueKernelHandle& run) {
                                            relocate(context);
                                            run = start(environment, entry);
                                            killWhen(run, [&] { return reached(kRelocated, kGuid); });
                                        }));
        }
        for (const bool leftover : {false, true}) {
            const std::string target = leftover ? kLeftover : kRelocated;
            cases.push_back(overlapCase(std::string("two installs at once") + (leftover ? ", a leftover under the target" : "") + time,
                                        environment, target, leftover,
                                        [=, &environment](CaseContext& context, UniqueKernelHandle& first) {
                                            first = start(environment, installLine(environment, target));
                                            context.expect(first.get() != nullptr, "the first install did not start");
                                        }));
        }
        cases.push_back(overlapCase("install during an uninstall's copy: it waits, then relocates the product" + time,
                                    environment, kRelocated, false,
                                    [=, &environment](CaseContext& context, UniqueKernelHandle& uninstall) {
                                        relocate(context);
                                        uninstall = start(environment, entry);
                                        waitFor(uninstall.get(), [] { return subkeysUnder(kGuid) > 0; });
                                    }));
    }
    return cases;
}
