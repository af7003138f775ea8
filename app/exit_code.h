#pragma once
// The exit code a run ends with, computed from what the run noted of its end (RunOutcome), never
// from a box's words. A run whose boxes someone sees ends as isreloc always has: 0 after every box
// of its own, 1 after the report of an unhandled failure, 217 after the fallback report. A run
// that must tell its result through the exit code (its boxes go unseen, or its starter waits
// through it for the uninstall) ends with the codes deployment engines read:
//   a failure on the machine (a box, a program that could not start or was not there)  1603
//   the command line refused                                                           1639
//   another run kept the lock on moves: nothing changed, try again                     1618
//   the program waited for: its own exit code; 1460 when the wait ran out of time
//   first, 1603 when its exit code could not be read
//   otherwise: the program started, the product relocated, or not installed here     0
#include <cstdint>

#include "relocation/run_outcome.h"

constexpr uint32_t kExitInstallFailure = 1603;      // ERROR_INSTALL_FAILURE
constexpr uint32_t kExitInvalidCommandLine = 1639;  // ERROR_INVALID_COMMAND_LINE
constexpr uint32_t kExitTimeout = 1460;             // ERROR_TIMEOUT
constexpr uint32_t kExitAlreadyRunning = 1618;      // ERROR_INSTALL_ALREADY_RUNNING, which engines retry

// After the program returned normally.
uint32_t exitCodeAtEnd(bool reportsResults, const RunOutcome& outcome);
uint32_t exitCodeAfterFailure(bool reportsResults);
uint32_t exitCodeAfterFallback(bool reportsResults);
