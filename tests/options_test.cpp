#include "relocation/options.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "no_file_services.h"
#include "platform/text/exception.h"

namespace {

const RecordedMessage kIncorrectHwndBox{
    "Incorrect HWND format!\r\nPlease pass the parent HWND in the correct format to this application",
    "Incorrect format", 0x2010};

struct Expected {
    std::string keyword;
    bool found;
    std::string entry;
    std::string value;
};

struct ScanCase {
    const char* what;
    std::vector<std::string> entries;
    const OptionKeywords& keywords;
    std::vector<Expected> expected;  // every keyword of the mode
};

const ScanCase kScanCases[] = {
    {"a typical install",
     {"-hwnd1234", "-guid{abc}"},
     kInstallKeywords,
     {{"-hwnd", true, "-hwnd1234", "1234"}, {"-guid", true, "-guid{abc}", "{abc}"}, {"-tguid", false, "", ""}}},
    {"no entries",
     {},
     kInstallKeywords,
     {{"-hwnd", false, "", ""}, {"-guid", false, "", ""}, {"-tguid", false, "", ""}}},
    {"the cut counts from the front, not from the keyword",
     {"x-hwnd123"},
     kInstallKeywords,
     {{"-hwnd", true, "x-hwnd123", "d123"}, {"-guid", false, "", ""}, {"-tguid", false, "", ""}}},
    {"one entry satisfies two keywords",
     {"-hwnd-guid{x}"},
     kInstallKeywords,
     {{"-hwnd", true, "-hwnd-guid{x}", "-guid{x}"},
      {"-guid", true, "-hwnd-guid{x}", "-guid{x}"},
      {"-tguid", false, "", ""}}},
    {"a keyword alone has an empty value",
     {"-hwnd"},
     kInstallKeywords,
     {{"-hwnd", true, "-hwnd", ""}, {"-guid", false, "", ""}, {"-tguid", false, "", ""}}},
    {"the first entry wins",
     {"-guid{a}", "-hwnd1", "-guid{b}", "-hwnd2"},
     kInstallKeywords,
     {{"-hwnd", true, "-hwnd1", "1"}, {"-guid", true, "-guid{a}", "{a}"}, {"-tguid", false, "", ""}}},
    {"-tguid is not taken for -guid",
     {"-tguid{t}"},
     kInstallKeywords,
     {{"-hwnd", false, "", ""}, {"-guid", false, "", ""}, {"-tguid", true, "-tguid{t}", "{t}"}}},
    {"-guid is not taken for -tguid",
     {"-tguid{t}", "-guid{g}"},
     kInstallKeywords,
     {{"-hwnd", false, "", ""}, {"-guid", true, "-guid{g}", "{g}"}, {"-tguid", true, "-tguid{t}", "{t}"}}},
    {"keywords match case exactly",
     {"-GUID{G}", "-Hwnd5"},
     kInstallKeywords,
     {{"-hwnd", false, "", ""}, {"-guid", false, "", ""}, {"-tguid", false, "", ""}}},
    {"a typical uninstall",
     {"-guid{abc}_0", "-tguid{abc}"},
     kUninstallKeywords,
     {{"-runfile", false, "", ""},
      {"-hwnd", false, "", ""},
      {"-guid", true, "-guid{abc}_0", "{abc}_0"},
      {"-tguid", true, "-tguid{abc}", "{abc}"}}},
    {"a keyword inside a value counts",
     {"-runfilec:\\a-guide\\run.exe", "-guid{abc}_0", "-tguid{abc}"},
     kUninstallKeywords,
     {{"-runfile", true, "-runfilec:\\a-guide\\run.exe", "c:\\a-guide\\run.exe"},
      {"-hwnd", false, "", ""},
      {"-guid", true, "-runfilec:\\a-guide\\run.exe", "ilec:\\a-guide\\run.exe"},
      {"-tguid", true, "-tguid{abc}", "{abc}"}}},
};

TEST(ScanOptions, FindsEachKeywordOfTheMode) {
    for (const ScanCase& row : kScanCases) {
        SCOPED_TRACE(row.what);
        const OptionScan scan = scanOptions(TStringList(row.entries), row.keywords);
        ASSERT_EQ(row.expected.size(), row.keywords.size());
        for (const Expected& expected : row.expected) {
            SCOPED_TRACE(expected.keyword);
            const FoundOption& option = scan.option(expected.keyword);
            EXPECT_EQ(option.found, expected.found);
            EXPECT_EQ(option.entry, expected.entry);
            EXPECT_EQ(option.value, expected.value);
            EXPECT_EQ(scan.found(expected.keyword), expected.found);
            EXPECT_EQ(scan.value(expected.keyword), expected.value);
        }
    }
}

TEST(ScanOptions, InstallModeDoesNotLookForARunFile) {
    const OptionScan scan = scanOptions(TStringList({"-runfilec:\\x.exe"}), kInstallKeywords);
    EXPECT_THROW(scan.option(kRunfileKeyword), Exception);
}

struct WaitCase {
    const char* what;
    std::string hwndValue;
    int32_t liveWindow;         // 0 for none
    int32_t aliveAnswers;       // how many polls find it alive
    bool goesOn;
    std::vector<int32_t> windowTests;
    std::vector<uint32_t> pauses;
    std::vector<RecordedMessage> messages;
};

const WaitCase kWaitCases[] = {
    {"the wait keyword pauses once, without a window test", "wait", 0, 0, true, {}, {15000}, {}},
    {"handle 0 ends the wait at once", "0", 0, 0, true, {0}, {}, {}},
    {"a handle that names no window", "1234", 0, 0, true, {1234}, {}, {}},
    {"a poll a second while the window lives", "1234", 1234, 3, true, {1234, 1234, 1234, 1234}, {1000, 1000, 1000}, {}},
    {"a hexadecimal handle", "$4d2", 1234, 1, true, {1234, 1234}, {1000}, {}},
    {"a negative handle", "-2", -2, 1, true, {-2, -2}, {1000}, {}},
    {"only the watched window counts", "7", 8, RecordingServices::kAliveForever, true, {7}, {}, {}},
    {"text before the digits", "d123", 0, 0, false, {}, {}, {kIncorrectHwndBox}},
    {"an empty value", "", 0, 0, false, {}, {}, {kIncorrectHwndBox}},
    {"the wait keyword is matched exactly", "WAIT", 0, 0, false, {}, {}, {kIncorrectHwndBox}},
    {"the wait keyword with a blank", " wait", 0, 0, false, {}, {}, {kIncorrectHwndBox}},
    {"a handle out of range", "4294967296", 0, 0, false, {}, {}, {kIncorrectHwndBox}},
};

TEST(WaitForParent, PausesPollsOrRefuses) {
    for (const WaitCase& row : kWaitCases) {
        SCOPED_TRACE(row.what);
        NoFileServices services;
        services.openWindow(row.liveWindow, row.aliveAnswers);
        EXPECT_EQ(waitForParent(row.hwndValue, services), row.goesOn);
        EXPECT_EQ(services.windowTests(), row.windowTests);
        EXPECT_EQ(services.pauses(), row.pauses);
        EXPECT_EQ(services.messages(), row.messages);
        EXPECT_TRUE(services.launchedCommands().empty());
    }
}

TEST(WaitForParent, HasNoTimeLimit) {
    NoFileServices services;
    services.openWindow(99, 20000);
    EXPECT_TRUE(waitForParent("99", services));
    EXPECT_EQ(services.windowTests().size(), 20001u);
    EXPECT_EQ(services.pauses(), std::vector<uint32_t>(20000, 1000));
}

// From the lowercased argument to the wait, as both modes begin.
struct ArgumentCase {
    const char* what;
    std::string argument;
    bool goesOn;
    std::size_t windowTests;
    std::vector<uint32_t> pauses;
    std::size_t messages;
};

const ArgumentCase kArgumentCases[] = {
    {"-hwndwait pauses 15 seconds", "-hwndwait", true, 0, {15000}, 0},
    {"-hwnd0 does not pause", "-hwnd0", true, 1, {}, 0},
    {"x-hwnd123 keeps a d and is refused", "x-hwnd123", false, 0, {}, 1},
    {"-hwnd alone is refused", "-hwnd", false, 0, {}, 1},
};

TEST(WaitForParent, FromTheArgumentToTheWait) {
    for (const ArgumentCase& row : kArgumentCases) {
        SCOPED_TRACE(row.what);
        NoFileServices services;
        const OptionScan scan = scanOptions(TStringList({row.argument, "-guid{abc}"}), kInstallKeywords);
        EXPECT_EQ(waitForParent(scan.value(kHwndKeyword), services), row.goesOn);
        EXPECT_EQ(services.windowTests().size(), row.windowTests);
        EXPECT_EQ(services.pauses(), row.pauses);
        EXPECT_EQ(services.messages().size(), row.messages);
    }
}

}  // namespace
