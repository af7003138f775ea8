#pragma once
// Faults the oracles see in the product that are still open. Each mark names one fault and the
// runs it shows in, narrowly, so that no other fault hides behind it; the check it excuses is made
// everywhere else. Once the fix is in, the mark goes and the check holds everywhere.

namespace known_faults {

// A restore stopped part-way (the folder back under the product's name, a partial copy of the key
// beside it), then install mode run again without -tguid, as the product's setup does when it
// ends: install mode takes the next free name for the folder and the partial copy, and the whole
// key stays under the relocated name, whose entry can no longer bring the product back. Install
// mode finishes such a move first only when -tguid names its target.
inline bool installAfterCutShortRestoreTakesNextName(bool uninstallModeStopped, bool installAgain) {
    return uninstallModeStopped && installAgain;
}

}  // namespace known_faults
