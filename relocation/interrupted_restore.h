#pragma once
// When uninstall mode finds the folder already under the restored name and none under the
// relocated one, an earlier restore may have stopped part-way (after the folder moved, during the
// key's move, or before the command came back). It goes on from there only when the registry
// proves that, since the folder under the restored name may as well belong to an installation
// made since; otherwise the folder is in the way.
#include "relocation/leftovers.h"

// True when the keys can only be this product's, part-way through its move:
// - the relocated key holds isreloc's command for these two names and there is no restored key;
// - or both keys are there and one is a leftover of the other (an empty or partial copy, or the
//   original while it was being erased), or the restored one holds only isreloc's data;
// - or the key has moved: the restored key holds isreloc's command for these two names in one of
//   the command values, or a product command in both a command value and its saved value, byte
//   for byte.
bool restoreWasInterrupted(const KeyMoveFacts& facts);
