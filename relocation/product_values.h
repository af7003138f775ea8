#pragma once
// The values isreloc owns in a product's key: while the product is relocated its own uninstall
// command is kept in "szUninstallString" and "UninstallString" runs isreloc. Install mode keeps
// the command, uninstall mode gives it back; neither ever drops a product's command.
#include <string>

#include "platform/registry/registry.h"

extern const char* const kUninstallStringValue;       // the command the list of programs runs
extern const char* const kSavedUninstallStringValue;  // where the product's own command is kept
extern const std::u16string kCommandValue;            // the same two names as the registry spells them
extern const std::u16string kSavedCommandValue;

// Install mode, on the open product key, before isreloc's command is written over
// "UninstallString": a product command there (anything but isreloc's own command) is copied,
// type and bytes, to "szUninstallString", replacing a saved command left there by an earlier
// relocation (the command in "UninstallString" is the one that belongs to the product now).
// Nothing changes when "UninstallString" is isreloc's command, missing or empty.
void keepProductCommand(TRegistry& registry);

// Uninstall mode, on the open product key: gives the product its command back and returns it as
// stored, in UTF-16 (empty when there is none), with whether it is an expandable string. isreloc's command in "UninstallString" gives way to
// the saved one, written over it in one write before the saved value goes; a product command found
// there stays, and a saved copy identical to it goes. A product command that differs from the saved
// one stays where it is, beside it: nothing proves which one is stale. Raises when the command that
// is left cannot be read as text, or when isreloc's own command is still in place, so that a run
// never silently starts nothing, or isreloc again.
struct RestoredCommand {
    std::u16string text;
    bool expandable = false;  // stored as REG_EXPAND_SZ: its %NAME% references are for the start
};
RestoredCommand restoreProductCommand(TRegistry& registry);
