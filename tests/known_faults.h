#pragma once
// Faults the oracles see in the product that are being fixed now. Each mark names one fault and
// the runs it shows in, narrowly, so that no other fault hides behind it; the check it excuses
// is made everywhere else. Once the fix is in, the mark goes and the check holds everywhere.
#include <string>

namespace known_faults {

// Install mode opens CurrentVersion with full rights to read ProgramFilesDir: where it may only be
// read (a run that is not elevated, a policy), or the first look at the key or at the value fails,
// the maintenance root comes out empty and the product looks not installed: exit 0, no box,
// nothing moved. `failedCall` names the failed call as the switches do; `firstLook` says whether
// it was the run's first call on that key or value.
inline bool unreadableCurrentVersionReadsAsNotInstalled(const std::string& failedCall, bool firstLook,
                                                        bool currentVersionReadOnly, bool uninstallMode) {
    const std::string currentVersion = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    const bool lookFailed = firstLook && (failedCall == currentVersion || failedCall == currentVersion + ":ProgramFilesDir");
    return !uninstallMode && (currentVersionReadOnly || lookFailed);
}

// Uninstall mode moves the folder back before the key; where the key is copied and a write of the
// copy fails, the folder is not moved back: key and folder end under different names (the box
// comes, and the entry's command still brings the product back). `failedCall` names the failed
// call as the switches do, `failedWrite` says whether it was the run's first write (a key created,
// a value set) on that key or value, as each of the copy's is; `restoredKey` is the key path the
// copy writes to.
inline bool restoreLeavesFolderWhenKeyCopyFails(bool uninstallMode, bool keysCopied, bool failedWrite,
                                                const std::string& failedCall, const std::string& restoredKey) {
    const auto lowered = [](std::string text) {
        for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return text;
    };
    const std::string call = lowered(failedCall), key = lowered(restoredKey);
    const bool writesTheCopy = call.compare(0, key.size(), key) == 0 &&
                               (call.size() == key.size() || call[key.size()] == ':' || call[key.size()] == '\\');
    return uninstallMode && keysCopied && failedWrite && writesTheCopy;
}

// Uninstall mode on a registry that copies keys, where a subkey of the relocated key may only be
// read (so the copy cannot remove it) and a later call on the product's key under either name
// fails: the product's key and folder end under different names, with no box or report (a run
// with -silent -wait). Seen by the mode fuzzer; the same family as the fault above.
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
