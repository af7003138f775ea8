#pragma once
// The exit code a run ends with. A run whose boxes someone sees ends as isreloc always has: 0
// after every box of its own, 1 after the report of an unhandled failure, 217 after the fallback
// report. A run that must tell its result through the exit code (its boxes go unseen, or its
// starter waits through it for the uninstall) ends with the codes deployment engines read:
// 0 when the mode finished, or what the program it waited for returned (1603 when that could
// not be read, 1460 when the wait ran out of time first); 1639 when the command line was refused;
// 1603 for every other box and every unhandled failure.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/services/services.h"

constexpr uint32_t kExitInstallFailure = 1603;      // ERROR_INSTALL_FAILURE
constexpr uint32_t kExitInvalidCommandLine = 1639;  // ERROR_INVALID_COMMAND_LINE
constexpr uint32_t kExitTimeout = 1460;             // ERROR_TIMEOUT

// Whether a box with this caption refuses the command line (usage, missing options, a GUID or a
// window handle in the wrong form) rather than telling of a failure on the machine.
bool refusesCommandLine(const std::string& caption);

// After the program returned normally, given the caption of every box and what the program it
// waited for came to.
uint32_t exitCodeAtEnd(bool reportsResults, const std::vector<std::string>& boxCaptions,
                       const std::optional<LaunchOutcome>& waited);
uint32_t exitCodeAfterFailure(bool reportsResults);
uint32_t exitCodeAfterFallback(bool reportsResults);
