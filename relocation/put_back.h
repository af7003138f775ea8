#pragma once
// Whether a product that a waited uninstall or Change left installed goes back under the name it
// was relocated to. Putting it back is a tidy-up that keeps the product's GUID free for the next
// instance; a product left under its GUID is where its own entry works. Put back wrongly, a
// removal that goes on after the wait (at the restart, or in a process the wait could not see)
// is stranded: it removes the files and leaves an entry under the relocated name for a product
// that is gone. So the product goes back only on evidence that the uninstall did not happen and
// will not.
#include <cstdint>
#include <string>

#include "platform/services/services.h"
#include "relocation/pending_file_operations.h"

// What the wait and the machine tell once the wait is over.
struct PutBackFacts {
    LaunchOutcome launch;
    // The product's key under its GUID and setup.exe in its folder, as after a cancel or a Change.
    bool stillInstalled = false;
    // Whether the system's pending file operations name the product's restored folder.
    PendingMention pending = PendingMention::none;
};

struct PutBackVerdict {
    bool putBack = false;
    // Why the installed product stays under its GUID; empty when it goes back, or is not installed.
    std::string stayReason;
};

// The rules, in order; the first that applies decides:
//   not installed any more                  -> nothing to put back (the uninstall removed it)
//   the program did not start               -> stays: nothing ran that could say how it went
//   the wait timed out                      -> stays: the uninstall may still be running
//   not every process could be waited for   -> stays: one that could not be followed may still run
//   its exit code could not be read         -> stays: nothing says how it went
//   exit code 3010 or 1641                  -> stays: the uninstall succeeded and finishes at the restart
//   pending file operations name the folder -> stays: the removal finishes at the restart
//   those operations cannot be read         -> stays: nothing proves none is pending
//   otherwise (0, a cancel, a failure)      -> back under the relocated name
PutBackVerdict judgePutBack(const PutBackFacts& facts);
