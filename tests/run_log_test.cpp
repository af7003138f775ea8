#include <gtest/gtest.h>

#include <string>

#include "no_file_services.h"
#include "platform/services/run_log.h"

namespace {

const char* const kLog = "C:\\Logs\\isreloc.log";

TEST(RunLog, StampsEveryLineAndIndentsTheLaterLinesOfAText) {
    NoFileServices system;
    system.scriptLocalTime({2025, 1, 2, 3, 4, 5, 6});
    RunLog log(system, kLog);
    log.write("box \"Directory Error\": Directory Error!\r\nUnable to restore\nthe directory");
    log.write("exit code 1603");
    EXPECT_EQ(system.appended(kLog),
              "2025-01-02T03:04:05.006 box \"Directory Error\": Directory Error!\r\n"
              "2025-01-02T03:04:05.006     Unable to restore\r\n"
              "2025-01-02T03:04:05.006     the directory\r\n"
              "2025-01-02T03:04:05.006 exit code 1603\r\n");
}

TEST(RunLog, WritesEightBitTextAsUtf8) {
    NoFileServices system;  // its ANSI code page is Latin-1
    system.scriptLocalTime({2025, 12, 31, 23, 59, 58, 999});
    RunLog log(system, kLog);
    log.writeAnsi("found folder C:\\Programme\\Gr\xfc\xdf""e");
    EXPECT_EQ(system.appended(kLog), "2025-12-31T23:59:58.999 found folder C:\\Programme\\Gr\xc3\xbc\xc3\x9f""e\r\n");
}

TEST(RunLog, WithoutAPathOrAWritableFileNothingHappens) {
    NoFileServices system;
    RunLog none(system, "");
    none.write("nothing");
    EXPECT_FALSE(none.kept());
    EXPECT_EQ(system.appended(""), "");

    system.failAppends();
    RunLog unwritable(system, kLog);
    unwritable.write("lost");  // neither raises nor stops the run
    EXPECT_EQ(system.appended(kLog), "");
}

}  // namespace
