// Runs each end-to-end case against the real programs in this folder under the real system (or
// Wine): one PASS/FAIL/KNOWN FAULT line per case, then "N passed, M failed, K known faults";
// exits non-zero on any failure.
//   e2e_driver [--allow-missing FILE]...   cases of a program not built yet are skipped
#include <windows.h>

#include <cstdio>
#include <functional>
#include <set>

#include "child_process.h"
#include "e2e_case.h"
#include "fixture.h"
#include "key_tree.h"
#include "machine_snapshot.h"
#include "product_fixture.h"
#include "unseen_station.h"

namespace {

// The longest a case may take: the tool's fixed parent wait is 15 s, and Wine starts slowly.
constexpr uint32_t kCaseTimeoutMilliseconds = 60000;

std::string ownDirectory() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.rfind('\\') + 1);
}

std::string scratchDirectory() {
    char temporary[MAX_PATH + 1] = "";
    const DWORD length = GetTempPathA(sizeof temporary, temporary);
    std::string directory = length > 0 && length < sizeof temporary ? temporary : "C:\\";
    if (directory.back() != '\\') directory += '\\';
    return directory + "isreloc-e2e\\";
}

// Box texts shown with their line ends visible, so a missing CR stands out.
std::string visible(const std::string& text) {
    std::string shown;
    for (const unsigned char c : text) {
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        } else {
            shown += static_cast<char>(c);
        }
    }
    return "\"" + shown + "\"";
}

void compareBoxes(CaseContext& context, const std::vector<ExpectedBox>& expected,
                  const std::vector<ObservedBox>& observed) {
    context.expect(observed.size() == expected.size(), std::to_string(expected.size()) + " box(es) expected, " +
                                                           std::to_string(observed.size()) + " shown");
    for (std::size_t at = 0; at < observed.size(); ++at) {
        const std::string where = "box " + std::to_string(at + 1) + ": ";
        if (at >= expected.size()) {
            context.expect(false, where + "unexpected " + visible(observed[at].caption) + " " +
                                      visible(observed[at].text));
            continue;
        }
        context.expect(observed[at].caption == expected[at].caption,
                       where + "caption " + visible(observed[at].caption) + ", expected " +
                           visible(expected[at].caption));
        context.expect(boxTextMatches(expected[at].text, observed[at].text),
                       where + "text " + visible(observed[at].text) + ", expected " + visible(expected[at].text));
        if (expected[at].icon != IconExpectation::Any)
            context.expect(observed[at].iconShown == (expected[at].icon == IconExpectation::Shown),
                           where + (observed[at].iconShown ? "an icon shown, none expected" : "no icon shown"));
    }
}

// A program named by a full path runs from there (Wine's own programs); any other from the bin folder.
std::string programPath(const std::string& program, const E2eEnvironment& environment) {
    const bool fullPath = program.find(':') != std::string::npos || program.rfind("\\\\", 0) == 0;
    return fullPath ? program : environment.programPath(program);
}

enum class CaseResult { passed, failed, knownFault };

// Starts the case's program and compares what it showed and how it ended; false when it did not start.
bool runProgram(const E2eCase& one, CaseContext& context) {
    std::function<void(uint32_t)> whileRunning;
    if (one.whileRunning) whileRunning = [&one, &context](uint32_t elapsed) { one.whileRunning(context, elapsed); };
    StartPlace place{one.startDirectory, ""};
    if (one.desktopOfItsOwn) place.desktop = desktopOfItsOwn();
    if (one.unseenWindowStation) {
        place.desktop = unseenDesktop();
        context.expect(!place.desktop.empty(), "cannot make a window station no one can see");
    }
    const ChildOutcome outcome =
        one.utf8CommandLine
            ? runAnsweringBoxes(widenUtf8(context.applicationPath()), widenUtf8(context.commandLine()),
                                kCaseTimeoutMilliseconds)
            : runAnsweringBoxes(context.applicationPath(), context.commandLine(), kCaseTimeoutMilliseconds,
                                whileRunning, place);
    if (!context.expect(outcome.started, "not started: " + outcome.startError)) return false;
    compareBoxes(context, one.boxes, outcome.boxes);
    context.expect(!outcome.timedOut, "still running after " + std::to_string(kCaseTimeoutMilliseconds) + " ms: killed");
    if (!outcome.timedOut)
        context.expect(outcome.exitCode == one.exitCode,
                       "exit code " + std::to_string(outcome.exitCode) + ", expected " + std::to_string(one.exitCode));
    return true;
}

// Every run, whatever its case looks at, leaves the machine outside its names as it found it.
void expectNothingElseChanged(const E2eCase& one, CaseContext& context, const MachineSnapshot& before) {
    const RunScope scope{one.runNames.value_or(productRunNames()), one.uninstallerRemovesMaintenanceRoot};
    for (const std::string& change : changesOutside(before, takeMachineSnapshot(context.environment()), scope))
        context.expect(false, change);
}

// Its failures are printed below its line.
CaseResult runCase(const E2eCase& one, const E2eEnvironment& environment) {
    CaseContext context(environment, programPath(one.program, environment), one.commandLine);
    context.expect(removeDirectoryTree(environment.scratchDirectory) && makeDirectories(environment.scratchDirectory),
                   "cannot empty the scratch directory " + environment.scratchDirectory);
    if (one.prepare) one.prepare(context);
    if (context.failures().empty()) {
        const MachineSnapshot before = takeMachineSnapshot(environment);
        if (one.runFirst) one.runFirst(context);
        const bool ran = context.failures().empty() && runProgram(one, context);
        expectNothingElseChanged(one, context, before);
        if (ran && one.verify) one.verify(context);
    }
    // Told before the machine is put back: a run that broke the registry can bring Wine's server
    // down while its keys are deleted, and what the case found must be in the output by then.
    const bool passed = context.failures().empty();
    if (one.knownFault.empty()) {
        std::printf("%s %s\n", passed ? "PASS" : "FAIL", one.name.c_str());
    } else if (passed) {
        std::printf("FAIL %s\n    passes now: remove its known-fault mark (%s)\n", one.name.c_str(),
                    one.knownFault.c_str());
    } else {
        std::printf("KNOWN FAULT %s\n    %s\n", one.name.c_str(), one.knownFault.c_str());
    }
    for (const std::string& failure : context.failures()) std::printf("    %s\n", failure.c_str());
    std::fflush(stdout);
    const std::size_t failuresBeforeCleanup = context.failures().size();
    if (one.cleanup) one.cleanup(context);
    if (context.failures().size() > failuresBeforeCleanup) {
        std::printf("FAIL %s: the machine is not as it was\n", one.name.c_str());
        for (std::size_t at = failuresBeforeCleanup; at < context.failures().size(); ++at)
            std::printf("    %s\n", context.failures()[at].c_str());
        std::fflush(stdout);
        return CaseResult::failed;
    }
    if (!one.knownFault.empty() && !passed) return CaseResult::knownFault;
    return passed == one.knownFault.empty() ? CaseResult::passed : CaseResult::failed;
}

}  // namespace

int main(int argc, char** argv) {
    std::set<std::string> mayBeMissing;
    std::string only;  // runs only the cases whose name holds this text
    for (int at = 1; at < argc; ++at) {
        if (std::string(argv[at]) == "--allow-missing" && at + 1 < argc) {
            mayBeMissing.insert(argv[++at]);
        } else if (std::string(argv[at]) == "--only" && at + 1 < argc) {
            only = argv[++at];
        } else {
            std::printf("usage: e2e_driver [--allow-missing FILE]... [--only TEXT]\n");
            return 2;
        }
    }
    const E2eEnvironment environment{ownDirectory(), scratchDirectory()};
    int passed = 0;
    int failed = 0;
    int knownFaults = 0;
    for (const E2eCase& one : allCases(environment)) {
        if (one.name.find(only) == std::string::npos) continue;
        if (mayBeMissing.count(one.program) != 0 && !fileExists(environment.programPath(one.program))) {
            std::printf("SKIP %s (%s not built)\n", one.name.c_str(), one.program.c_str());
            continue;
        }
        const CaseResult result = runCase(one, environment);
        ++(result == CaseResult::passed ? passed : result == CaseResult::failed ? failed : knownFaults);
    }
    removeDirectoryTree(environment.scratchDirectory);
    std::printf("%d passed, %d failed, %d known faults\n", passed, failed, knownFaults);
    return failed == 0 ? 0 : 1;
}
