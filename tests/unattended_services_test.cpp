#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "no_file_services.h"
#include "platform/services/unattended_services.h"

namespace {

struct StartRow {
    const char* name;
    bool wait;
    bool wide;  // the product's stored command, or else the -runfile program
    std::vector<std::string> started;
    std::vector<std::string> waited;
};

const StartRow kStartRows[] = {
    {"the product's command", false, true, {"setup.exe -l0x0409 -s -f1\"C:\\a  b.iss\""}, {}},
    {"the run file", false, false, {"setup.exe -l0x0409 -s -f1\"C:\\a  b.iss\""}, {}},
    {"the product's command, waited for", true, true, {}, {"setup.exe -l0x0409 -s -f1\"C:\\a  b.iss\""}},
    {"the run file, waited for", true, false, {}, {"setup.exe -l0x0409 -s -f1\"C:\\a  b.iss\""}},
};

TEST(UnattendedServices, StartWithTheArgumentsAfterTheEndOfOptionsAndWaitWhenAsked) {
    for (const StartRow& row : kStartRows) {
        SCOPED_TRACE(row.name);
        NoFileServices system;
        system.scriptLaunchOutcome({true, 3010});
        RunLog log(system, "");
        UnattendedServices services(system, log, {true, row.wait, "-s -f1\"C:\\a  b.iss\""});
        if (row.wide)
            services.launchWideCommand(u"setup.exe -l0x0409");
        else
            services.launchCommand("setup.exe -l0x0409");
        EXPECT_EQ(system.launchedCommands(), row.started);
        EXPECT_EQ(system.waitedCommands(), row.waited);
        EXPECT_EQ(services.waitedLaunch().has_value(), row.wait);
        if (row.wait) {
            EXPECT_EQ(services.waitedLaunch()->exitCode, 3010u);
        }
    }
}

TEST(UnattendedServices, AWaitedProgramThatCannotStartIsAnErrorBox) {
    NoFileServices system;
    system.scriptLaunchOutcome({false, 0});
    RunLog log(system, "");
    UnattendedServices services(system, log, {false, true, ""});
    services.launchWideCommand(u"missing.exe");
    EXPECT_EQ(services.boxCaptions(), std::vector<std::string>{kStartFailedCaption});
    EXPECT_EQ(system.messages().size(), 1u);
}

}  // namespace
