#pragma once
// Reading back the log isreloc keeps with -log: every line must begin with the local time in
// ISO 8601; the checks look at what follows it.
#include <cstdint>
#include <string>
#include <vector>

#include "e2e_case.h"

// Where the cases ask isreloc to keep its log: in the scratch folder, emptied before each case.
std::string runLogPath(const E2eEnvironment& environment);
// The -log switch naming it, with a blank before it.
std::string logSwitch(const E2eEnvironment& environment);

// The log's lines without their time stamps; a line without one fails the case.
std::vector<std::string> runLogLines(CaseContext& context);
// The box is in the log, caption and every line of its text, as one shown or not shown.
void expectLoggedBox(CaseContext& context, const ExpectedBox& box, bool shown);
// The log tells how the uninstall key went to restoredName: renamed, or under Wine (whose rename
// can lose the entry after the new name) copied.
void expectLoggedKeyMove(CaseContext& context, const std::string& restoredName);
// The log ends with the exit code.
void expectLoggedExitCode(CaseContext& context, uint32_t exitCode);
