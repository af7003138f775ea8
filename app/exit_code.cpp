#include "app/exit_code.h"

#include "platform/failure/failure.h"

uint32_t exitCodeAtEnd(bool reportsResults, const RunOutcome& outcome) {
    if (!reportsResults) return 0;
    if (outcome.failed()) return kExitInstallFailure;
    if (outcome.refused()) return kExitInvalidCommandLine;
    if (outcome.busy()) return kExitAlreadyRunning;
    if (const std::optional<LaunchOutcome>& waited = outcome.waited()) {
        if (waited->timedOut) return kExitTimeout;
        return waited->exitCodeRead ? waited->exitCode : kExitInstallFailure;
    }
    return 0;
}

uint32_t exitCodeAfterFailure(bool reportsResults) { return reportsResults ? kExitInstallFailure : 1; }

uint32_t exitCodeAfterFallback(bool reportsResults) {
    return reportsResults ? kExitInstallFailure : kRaisedFailureErrorNumber;
}
