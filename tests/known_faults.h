#pragma once
// Faults the oracles see in the product that are being fixed now. Each mark names one fault and
// the runs it shows in, narrowly, so that no other fault hides behind it; the check it excuses
// is made everywhere else. Once the fix is in, the mark goes and the check holds everywhere.
#include <string>

namespace known_faults {

// Uninstall mode on a registry that copies keys, where a subkey of the relocated key may only be
// read (so the copy cannot remove it) and a later call on the product's key under either name
// fails: the product's key and folder end under different names, with no box or report (a run
// with -silent -wait). Seen by the mode fuzzer.
inline bool restoreWithReadOnlySubkeySplitsProduct(bool uninstallMode, bool keysCopied, bool relocatedSubkeyReadOnly,
                                                   bool callOnProductKeyFailed) {
    return uninstallMode && keysCopied && relocatedSubkeyReadOnly && callOnProductKeyFailed;
}

// Install mode saves the product's live command in the pair's saved value (sz…) over whatever that
// held: a product command saved there before, beside a live product command, is lost.
inline bool installOverwritesSavedProductCommand(bool installMode, bool savedBesideLiveProductCommand) {
    return installMode && savedBesideLiveProductCommand;
}

}  // namespace known_faults
