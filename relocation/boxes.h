#pragma once
// The boxes both modes end with when they cannot go on. Each says what is wrong in the words the
// installers' users already know from earlier versions.
#include <string>

#include "relocation/mode_context.h"

// Each box notes what it tells in the run's outcome: a failure on the machine, or a refused
// command line.
void showError(ModeContext& context, const std::string& text, const std::string& caption);
void showRefusal(ModeContext& context, const std::string& text, const std::string& caption);

// A GUID or a name that cannot name a product's folder and key.
void showIncorrectGuid(ModeContext& context);
// The product's program could not be started, or there was none to start.
void showStartFailed(ModeContext& context);
// No product key under the name the run moves from.
void showMissingKey(ModeContext& context);
// The registry cannot be used as the run needs it: the registry object cannot be made, or a key
// the run must change cannot be opened for writing (a run that is not elevated, a key locked by
// policy).
void showRegistryUnavailable(ModeContext& context);
// A directory under a name the run needs (the same wording in both modes).
void showDirectoryInTheWay(ModeContext& context, const std::string& directory);
// A key under a name the run needs that is not provably a leftover of this product.
void showKeyInTheWay(ModeContext& context, const std::string& keyPath);
// The product's key holds, in the saved value of a command, another command of the product than
// the one the entry runs: relocating would write one over the other.
void showSavedCommandInTheWay(ModeContext& context, const std::string& keyPath, const std::string& savedValue);
// Another run of isreloc kept the lock on moves for as long as this one could wait.
void showMoveInProgress(ModeContext& context);
