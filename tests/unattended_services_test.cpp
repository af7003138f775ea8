#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "no_file_services.h"
#include "platform/services/unattended_services.h"

namespace {

const char* const kLog = "C:\\Logs\\isreloc.log";
const char* const kStamp = "2024-03-09T14:05:07.042 ";  // RecordingServices' clock

struct BoxRow {
    const char* name;
    bool silent;
    bool interactiveStation;
    bool wait;
    bool shown;
    bool reportsResults;
};

const BoxRow kBoxRows[] = {
    {"someone at the screen sees the box", false, true, false, true, false},
    {"-silent shows none", true, true, false, false, true},
    {"a station no one can see shows none", false, false, false, false, true},
    {"-wait shows the box, and the exit code tells the result", false, true, true, true, true},
};

TEST(UnattendedServices, ShowBoxesOnlyWhereSomeoneCanAnswerAndLogEveryOne) {
    for (const BoxRow& row : kBoxRows) {
        SCOPED_TRACE(row.name);
        NoFileServices system;
        system.scriptInteractiveWindowStation(row.interactiveStation);
        RunLog log(system, kLog);
        UnattendedServices services(system, log, {row.silent, row.wait, ""});
        services.showMessage("Registry Error!\r\nUnable to find the uninstall key", "Registry Error", 0x2010);

        EXPECT_EQ(services.showsBoxes(), row.shown);
        EXPECT_EQ(services.reportsResults(), row.reportsResults);
        EXPECT_EQ(system.messages().size(), row.shown ? 1u : 0u);
        EXPECT_EQ(services.boxCaptions(), std::vector<std::string>{"Registry Error"});
        EXPECT_EQ(system.appended(kLog), std::string(kStamp) + "box \"Registry Error\"" + (row.shown ? "" : " (not shown)") +
                                             ": Registry Error!\r\n" + kStamp + "    Unable to find the uninstall key\r\n");
    }
}

TEST(UnattendedServices, StartWithTheArgumentsAfterTheEndOfOptions) {
    NoFileServices system;
    RunLog log(system, "");
    UnattendedServices services(system, log, {false, false, "-s -f1\"C:\\a b.iss\""});
    services.launchWideCommand(u"\"C:\\P\\setup.exe\" -runfromtemp");
    services.launchCommand("\"c:\\temp\\cleanup.exe\"");
    EXPECT_EQ(system.launchedCommands(), (std::vector<std::string>{"\"C:\\P\\setup.exe\" -runfromtemp -s -f1\"C:\\a b.iss\"",
                                                                   "\"c:\\temp\\cleanup.exe\" -s -f1\"C:\\a b.iss\""}));
    EXPECT_TRUE(system.waitedCommands().empty());
    EXPECT_FALSE(services.waitedLaunch().has_value());
}

TEST(UnattendedServices, WaitForTheStartedProgramAndKeepItsExitCode) {
    for (const bool wide : {true, false}) {
        NoFileServices system;
        system.scriptLaunchOutcome({true, 3010});
        RunLog log(system, kLog);
        UnattendedServices services(system, log, {true, true, "/s"});
        if (wide)
            services.launchWideCommand(u"setup.exe -l0x0409");
        else
            services.launchCommand("setup.exe -l0x0409");
        EXPECT_TRUE(system.launchedCommands().empty());
        EXPECT_EQ(system.waitedCommands(), std::vector<std::string>{"setup.exe -l0x0409 /s"});
        ASSERT_TRUE(services.waitedLaunch().has_value());
        EXPECT_EQ(services.waitedLaunch()->exitCode, 3010u);
        EXPECT_NE(system.appended(kLog).find("ended with exit code 3010\r\n"), std::string::npos);
    }
}

TEST(UnattendedServices, AWaitedProgramThatCannotStartIsAnError) {
    for (const bool silent : {false, true}) {
        NoFileServices system;
        system.scriptLaunchOutcome({false, 0});
        RunLog log(system, kLog);
        UnattendedServices services(system, log, {silent, true, ""});
        services.launchWideCommand(u"missing.exe");
        EXPECT_EQ(services.boxCaptions(), std::vector<std::string>{kStartFailedCaption});
        EXPECT_EQ(system.messages().size(), silent ? 0u : 1u);
        EXPECT_NE(system.appended(kLog).find(std::string("box \"") + kStartFailedCaption), std::string::npos);
    }
}

TEST(UnattendedServices, LogWhatWasLookedForAndMoved) {
    NoFileServices system;
    class FileAnswers : public ForwardingServices {
    public:
        using ForwardingServices::ForwardingServices;
        bool directoryProbe(const std::string& path) override { return path == "C:\\A"; }
        bool fileExists(const std::string&) override { return false; }
        bool moveDirectory(const std::string&, const std::string& newPath) override { return newPath == "C:\\B"; }
    } files(system);
    RunLog log(files, kLog);
    UnattendedServices services(files, log, {});
    services.directoryProbe("C:\\A");
    services.directoryProbe("C:\\B");
    services.fileExists("C:\\A\\setup.exe");
    services.moveDirectory("C:\\A", "C:\\B");
    services.moveDirectory("C:\\A", "C:\\C");
    const std::string s = kStamp;
    EXPECT_EQ(system.appended(kLog), s + "found folder C:\\A\r\n" + s + "no folder C:\\B\r\n" + s +
                                         "no file C:\\A\\setup.exe\r\n" + s + "moved folder C:\\A to C:\\B\r\n" + s +
                                         "could not move folder C:\\A to C:\\C\r\n");
}

}  // namespace
