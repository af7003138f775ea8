#include <windows.h>

#include "e2e_case.h"
#include "fixture.h"
#include "run_log_check.h"

namespace {

const char* const kUsageText =
    "Commandline parameters:\r\n"
    "-hwnd\"<value>\" - pass the parent HWND parameter\r\n"
    "-guid\"<value>\" - pass the source GUID of the installation\r\n"
    "-tguid\"<value>\" - pass the target GUID of the installation\r\n"
    "-u[ninstall] - launch this executable in uninstallation mode";

const std::string kScratchKey = "SOFTWARE\\isreloc-e2e";

const ExpectedBox kUsageBox{"Commandline", kUsageText, IconExpectation::Shown};

// The fallback box for a failure before or after the report is available: no icon at all.
ExpectedBox fallbackBox() { return {"Error", std::string("Runtime error 217 at ") + kAnyHex8, IconExpectation::None}; }

ExpectedBox reportBox(const std::string& className, const std::string& offset, const std::string& secondLine) {
    return {"Application Error",
            "Exception " + className + " in module failure_probe.exe at " + offset + ".\r\n" + secondLine + "\r\n",
            IconExpectation::Shown};
}

std::string probeLogPath(const E2eEnvironment& environment) { return environment.scratchDirectory + "probe.log"; }

// The uninstaller stand-in writes where the case can read it back.
void pointProbeLogIntoScratch(CaseContext& context) {
    context.expect(SetEnvironmentVariableA("ISRELOC_PROBE_LOG", probeLogPath(context.environment()).c_str()) != 0,
                   "cannot set ISRELOC_PROBE_LOG");
}

std::vector<E2eCase> startupCases(const E2eEnvironment& environment) {
    return {
        {"no arguments: usage box, normal end", "isreloc.exe", environment.quotedProgram("isreloc.exe"),
         {kUsageBox}, 0, nullptr, nullptr},
    };
}

// The hooks' helpers against the real registry and file system, before any case leans on them.
void layOutMachine(CaseContext& context) {
    const std::string deeper = context.environment().scratchDirectory + "a b\\c\\";
    context.expect(writeMachineText(kScratchKey + "\\Sub\\Deeper", "UninstallString", "\"x y\" -u"),
                   "cannot write a text below " + kScratchKey);
    context.expect(writeMachineValue(kScratchKey, "Count", REG_DWORD, std::string("\x2A\0\0\0", 4)),
                   "cannot write a DWORD to " + kScratchKey);
    context.expect(makeDirectories(deeper), "cannot make " + deeper);
    context.expect(writeFileText(deeper + "setup.exe", "MZ"), "cannot write setup.exe");
}

void checkMachineLayout(CaseContext& context) {
    const std::string top = context.environment().scratchDirectory + "a b";
    context.expect(readMachineText(kScratchKey + "\\Sub\\Deeper", "UninstallString") == std::string("\"x y\" -u"),
                   "text not read back");
    const std::optional<RegistryValue> count = readMachineValue(kScratchKey, "Count");
    context.expect(count && count->type == REG_DWORD && count->data == std::string("\x2A\0\0\0", 4),
                   "DWORD not read back");
    context.expect(!readMachineText(kScratchKey, "Count"), "a DWORD read as text");
    context.expect(!readMachineText(kScratchKey, "Missing"), "a missing value read as text");
    context.expect(deleteMachineKeyTree(kScratchKey) && !machineKeyExists(kScratchKey + "\\Sub"),
                   "key tree not deleted");
    context.expect(fileExists(top + "\\c\\setup.exe") && !fileExists(top) && directoryExists(top),
                   "file and directory tests disagree with the layout");
    context.expect(removeDirectoryTree(top) && !directoryExists(top), "directory tree not removed");
}

// The stand-ins the later cases rely on must themselves be right.
std::vector<E2eCase> probeCases(const E2eEnvironment& environment) {
    const std::string probeLine = environment.quotedProgram("probe.exe") + " -guid\"{A B}\"  two  spaces ";
    return {
        {"hook helpers lay out and read back registry and files", "probe.exe", environment.quotedProgram("probe.exe"),
         {}, 0, layOutMachine, checkMachineLayout},
        {"probe records its exact command line", "probe.exe", probeLine, {}, 0, pointProbeLogIntoScratch,
         [probeLine](CaseContext& context) {
             const std::vector<std::string> lines = readFileLines(probeLogPath(context.environment()));
             std::string recorded;
             for (const std::string& line : lines) recorded += "[" + line + "]";
             context.expect(lines == std::vector<std::string>{probeLine},
                            "probe.log holds " + recorded + ", expected [" + probeLine + "]");
         }},
    };
}

std::vector<E2eCase> failureCases(const E2eEnvironment& environment) {
    const std::string program = environment.quotedProgram("failure_probe.exe");
    return {
        {"string table holds the report texts", "failure_probe.exe", program + " string-table",
         {{"String table", "Exception %s in module %s at %p.\r\n%s%s\r\n|Application Error", IconExpectation::Any}},
         0, nullptr, nullptr},
        {"unhandled failure: report box, exit 1", "failure_probe.exe", program + " report",
         {reportBox("EProbeFailure", kAnyHex8, "Raised on purpose by the failure probe.")}, 1, nullptr, nullptr},
        {"exhausted heap: report against the program itself", "failure_probe.exe", program + " out-of-memory",
         {reportBox("EOutOfMemory", "00000000", "Out of memory.")}, 1, nullptr, nullptr},
        {"failure before the entry point: fallback box, exit 217", "failure_probe.exe", program + " static-init",
         {fallbackBox()}, 217, nullptr, nullptr},
        {"failure escaping the entry point: fallback box, exit 217", "failure_probe.exe", program + " escape",
         {fallbackBox()}, 217, nullptr, nullptr},
        {"failure escaping a -silent run: no box, the fallback text in the log, exit 1603", "failure_probe.exe",
         program + " silent-escape", {}, 1603,
         [](CaseContext& context) {
             context.expect(SetEnvironmentVariableA("ISRELOC_FAILURE_LOG", runLogPath(context.environment()).c_str()) != 0,
                            "cannot set ISRELOC_FAILURE_LOG");
         },
         [](CaseContext& context) {
             expectLoggedBox(context, fallbackBox(), false);
             expectLoggedExitCode(context, 1603);
         }},
    };
}

}  // namespace

std::vector<E2eCase> allCases(const E2eEnvironment& environment) {
    std::vector<E2eCase> cases;
    // These lay out no product, and a run of theirs may change nothing of one.
    for (auto group : {startupCases, probeCases, failureCases})
        for (E2eCase& one : group(environment)) {
            one.runNames = std::vector<std::string>{};
            cases.push_back(std::move(one));
        }
    for (auto group : {installModeCases, roundTripCases, modeBoxCases, badInputCases, unattendedCases, instanceCases,
                       overlapCases})
        for (E2eCase& one : group(environment)) cases.push_back(std::move(one));
    return cases;
}

bool boxTextMatches(const std::string& expected, const std::string& actual) {
    const std::string hole = kAnyHex8;
    std::size_t at = 0;  // in actual
    for (std::size_t from = 0; from < expected.size();) {
        if (expected.compare(from, hole.size(), hole) == 0) {
            if (actual.size() < at + 8) return false;
            for (std::size_t digit = at; digit < at + 8; ++digit)
                if (!((actual[digit] >= '0' && actual[digit] <= '9') || (actual[digit] >= 'A' && actual[digit] <= 'F')))
                    return false;
            at += 8;
            from += hole.size();
        } else {
            if (at >= actual.size() || actual[at] != expected[from]) return false;
            ++at;
            ++from;
        }
    }
    return at == actual.size();
}
