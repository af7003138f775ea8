#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "no_file_services.h"
#include "platform/services/unattended_services.h"

namespace {

enum class Start { ansi, wide, waited };

struct StartRow {
    const char* name;
    Start start;
    std::vector<std::string> started;
    std::vector<std::string> waited;
};

const StartRow kStartRows[] = {
    {"the product's command", Start::wide, {"setup.exe -l0x0409 -s -f1\"C:\\a  b.iss\""}, {}},
    {"the run file", Start::ansi, {"setup.exe -l0x0409 -s -f1\"C:\\a  b.iss\""}, {}},
    {"a command waited for", Start::waited, {}, {"setup.exe -l0x0409 -s -f1\"C:\\a  b.iss\""}},
};

TEST(UnattendedServices, StartWithTheArgumentsAfterTheEndOfOptions) {
    for (const StartRow& row : kStartRows) {
        SCOPED_TRACE(row.name);
        NoFileServices system;
        system.scriptLaunchOutcome(LaunchOutcome::ended(3010));
        RunLog log(system, "");
        UnattendedServices services(system, log, {true, row.start == Start::waited, "-s -f1\"C:\\a  b.iss\""});
        if (row.start == Start::wide)
            services.launchWideCommand(u"setup.exe -l0x0409");
        else if (row.start == Start::ansi)
            services.launchCommand("setup.exe -l0x0409");
        else
            services.launchAndWait(u"setup.exe -l0x0409", std::nullopt);
        EXPECT_EQ(system.launchedCommands(), row.started);
        EXPECT_EQ(system.waitedCommands(), row.waited);
        EXPECT_EQ(services.waitedLaunch().has_value(), row.start == Start::waited);
        if (row.start == Start::waited) {
            EXPECT_EQ(services.waitedLaunch()->exitCode, 3010u);
        }
    }
}

TEST(UnattendedServices, AWaitedProgramThatCannotStartIsAnErrorBox) {
    NoFileServices system;
    system.scriptLaunchOutcome(LaunchOutcome{});
    RunLog log(system, "");
    UnattendedServices services(system, log, {false, true, ""});
    services.launchAndWait(u"missing.exe", std::nullopt);
    EXPECT_EQ(services.boxCaptions(), std::vector<std::string>{kStartFailedCaption});
    EXPECT_EQ(system.messages().size(), 1u);
}

}  // namespace
