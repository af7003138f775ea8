#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/program.h"
#include "no_file_services.h"

namespace {

// Records which mode ran and with what list.
class RecordingModes : public ModeRunner {
public:
    using Written = std::vector<std::u16string>;
    void relocateInstallation(const ArgumentList& arguments, const Written& written) override {
        record("install", arguments, written);
    }
    void restoreInstallation(const ArgumentList& arguments, const Written& written) override {
        record("uninstall", arguments, written);
    }
    void modifyInstallation(const ArgumentList& arguments, const Written& written) override {
        record("modify", arguments, written);
    }

    std::vector<std::string> runs;
    std::vector<std::string> lastArguments;
    // The same entries as written, lowercased the way the list is (the command lines are ASCII
    // or Latin-1): each written entry must stand beside its own list entry.
    std::vector<std::string> lastWrittenLowered;

private:
    void record(const char* mode, const ArgumentList& arguments, const Written& written) {
        runs.push_back(mode);
        lastArguments = arguments.entries();
        lastWrittenLowered.clear();
        for (const std::u16string& entry : written) {
            std::string lowered;
            for (const char16_t unit : entry)
                lowered += static_cast<char>(unit >= u'A' && unit <= u'Z' ? unit + 32 : unit);
            lastWrittenLowered.push_back(lowered);
        }
    }
};

struct ModeRow {
    const char* name;
    std::string commandLine;
    const char* mode;
    std::vector<std::string> arguments;
};

const ModeRow kModeRows[] = {
    {"lone upper-case -U selects uninstall with an empty list", "isreloc.exe -U", "uninstall", {}},
    {"only the first switch is removed", "isreloc.exe -uninstall -guid{A} -u", "uninstall", {"-guid{a}", "-u"}},
    {"the switch may come last", "isreloc.exe -hwnd1 -GUID{Ab} -Uninstall", "uninstall", {"-hwnd1", "-guid{ab}"}},
    {"-u before -uninstall: -u goes", "isreloc.exe x -u -uninstall", "uninstall", {"x", "-uninstall"}},
    {"/u is not a switch", "isreloc.exe /u", "install", {"/u"}},
    {"-u=1 is not a switch", "isreloc.exe -u=1", "install", {"-u=1"}},
    {"-uninstallx and --u are not switches", "isreloc.exe -uninstallx --u", "install", {"-uninstallx", "--u"}},
    {"any argument runs install mode", "isreloc.exe x", "install", {"x"}},
    {"quoted switch still counts", "isreloc.exe \"-u\"", "uninstall", {}},
    {"duplicates stay, in order", "isreloc.exe b a b", "install", {"b", "a", "b"}},
    {"only ASCII letters are lowercased", "isreloc.exe -GUID\xc0\xe0", "install", {"-guid\xc0\xe0"}},
    {"the unattended switches are no options", "isreloc.exe -SILENT -u -Wait -log\"C:\\-guid.log\" -guid{A}",
     "uninstall", {"-guid{a}"}},
    {"nothing after -- selects a mode or is an option", "isreloc.exe -guid{A} -- -u -guid{B}", "install", {"-guid{a}"}},
    {"switches alone still run a mode", "isreloc.exe -silent", "install", {}},
    {"-modify selects modify mode and goes", "isreloc.exe -MODIFY -guid{A}_0 -modify", "modify", {"-guid{a}_0", "-modify"}},
    {"the first mode switch decides", "isreloc.exe -modify -u", "modify", {"-u"}},
    {"-quiet is no option and no mode", "isreloc.exe -uninstall -guid{A} -QUIET", "uninstall", {"-guid{a}"}},
};

TEST(RunProgram, SelectsTheModeAndHandsItTheLowercasedList) {
    for (const ModeRow& row : kModeRows) {
        SCOPED_TRACE(row.name);
        FixedCommandLine commandLine(row.commandLine, "C:\\isreloc.exe");
        NoFileServices boxes;
        RecordingModes modes;
        RunOutcome outcome;
        runProgram(splitCommandLine(commandLine), boxes, modes, outcome);
        EXPECT_EQ(modes.runs, std::vector<std::string>{row.mode});
        EXPECT_EQ(modes.lastArguments, row.arguments);
        EXPECT_EQ(modes.lastWrittenLowered, row.arguments);
        EXPECT_TRUE(boxes.messages().empty());
    }
}

TEST(RunProgram, NoArgumentsShowsOnlyTheUsageBox) {
    for (const char* text : {"isreloc.exe", "\"C:\\a b\\isreloc.exe\"   ", "isreloc.exe \"\"", ""}) {
        FixedCommandLine commandLine(text, "C:\\isreloc.exe");
        NoFileServices boxes;
        RecordingModes modes;
        RunOutcome outcome;
        runProgram(splitCommandLine(commandLine), boxes, modes, outcome);
        EXPECT_TRUE(modes.runs.empty()) << text;
        EXPECT_TRUE(outcome.refused() && !outcome.failed()) << "the usage box refuses the command line";
        ASSERT_EQ(boxes.messages().size(), 1u) << text;
        EXPECT_EQ(boxes.messages()[0].text,
                  "Commandline parameters:\r\n"
                  "-hwnd\"<value>\" - pass the parent HWND parameter\r\n"
                  "-guid\"<value>\" - pass the source GUID of the installation\r\n"
                  "-tguid\"<value>\" - pass the target GUID of the installation\r\n"
                  "-u[ninstall] - launch this executable in uninstallation mode");
        EXPECT_EQ(boxes.messages()[0].caption, "Commandline");
        EXPECT_EQ(boxes.messages()[0].flags, 0x2040u);
    }
}

TEST(RunProgram, ListThatCannotBeBuiltGivesTheCriticalErrorBoxAndNoMode) {
    // A command line that could not be split, as when memory runs out.
    NoFileServices boxes;
    RecordingModes modes;
    RunOutcome outcome;
    runProgram(std::nullopt, boxes, modes, outcome);
    EXPECT_TRUE(modes.runs.empty());
    EXPECT_TRUE(outcome.failed());
    ASSERT_EQ(boxes.messages().size(), 1u);
    EXPECT_EQ(boxes.messages()[0].text, "Unable to retrieve commandline parameters");
    EXPECT_EQ(boxes.messages()[0].caption, "Critical Error");
    EXPECT_EQ(boxes.messages()[0].flags, 0x2010u);
}

}  // namespace
