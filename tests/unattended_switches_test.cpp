#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

using Options = std::vector<std::string>;

struct SwitchRow {
    const char* name;
    std::string arguments;  // after the program's path
    Options options;
    bool silent;
    bool wait;
    std::string logFile;
    std::string appended;
};

const SwitchRow kRows[] = {
    {"none: every argument is an option", "-uninstall -guid\"{A}_0\"", {"-uninstall", "-guid{A}_0"}, false, false, "", ""},
    {"whole arguments in any case", "-SILENT -Wait -guid{A}", {"-guid{A}"}, true, true, "", ""},
    {"a switch inside a longer argument is none", "-silently x-wait -waiting", {"-silently", "x-wait", "-waiting"},
     false, false, "", ""},
    {"a run-file path holding the switches stays a path",
     "-runfile\"C:\\a -silent\\b -wait\\c.exe\" -runfile\"C:\\-silent\\d.exe\"",
     {"-runfileC:\\a -silent\\b -wait\\c.exe", "-runfileC:\\-silent\\d.exe"}, false, false, "", ""},
    {"-log takes the rest of its argument, as written", "-LOG\"C:\\Logs\\Run One.log\" -guid{A}", {"-guid{A}"}, false,
     false, "C:\\Logs\\Run One.log", ""},
    {"the first -log wins, and a later one is no option either", "-log\"a.log\" -log-guid{B} -guid{A}", {"-guid{A}"},
     false, false, "a.log", ""},
    {"-log without a quoted name names no log: -logo is no log named o", "-log -logo.txt -guid{A}", {"-guid{A}"},
     false, false, "", ""},
    {"after -- nothing is an option, and the rest comes as written",
     "-u -guid{A} --   -s  -f1\"C:\\Pkg\\un install.iss\" -guid\"{B}\" -silent ",
     {"-u", "-guid{A}"}, false, false, "", "-s  -f1\"C:\\Pkg\\un install.iss\" -guid\"{B}\" -silent "},
    {"only the first -- ends the options", "-wait -- -- x", {}, false, true, "", "-- x"},
    {"-- at the end appends nothing", "-guid{A} --", {"-guid{A}"}, false, false, "", ""},
    {"a quoted -- is still the end of the options", "-guid{A} \"--\" -x", {"-guid{A}"}, false, false, "", "-x"},
    {"--x and --- are options", "--x ---", {"--x", "---"}, false, false, "", ""},
    {"tabs after -- are blanks too", "-guid{A} --\t\t/s", {"-guid{A}"}, false, false, "", "/s"},
};

TEST(UnattendedSwitches, AreWholeArgumentsTakenOffBeforeTheOptions) {
    for (const SwitchRow& row : kRows) {
        SCOPED_TRACE(row.name);
        FixedCommandLine commandLine("\"C:\\Tools\\isreloc.exe\" " + row.arguments, "C:\\Tools\\isreloc.exe");
        const CommandLineParts parts = splitCommandLine(commandLine);
        EXPECT_EQ(parts.argumentCount, static_cast<int32_t>(commandLine.arguments().size()));
        EXPECT_EQ(parts.options, row.options);
        EXPECT_EQ(parts.switches.silent, row.silent);
        EXPECT_EQ(parts.switches.wait, row.wait);
        EXPECT_EQ(parts.switches.logFile, std::u16string(row.logFile.begin(), row.logFile.end()));
        EXPECT_EQ(parts.switches.appendedArguments, std::u16string(row.appended.begin(), row.appended.end()));
    }
}

// What an engine passes arrives in UTF-16 as written, whatever the ANSI code page holds; the
// older options see the same arguments as the ANSI calls would, a character the code page lacks
// as '?'.
TEST(UnattendedSwitches, TextsOutsideTheCodePageArriveAsWritten) {
    const std::u16string folder = u"C:\\\u0416\u0443\u0440\u043D\u0430\u043B \u5DE5\u5177";  // "Журнал 工具"
    FixedCommandLine commandLine(u"isreloc.exe -uninstall -runfile\"" + folder + u"\\x.exe\" -log\"" + folder +
                                     u"\\x.log\" -- /p \"" + folder + u"\\f.txt\"",
                                 u"C:\\isreloc.exe");
    const CommandLineParts parts = splitCommandLine(commandLine);
    EXPECT_EQ(parts.options, (Options{"-uninstall", "-runfileC:\\?????? ??\\x.exe"}));
    EXPECT_EQ(parts.writtenOptions, (std::vector<std::u16string>{u"-uninstall", u"-runfile" + folder + u"\\x.exe"}));
    EXPECT_EQ(parts.switches.logFile, folder + u"\\x.log");
    EXPECT_EQ(parts.switches.appendedArguments, u"/p \"" + folder + u"\\f.txt\"");
}

}  // namespace
