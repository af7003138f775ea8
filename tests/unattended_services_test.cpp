#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "no_file_services.h"
#include "platform/services/unattended_services.h"

namespace {

enum class Start { started, waited };

// The tail an engine writes after "--", with a folder no ANSI code page holds ("Папка").
const std::u16string kTail = u"-s -f1\"C:\\\u041F\u0430\u043F\u043A\u0430\\a  b.iss\"";
const std::string kStartedAs = "setup.exe -l0x0409 -s -f1\"C:\\\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0\\a  b.iss\"";

TEST(UnattendedServices, StartWithTheArgumentsAfterTheEndOfOptionsAsWritten) {
    for (const Start start : {Start::started, Start::waited}) {
        SCOPED_TRACE(start == Start::waited ? "waited for" : "started");
        NoFileServices system;
        system.scriptLaunchOutcome(LaunchOutcome::ended(3010));
        RunLog log(system, u"");
        UnattendedServices services(system, log, {true, start == Start::waited, kTail});
        if (start == Start::started) {
            EXPECT_TRUE(services.launch(u"setup.exe -l0x0409"));
            EXPECT_EQ(system.launchedCommands(), std::vector<std::string>{kStartedAs});
        } else {
            EXPECT_EQ(services.launchAndWait(u"setup.exe -l0x0409", std::nullopt).exitCode, 3010u);
            EXPECT_EQ(system.waitedCommands(), std::vector<std::string>{kStartedAs});
        }
    }
}

TEST(UnattendedServices, AProgramThatCannotStartSaysSo) {
    NoFileServices system;
    system.scriptLaunchOutcome(LaunchOutcome{});
    RunLog log(system, u"C:\\run.log");
    UnattendedServices services(system, log, {false, true, u""});
    EXPECT_FALSE(services.launch(u"missing.exe"));
    EXPECT_FALSE(services.launchAndWait(u"missing.exe", std::nullopt).started);
    EXPECT_NE(system.appended("C:\\run.log").find("could not be started"), std::string::npos);
}

}  // namespace
