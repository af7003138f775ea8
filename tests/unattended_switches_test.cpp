#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/unattended_switches.h"

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
    {"-log without a name keeps no log", "-log -guid{A}", {"-guid{A}"}, false, false, "", ""},
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
        EXPECT_EQ(parts.argumentCount, commandLine.argumentCount());
        EXPECT_EQ(parts.options, row.options);
        EXPECT_EQ(parts.switches.silent, row.silent);
        EXPECT_EQ(parts.switches.wait, row.wait);
        EXPECT_EQ(parts.switches.logFile, row.logFile);
        EXPECT_EQ(parts.switches.appendedArguments, row.appended);
    }
}

// With a double-byte code page, a trail byte may look like a quote; the tail after "--" is found
// with the same stepping that split the arguments.
TEST(UnattendedSwitches, TailIsFoundWithTheCommandLinesOwnStepping) {
    class PairStepped : public FixedCommandLine {
    public:
        using FixedCommandLine::FixedCommandLine;
        CharStepper stepper() override {
            return [](const char* at) { return *at == '\0' ? at : (static_cast<unsigned char>(*at) == 0x81 ? at + 2 : at + 1); };
        }
        std::vector<std::string> arguments() override { return allArguments(text(), stepper()); }
    };
    PairStepped commandLine("isreloc.exe -guid\x81\" -- /s", "C:\\isreloc.exe");
    const CommandLineParts parts = splitCommandLine(commandLine);
    EXPECT_EQ(parts.options, Options{"-guid\x81\""});
    EXPECT_EQ(parts.switches.appendedArguments, "/s");
}

}  // namespace
