#include "app/exit_code.h"

#include "platform/failure/failure.h"
#include "platform/text/text.h"

namespace {

// The captions of the boxes that refuse a command line; every other box tells of a failure.
const char* const kRefusalCaptions[] = {"Commandline", "Insufficient Commandline", "Incorrect format"};

}  // namespace

bool refusesCommandLine(const std::string& caption) {
    for (const char* refusal : kRefusalCaptions)
        if (equalText(caption, refusal)) return true;
    return false;
}

uint32_t exitCodeAtEnd(bool reportsResults, const std::vector<std::string>& boxCaptions,
                       const std::optional<LaunchOutcome>& waited) {
    if (!reportsResults) return 0;
    for (const std::string& caption : boxCaptions)
        if (!refusesCommandLine(caption)) return kExitInstallFailure;
    if (!boxCaptions.empty()) return kExitInvalidCommandLine;
    if (waited && waited->started) {
        if (waited->timedOut) return kExitTimeout;
        return waited->exitCodeRead ? waited->exitCode : kExitInstallFailure;
    }
    return 0;
}

uint32_t exitCodeAfterFailure(bool reportsResults) { return reportsResults ? kExitInstallFailure : 1; }

uint32_t exitCodeAfterFallback(bool reportsResults) {
    return reportsResults ? kExitInstallFailure : kRaisedFailureErrorNumber;
}
