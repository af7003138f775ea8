#include "relocation/move_lock.h"

#include <string>

#include "relocation/boxes.h"

namespace {

uint32_t waitMilliseconds(const StartSettings& start) {
    const uint64_t seconds = start.timeLimitSeconds.value_or(kDefaultMoveLockWaitSeconds);
    // 0xFFFFFFFF would be no limit at all to the system.
    constexpr uint64_t kLongestWait = 0xFFFFFFFEu;
    return static_cast<uint32_t>(seconds * 1000 < kLongestWait ? seconds * 1000 : kLongestWait);
}

}  // namespace

std::unique_ptr<HeldMoveLock> lockMoves(ModeContext& context, WhenBusy whenBusy) {
    const uint32_t wait = waitMilliseconds(context.start);
    MoveLockGrant grant = context.services.takeMoveLock(wait);
    switch (grant.answer) {
    case MoveLockGrant::Answer::taken: break;
    case MoveLockGrant::Answer::takenOver:
        context.services.logNote("the run that held the lock on moves ended without giving it back: what it left "
                                 "half-done is finished first");
        break;
    case MoveLockGrant::Answer::busy:
        context.services.logNote("another run kept the lock on moves for " + std::to_string(wait / 1000) +
                                 " seconds: nothing is changed");
        if (whenBusy == WhenBusy::tell) showMoveInProgress(context);
        break;
    }
    return std::move(grant.held);
}
