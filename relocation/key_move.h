#pragma once
// Moving the product key between the two names of a run, as the plan for what is found there
// says, and putting the folder back when the key cannot follow it. Keys are named by their full
// paths below HKEY_LOCAL_MACHINE; nothing depends on a key the registry object holds open.
#include <string>

#include "relocation/leftovers.h"
#include "relocation/mode_context.h"

// Both keys of the run as they are now, read through the registry calls.
KeyMoveFacts readKeyMoveFacts(RegistryApi& api, const RunNames& names);

enum class KeyMoveResult {
    moved,          // the key is under the target name alone
    sourceMissing,  // there is no key under the source name
    refused,        // something not provably this product's is under the target name
    incomplete,     // the move did not finish, or the source cannot be seen to be empty: the key may still be there
};

// Moves the key, planning from what is there right now. Registry failures escape as
// ERegistryException, after a copy of this run's own that stopped part-way is erased again.
KeyMoveResult moveProductKey(ModeContext& context, TRegistry& registry, const RunNames& names);

// The folder goes back to where it was, so that the product is never left half moved. A failed
// move back cannot be helped.
void undoDirectoryMove(ModeContext& context, const std::u16string& movedTo, const std::u16string& movedFrom);
