// Runs nobody watches, on the real program: a window station no one can see, -wait with an
// uninstaller that hands over to a child and ends while the child lingers, the bytes after "--",
// and switches that must not be set off by a path that merely holds their names.
#include <windows.h>

#include "fixture.h"
#include "key_tree.h"
#include "product_fixture.h"
#include "run_log_check.h"

namespace {

const std::string kGuid = kProductGuid;
const std::string kRelocatedName = kGuid + "_0";
// Longer than the probe's lingering child waits before it ends.
constexpr DWORD kChildGraceMilliseconds = 5000;

ExpectedBox errorBox(const std::string& caption, const std::string& text) {
    return {caption, text, IconExpectation::Shown};
}

const ExpectedBox kUninstallBoxA = errorBox(
    "Insufficient Commandline",
    "Insufficient commandline parameters!\r\nYou have to pass at least -uninstall and -guid\"<value>\" to this application!");
const ExpectedBox kStartFailedBox = errorBox("Launch Error", "Launch Error!\r\nUnable to start the uninstall command");

std::string uninstallOptions() { return " -uninstall -guid\"" + kRelocatedName + "\" -tguid\"" + kGuid + "\""; }

std::string systemDirectory() {
    char directory[MAX_PATH + 1] = "";
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    return std::string(directory, length <= MAX_PATH ? length : 0);
}

std::string withoutTrailingBackslash(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

void seedRelocated(CaseContext& context) {
    seedRelocatedProduct(context, plainProductCommand(context.environment()), kRelocatedName);
}

// The product as install mode left it, untouched, and nothing started.
void expectStillRelocated(CaseContext& context) {
    expectProductDirectory(context, kRelocatedName);
    expectKeyTree(context, kRelocatedName,
                  relocatedKeyTree(plainProductCommand(context.environment()),
                                   isrelocUninstallCommand(context.environment(), kRelocatedName, kGuid)));
    expectNoKey(context, kGuid);
    expectProbeLog(context, {});
}

// A copy of the probe in a folder of the scratch folder; its path.
std::string copyProbeInto(CaseContext& context, const std::string& folderName) {
    const std::string folder = context.environment().scratchDirectory + folderName;
    const std::string probe = folder + "\\probe.exe";
    context.expect(makeDirectories(folder) &&
                       CopyFileA(context.environment().programPath("probe.exe").c_str(), probe.c_str(), FALSE),
                   "cannot copy the probe to " + probe);
    return probe;
}

E2eCase lingeringChildCase(const E2eEnvironment& environment) {
    const std::string root = withoutTrailingBackslash(maintenanceRoot(environment));
    // Odd spacing and quotes: they must reach the uninstaller exactly as written.
    const std::string tail = "/exit:3010  /report-cwd /spawn-lingering \"/remove:" + root + "\"";
    E2eCase one{"-wait: isreloc ends after the uninstaller's lingering child, with the uninstaller's exit code",
                "isreloc.exe",
                environment.quotedProgram("isreloc.exe") + uninstallOptions() + " -silent -wait" + logSwitch(environment) +
                    " --   " + tail,
                {},
                3010,
                seedRelocated,
                [tail, root](CaseContext& context) {
                    // Read at once: whatever the child did after isreloc had ended would not be there.
                    const std::vector<std::string> lines =
                        readFileLines(context.environment().scratchDirectory + "probe.log");
                    const std::string cwd = "cwd " + systemDirectory();
                    // Started in the system directory; and isreloc, started inside the maintenance
                    // root, held nothing there while it waited, so the child could remove it.
                    const bool asExpected = lines.size() == 4 &&
                                            lines[0] == plainProductCommand(context.environment()).startedAs + " " + tail &&
                                            lstrcmpiA(lines[1].c_str(), cwd.c_str()) == 0 &&
                                            lines[2] == "removed " + root && lines[3] == "lingering child ended";
                    std::string shown;
                    for (const std::string& line : lines) shown += "[" + line + "]";
                    context.expect(asExpected, "when isreloc ended, the probe had recorded " + shown);
                    expectKeyTree(context, kGuid, productKeyTree(plainProductCommand(context.environment())));
                    expectNoKey(context, kRelocatedName);
                    expectLoggedKeyMove(context, kGuid);
                    expectLoggedExitCode(context, 3010);
                },
                nullptr,
                nullptr};
    one.startDirectory = maintenanceRoot(environment);
    one.uninstallerRemovesMaintenanceRoot = true;
    // Should isreloc end too early, the child must not write into the next case's scratch folder.
    one.cleanup = [](CaseContext& context) {
        const std::string probeLog = context.environment().scratchDirectory + "probe.log";
        const DWORD start = GetTickCount();
        while (readFileLines(probeLog).size() == 2 && GetTickCount() - start < kChildGraceMilliseconds) Sleep(100);
        restoreMachine(context);
    };
    return one;
}

// The product's command names a program that is not there: the Launch Error box, shown or only
// logged, and 1603 whether or not the run waits.
E2eCase cannotStartCase(const E2eEnvironment& environment, const std::string& name, const std::string& switches,
                        bool boxShown) {
    return {name, "isreloc.exe",
            environment.quotedProgram("isreloc.exe") + uninstallOptions() + switches + logSwitch(environment),
            boxShown ? std::vector<ExpectedBox>{kStartFailedBox} : std::vector<ExpectedBox>{}, 1603,
            [](CaseContext& context) {
                const std::string missing = "\"" + context.environment().scratchDirectory + "missing\\setup.exe\" -x";
                seedRelocatedProduct(context, {REG_SZ, widenAnsi(missing), ""}, kRelocatedName);
            },
            [boxShown](CaseContext& context) {
                expectLoggedBox(context, kStartFailedBox, boxShown);
                expectLoggedExitCode(context, 1603);
            },
            nullptr, restoreMachine};
}

// "Журнал 日志", "C:\Папка\файл 工具.txt": texts no single ANSI code page holds, in UTF-8.
const std::string kForeignLogName = "\xD0\x96\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB \xE6\x97\xA5\xE5\xBF\x97.log";
const std::string kForeignTail = "/p \"C:\\\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0\\\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB "
                                 "\xE5\xB7\xA5\xE5\x85\xB7.txt\"";

// The whole file at a path in UTF-8; empty when it cannot be read.
std::string fileAtUtf8Path(const std::string& path) {
    const HANDLE file = CreateFileW(widenUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "";
    std::string contents;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) contents.append(buffer, read);
    CloseHandle(file);
    return contents;
}

// A run file, a log path and the product's arguments after "--", each holding characters outside
// every single ANSI code page, reach the program, the log and the started program exactly.
E2eCase foreignTextsCase(const E2eEnvironment& environment) {
    const std::string probe = utf8Of(foreignPathProductCommand(environment).text.substr(1)).substr(
        0, utf8Of(foreignPathProductCommand(environment).text.substr(1)).find('"'));
    const std::string log = environment.scratchDirectory + kForeignLogName;
    E2eCase one{"texts outside the ANSI code page arrive as written: the run file, the log path, the -- tail",
                "isreloc.exe",
                environment.quotedProgram("isreloc.exe") + uninstallOptions() + " -silent -runfile\"" + probe +
                    "\" -log\"" + log + "\" -- " + kForeignTail,
                {},
                0,
                [](CaseContext& context) {
                    seedRelocated(context);
                    copyProbeToForeignPath(context);
                },
                [probe, log](CaseContext& context) {
                    expectProbeLog(context, {"\"" + probe + "\" " + kForeignTail});
                    context.expect(fileAtUtf8Path(log).find("exit code 0\r\n") != std::string::npos,
                                   "no log ending with exit code 0 at " + log);
                },
                nullptr,
                restoreMachine};
    one.utf8CommandLine = true;
    return one;
}

}  // namespace

std::vector<E2eCase> unattendedCases(const E2eEnvironment& environment) {
    std::vector<E2eCase> cases = {
        {"unseen window station: no usage box, a refused command line", "isreloc.exe",
         environment.quotedProgram("isreloc.exe"), {}, 1639, nullptr, nullptr},
        {"unseen window station: the directory box is only logged, exit 1603", "isreloc.exe",
         environment.quotedProgram("isreloc.exe") + uninstallOptions() + logSwitch(environment), {}, 1603,
         [](CaseContext& context) {
             seedRelocated(context);
             context.expect(makeDirectories(maintenanceRoot(context.environment()) + kGuid), "cannot make " + kGuid);
         },
         [](CaseContext& context) {
             expectLoggedBox(context,
                             errorBox("Directory Error",
                                      "Directory Error!\r\nUninstallation cannot proceed, the \"" +
                                          maintenanceRoot(context.environment()) + kGuid +
                                          "\" directory exists! Check if it is empty and delete it if it is. Then "
                                          "retry the uninstall"),
                             false);
             expectLoggedExitCode(context, 1603);
             expectStillRelocated(context);
         },
         nullptr, restoreMachine},
        lingeringChildCase(environment),
        {"nothing after -- is an option, not even -guid", "isreloc.exe",
         environment.quotedProgram("isreloc.exe") + " -uninstall -silent" + logSwitch(environment) + " -- -guid\"" +
             kRelocatedName + "\" -tguid\"" + kGuid + "\"",
         {}, 1639, seedRelocated,
         [](CaseContext& context) {
             expectLoggedBox(context, kUninstallBoxA, false);
             expectStillRelocated(context);
         },
         nullptr, restoreMachine},
        {"a -runfile path holding -silent does not silence the run", "isreloc.exe",
         environment.quotedProgram("isreloc.exe") + " -uninstall -runfile\"" + environment.scratchDirectory +
             "a -silent\\probe.exe\"",
         {kUninstallBoxA}, 0, nullptr, nullptr},
        {"a -runfile path holding -wait does not make the run wait; it starts in the system directory", "isreloc.exe",
         "", {}, 0,
         [](CaseContext& context) {
             seedRelocated(context);
             const std::string probe = copyProbeInto(context, "b -wait");
             context.runInstead(context.environment().programPath("isreloc.exe"),
                                context.environment().quotedProgram("isreloc.exe") + uninstallOptions() +
                                    " -runfile\"" + probe + "\" -- /exit:7 /report-cwd");
         },
         [](CaseContext& context) {
             const std::string probe = context.environment().scratchDirectory + "b -wait\\probe.exe";
             expectProbeLog(context, {"\"" + probe + "\" /exit:7 /report-cwd", "cwd " + systemDirectory()});
             expectKeyTree(context, kGuid, productKeyTree(plainProductCommand(context.environment())));
         },
         nullptr, restoreMachine},
        cannotStartCase(environment, "-wait: an uninstall command that cannot start is an error", " -wait", true),
        cannotStartCase(environment, "-silent without -wait: a command that cannot start is an error too, 1603, never 0",
                        " -silent", false),
        foreignTextsCase(environment),
    };
    cases[0].unseenWindowStation = true;
    cases[1].unseenWindowStation = true;
    // Refused command lines and boxes: the machine stays as it was.
    for (const std::size_t refused : {0, 1, 3, 4}) cases[refused].runNames = std::vector<std::string>{};
    return cases;
}
