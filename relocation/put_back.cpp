#include "relocation/put_back.h"

#include <utility>

namespace {

constexpr uint32_t kSuccessRestartRequired = 3010;   // ERROR_SUCCESS_REBOOT_REQUIRED
constexpr uint32_t kSuccessRestartInitiated = 1641;  // ERROR_SUCCESS_REBOOT_INITIATED

PutBackVerdict stays(std::string reason) { return {false, std::move(reason)}; }

}  // namespace

PutBackVerdict judgePutBack(const PutBackFacts& facts) {
    const LaunchOutcome& launch = facts.launch;
    if (!facts.stillInstalled) return {};
    if (!launch.started) return stays("the program could not be started");
    if (launch.timedOut) return stays("the wait timed out, and the uninstall may still be running");
    if (!launch.everyProcessEnded)
        return stays("not every process of the uninstall could be waited for, and one may still be running");
    if (!launch.exitCodeRead) return stays("the program's exit code could not be read");
    if (launch.exitCode == kSuccessRestartRequired || launch.exitCode == kSuccessRestartInitiated)
        return stays("the program returned " + std::to_string(launch.exitCode) +
                     ": the uninstall finishes at the next restart");
    if (facts.pending == PendingMention::folder)
        return stays("file operations pending until the next restart name its folder");
    if (facts.pending == PendingMention::unreadable)
        return stays("the file operations pending until the next restart could not be read");
    return {true, ""};
}
