// Runs cut short or overlapping on a product with a big key, on the real registry, each repeated
// to cover its window: the product ends whole, once, relocated, and nothing else changes.
#include <windows.h>

#include <functional>
#include <memory>

#include "product_fixture.h"
#include "unique_handle.h"

namespace {

const std::string kGuid = kProductGuid;
const std::string kLeftover = kGuid + "_X";
constexpr int kBulk = 12;  // subkeys of 100 values: a copy that takes a good part of a second under Wine

std::size_t subkeys(const std::string& name) { return machineSubkeyNames(uninstallKeyPath(name)).size(); }
// A move cut short is finished first, between the run's own names: the named target, or without
// one, the name the move went to or came from (else the first free name).
std::string install(const E2eEnvironment& environment, const std::string& target, bool named) {
    return environment.quotedProgram("isreloc.exe") + " -hwnd\"0\" -guid\"" + kGuid + "\" -silent" +
           (named ? " -tguid\"" + target + "\"" : "");
}

// A run started before the case's own and waited for until the point (or its end); killed there
// when asked, as by a power cut or an engine. One left running must end with 0.
struct EarlierRun {
    std::string line;
    std::function<bool()> point;
    bool killed;
};

UniqueKernelHandle start(const E2eEnvironment& environment, EarlierRun run) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(environment.programPath("isreloc.exe").c_str(), &run.line[0], nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &started))
        return UniqueKernelHandle();
    CloseHandle(started.hThread);
    UniqueKernelHandle process(started.hProcess);
    for (const DWORD begun = GetTickCount(); !run.point() && GetTickCount() - begun < 30000;)
        if (WaitForSingleObject(process.get(), 1) == WAIT_OBJECT_0) break;
    if (run.killed && TerminateProcess(process.get(), 9)) process.reset();
    return process;
}

E2eCase overlapCase(const std::string& name, const E2eEnvironment& environment, const std::string& target,
                    bool named, const std::vector<EarlierRun>& earlier) {
    const ProductCommand command = plainProductCommand(environment);
    auto running = std::make_shared<std::vector<UniqueKernelHandle>>();
    E2eCase one{name, "isreloc.exe", install(environment, target, named), {}, 0,
                [=](CaseContext& context) {
                    redirectMachine(context);
                    seedProductDirectory(context, kGuid);
                    seedProductKey(context, kGuid, productKeyTree(command, kBulk));
                    // A leftover install mode may replace: the product's display name alone.
                    if (target == kLeftover)
                        seedProductKey(context, target, {{L"", {*productKeyTree(command)[L""].find(L"DisplayName")}}});
                },
                [=](CaseContext& context) {
                    for (const UniqueKernelHandle& run : *running) {
                        DWORD code = 259;  // STILL_ACTIVE
                        if (run.get() && WaitForSingleObject(run.get(), 60000) == 0) GetExitCodeProcess(run.get(), &code);
                        context.expect(!run.get() || code == 0, "an earlier run ended with " + std::to_string(code));
                    }
                    for (const std::string& other : {kGuid, kGuid + "_0", kGuid + "_1", kLeftover})
                        if (other != target) expectNoKey(context, other), expectNoDirectory(context, other);
                    expectProductDirectory(context, target);
                    expectKeyTree(context, target,
                                  relocatedKeyTree(command, isrelocUninstallCommand(environment, target, kGuid), kBulk));
                },
                nullptr, restoreMachine};
    one.runFirst = [=](CaseContext& context) {
        for (const EarlierRun& run : earlier) running->push_back(start(context.environment(), run));
    };
    one.runNames = std::vector<std::string>{kGuid, kGuid + "_0", kGuid + "_1", kLeftover};
    return one;
}

}  // namespace

std::vector<E2eCase> overlapCases(const E2eEnvironment& environment) {
    const std::string relocated = kGuid + "_0";
    const EarlierRun relocate{install(environment, relocated, false), [] { return false; }, false};
    const std::string entry = isrelocUninstallCommand(environment, relocated, kGuid) + " -silent";
    // Where a move is cut short: its copy begun, half done, its source's removal begun.
    const std::vector<std::pair<std::string, std::function<bool(std::string, std::string)>>> points = {
        {"as its copy begins", [](std::string, std::string to) { return subkeys(to) > 0; }},
        {"half-way through its copy", [](std::string, std::string to) { return subkeys(to) > kBulk / 2; }},
        {"while it erases its source", [](std::string from, std::string) { return subkeys(from) < kBulk; }}};
    std::vector<E2eCase> cases;
    for (const std::string time : {" (1 of 3)", " (2 of 3)", " (3 of 3)"}) {
        for (const auto& [point, reached] : points) {
            const auto at = reached;
            // The setup that runs install mode again may name the target or leave it to isreloc.
            for (const bool named : {true, false}) {
                const std::string again = named ? ", then install again to it" : ", then install again without -tguid";
                cases.push_back(overlapCase("install killed " + point + again + time, environment, relocated, named,
                                            {{relocate.line, [at] { return at(kGuid, kGuid + "_0"); }, true}}));
                cases.push_back(overlapCase("uninstall killed " + point + again + time, environment, relocated, named,
                                            {relocate, {entry, [at] { return at(kGuid + "_0", kGuid); }, true}}));
            }
        }
        for (const std::string& target : {relocated, kLeftover})
            cases.push_back(overlapCase("two installs at once to " + target + time, environment, target,
                                        target == kLeftover,
                                        {{install(environment, target, target == kLeftover), [] { return true; }, false}}));
        cases.push_back(overlapCase("install during an uninstall's copy waits for it" + time, environment, relocated, false,
                                    {relocate, {entry, [] { return subkeys(kGuid) > 0; }, false}}));
    }
    return cases;
}
