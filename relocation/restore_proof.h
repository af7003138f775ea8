#pragma once
// When uninstall mode may move a product back: only when the registry proves that the product
// under the relocated name is the one relocated from the restored name, or that an earlier
// restore of it stopped part-way. Anything else under those names (another product's entry, a
// product that was never relocated, a relocation recorded for another name) is somebody's, and
// moving it would leave an entry whose own command names a folder that is not there.
#include "relocation/leftovers.h"

// True when, with the folder under either name:
// - the key under the relocated name records this restore (isreloc's command naming the two
//   names in this direction), with nothing under the restored name or only a leftover of it;
// - or the key is already under the restored name with everything the move needs and a proof
//   of the restore: it records it, or "UninstallString" and its saved value are the same (the
//   main command, given back last, stopped between its two steps); or the key under the
//   relocated name is a leftover of it, left by a move that stopped while erasing.
bool restoreIsProven(const KeyMoveFacts& facts);
