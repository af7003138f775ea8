#pragma once
// One move at a time on a machine. Two runs that change the same product at once each see the
// other's half-done work and undo or move it: a product split between two names, or its entry
// pointing at a folder that moved. So a run holds isreloc's machine-wide lock from its first look
// at a product's state to its last write, as Windows Installer serialises its own execute phase,
// and never while it waits for the installer's window or for the program it started.
#include <memory>

#include "relocation/mode_context.h"

// How long a run waits for another run's move without -timeout: far longer than any move takes
// (one rename on Windows; a copy of a hundred thousand values well under a minute), and short
// enough that an installer's last step or an engine's uninstall is not held for ever; the
// engines retry a 1618 of their own accord.
constexpr uint32_t kDefaultMoveLockWaitSeconds = 300;

// What a run does when the lock stays with another run.
enum class WhenBusy {
    tell,    // the box (unseen: exit code 1618); nothing has changed
    logIt,   // a line in the log: the caller leaves the product where its own entry works
};

// The lock, waited for within -timeout where given, else kDefaultMoveLockWaitSeconds. Null when
// another run kept it. A lock a killed run left is taken over: what that run was doing is then
// finished or refused by the same rules as any interrupted move, before anything else moves.
std::unique_ptr<HeldMoveLock> lockMoves(ModeContext& context, WhenBusy whenBusy);
