// The whole run as the process makes it, on the Linux machine of the mode tests: switches, log,
// boxes shown or not, registry calls logged, exit code.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/process.h"
#include "mode_fixture.h"

namespace {

const std::string kGuid = kProductGuid;
const std::string kTarget0 = "My_Instance";  // a relocated name in its own letter case
const char* const kLog = "C:\\Logs\\run.log";
const std::string kLogSwitch = std::string(" -log\"") + kLog + "\"";

void reportForTests(std::exception_ptr, Services& services) {
    services.showMessage("report", "Application Error", kTaskModalError);
}

// A mode machine that runs the whole process.
class ProcessMachine : public ModeMachine {
public:
    uint32_t run(const std::string& arguments) {
        FixedCommandLine commandLine(std::string("\"") + kOwnPath + "\" " + arguments, kOwnPath);
        return runProcess(commandLine, services, registry, reportForTests);
    }
    bool logHolds(const std::string& text) const { return services.appended(kLog).find(text) != std::string::npos; }
};

class ProcessRun : public ::testing::Test, public ProcessMachine {};

struct BoxRow {
    const char* name;
    std::function<void(ProcessMachine&)> prepare;
    bool interactiveStation;
    std::string arguments;
    std::string caption;
    bool shown;
    uint32_t exitCode;
};

TEST_F(ProcessRun, EachBoxIsShownOrLoggedAndEndsWithItsExitCode) {
    const auto relocated = [](ProcessMachine& machine) {
        machine.installProduct();
        machine.runInstall("-hwnd0 -guid" + kGuid);
    };
    const auto programFilesDword = [](ProcessMachine& machine) {
        machine.setValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", kRegDword, {1, 0, 0, 0});
    };
    const auto busy = [](ProcessMachine& machine) {
        machine.installProduct();
        machine.services.scriptMoveLock(MoveLockGrant::Answer::busy);
    };
    const std::vector<BoxRow> rows = {
        {"seen, as always", nullptr, true, "-uninstall", "Insufficient Commandline", true, 0},
        {"-silent: a refused command line", nullptr, true, "-uninstall -silent" + kLogSwitch, "Insufficient Commandline",
         false, 1639},
        {"no one can see the station: as -silent", nullptr, false, "-uninstall" + kLogSwitch, "Insufficient Commandline",
         false, 1639},
        {"a -guid after -- is not an option", nullptr, true, "-uninstall -silent" + kLogSwitch + " -- -guid" + kTarget0,
         "Insufficient Commandline", false, 1639},
        {"-silent: a -timeout that is no number refuses the command line", nullptr, true,
         "-uninstall -silent -timeout\"2s\"" + kLogSwitch, "Incorrect format", false, 1639},
        {"-silent: the directory in the way is a failure", relocated, true,
         "-uninstall -guid" + kTarget0 + " -tguid" + kTarget0 + " -silent" + kLogSwitch, "Directory Error", false, 1603},
        {"-wait with the box seen: the exit code still tells", relocated, true,
         "-uninstall -guid" + kTarget0 + " -tguid" + kTarget0 + " -wait" + kLogSwitch, "Directory Error", true, 1603},
        {"-silent: another run keeps the lock on moves: 1618, which engines retry", busy, true,
         "-hwnd0 -silent -guid" + kGuid + kLogSwitch, "Relocation Error", false, 1618},
        {"seen failure report: exit 1", programFilesDword, true, "-hwnd0 -guid" + kGuid, "Application Error", true, 1},
        {"-silent failure report: 1603", programFilesDword, true, "-hwnd0 -silent -guid" + kGuid + kLogSwitch,
         "Application Error", false, 1603},
    };
    for (const BoxRow& row : rows) {
        SCOPED_TRACE(row.name);
        ProcessMachine machine;
        if (row.prepare) row.prepare(machine);
        machine.services.scriptInteractiveWindowStation(row.interactiveStation);
        const std::size_t boxesBefore = machine.services.messages().size();
        EXPECT_EQ(machine.run(row.arguments), row.exitCode);
        const auto& messages = machine.services.messages();
        ASSERT_EQ(messages.size(), boxesBefore + (row.shown ? 1 : 0));
        if (row.shown) {
            EXPECT_EQ(messages.back().caption, row.caption);
        }
        if (row.arguments.find(kLogSwitch) != std::string::npos) {
            EXPECT_TRUE(machine.logHolds("box \"" + row.caption + "\"" + (row.shown ? ": " : " (not shown): ")));
            EXPECT_TRUE(machine.logHolds("exit code " + std::to_string(row.exitCode) + "\r\n"));
            EXPECT_EQ(machine.services.appendOpenings(), 1) << "the log is opened once for the whole run";
        }
        EXPECT_TRUE(machine.services.launchedCommands().empty());
        EXPECT_TRUE(machine.services.waitedCommands().empty());
    }
}

TEST_F(ProcessRun, ALogThatCannotBeWrittenChangesNothing) {
    services.failAppends();
    EXPECT_EQ(run("-uninstall -silent" + kLogSwitch), 1639u);
    EXPECT_TRUE(services.messages().empty());
}

// The scripted uninstaller removes nothing and returns 1602, as one the person cancels: it goes back, as spelt.
TEST_F(ProcessRun, AnUnattendedUninstallWaitsAndTellsTheUninstallersResult) {
    installProduct();
    runInstall("-hwnd0 -guid" + kGuid + " -tguid" + kTarget0);
    // The entry holds an engine's line, in a spelling isreloc runs as its own command.
    const std::string engineLine = "-Uninstall -guid" + kTarget0 + " /norestart -tguid\"" + kGuid + "\" -silent -wait -timeout3600" +
                                   kLogSwitch + " --  -s -f1\"C:\\Pkg\\un install.iss\"";
    setValue(kUninstallKey + kTarget0, "UninstallString", kRegSz, textBytes(std::string(kOwnPath) + " " + engineLine));
    const KeySnapshot relocated = productKey(kTarget0);
    services.scriptLaunchOutcome(LaunchOutcome::ended(1602));

    const uint32_t exitCode = run(engineLine);

    EXPECT_EQ(exitCode, 1602u);
    EXPECT_TRUE(services.messages().empty());
    EXPECT_EQ(productKey(kTarget0), relocated);
    EXPECT_FALSE(productKey(kGuid).exists);
    EXPECT_TRUE(fileExists(directory(kTarget0) + "\\setup.exe"));
    EXPECT_EQ(services.waitedCommands(),
              std::vector<std::string>{std::string(kProductCommand) + " -s -f1\"C:\\Pkg\\un install.iss\""});
    const std::string restoredKey = "HKEY_LOCAL_MACHINE\\" + std::string(kUninstallKey) + kGuid;
    for (const std::string& line : std::vector<std::string>{
             "boxes: not shown (-silent)", "found key HKEY_LOCAL_MACHINE\\" + std::string(kUninstallKey) + kTarget0,
          "moved folder " + directory(kTarget0) + " to " + directory(kGuid),
          "renamed key HKEY_LOCAL_MACHINE\\" + std::string(kUninstallKey) + kTarget0 + " to " + kGuid,
          "wrote " + restoredKey + " value \"UninstallString\" (REG_SZ): \"" + kProductCommand + "\"",
          std::string("ended with exit code 1602"),
          "moved folder " + directory(kGuid) + " to " + directory(kTarget0),
          std::string("exit code 1602\r\n")})
        EXPECT_TRUE(logHolds(line)) << line;
}

}  // namespace
