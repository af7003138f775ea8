#include "fuzz/mode_run/stand_in.h"

#include "fuzz/mode_run/machine.h"
#include "platform/registry/registry.h"

namespace mode_run {

LaunchOutcome StandInServices::launchAndWait(const std::u16string& commandLine, const std::optional<uint32_t>& limit) {
    ++waits;
    inner().launchAndWait(commandLine, limit);
    if (!standIn_.starts) return {};
    if (standIn_.atStart) standIn_.atStart();
    if (standIn_.removesProduct) {
        TRegistry eraser(store_);
        eraser.setRoot(kLocalMachine);
        eraser.eraseKeyTree("\\" + kUninstallKey + "\\" + standIn_.name);
        files_.removeTree(standIn_.root + standIn_.name);
    }
    LaunchOutcome outcome = LaunchOutcome::ended(standIn_.exitCode);
    outcome.everyProcessEnded = standIn_.end != WaitEnd::alone;
    outcome.exitCodeRead = standIn_.end != WaitEnd::codeUnread;
    if (standIn_.end == WaitEnd::pastTimeLimit && limit) outcome = {true, false, 0, true, true};
    timedOut = outcome.timedOut;
    return outcome;
}

}  // namespace mode_run
