#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/exit_code.h"

namespace {

using Captions = std::vector<std::string>;

struct EndRow {
    const char* name;
    bool reportsResults;
    Captions boxes;
    std::optional<LaunchOutcome> waited;
    uint32_t exitCode;
};

const EndRow kEndRows[] = {
    {"seen boxes end with 0, as always", false, {"Directory Error"}, std::nullopt, 0},
    {"seen refusal ends with 0", false, {"Insufficient Commandline"}, std::nullopt, 0},
    {"a finished mode ends with 0", true, {}, std::nullopt, 0},
    {"usage is a refused command line", true, {"Commandline"}, std::nullopt, 1639},
    {"missing options are a refused command line", true, {"Insufficient Commandline"}, std::nullopt, 1639},
    {"a GUID or handle in the wrong form is a refused command line", true, {"Incorrect format"}, std::nullopt, 1639},
    {"a directory in the way is a failure", true, {"Directory Error"}, std::nullopt, 1603},
    {"a missing key is a failure", true, {"Registry Error"}, std::nullopt, 1603},
    {"no argument list is a failure", true, {"Critical Error"}, std::nullopt, 1603},
    {"a failure outweighs a refusal", true, {"Incorrect format", "Registry Error"}, std::nullopt, 1603},
    {"the waited-for program's own code is the result", true, {}, LaunchOutcome{true, 3010}, 3010},
    {"a waited-for program that failed fails the run", true, {}, LaunchOutcome{true, 1603}, 1603},
    {"a program that did not start is a failure", true, {"Launch Error"}, LaunchOutcome{false, 0}, 1603},
};

TEST(ExitCode, AtTheEndOfARun) {
    for (const EndRow& row : kEndRows) {
        EXPECT_EQ(exitCodeAtEnd(row.reportsResults, row.boxes, row.waited), row.exitCode) << row.name;
    }
}

TEST(ExitCode, AfterAFailureNothingHandled) {
    EXPECT_EQ(exitCodeAfterFailure(false), 1u);
    EXPECT_EQ(exitCodeAfterFailure(true), 1603u);
    EXPECT_EQ(exitCodeAfterFallback(false), 217u);
    EXPECT_EQ(exitCodeAfterFallback(true), 1603u);
}

}  // namespace
