#pragma once
#include "relocation/mode_context.h"

// Uninstall mode: moves a relocated product's maintenance directory and uninstall key back to
// the product's own name, returns its own command to "UninstallString" and starts it (or the
// "-runfile" program). Every expected problem ends with one box, before anything moves where it
// can be foreseen; registry failures escape.
// With a wait (-wait, -quiet), a product still installed once the started program has ended (the
// person cancelled, or the uninstaller failed) goes back under its relocated name, unless anything
// says its removal may still be going on (see put_back.h).
void restoreInstallation(ModeContext& context);

// Modify mode (Change and Repair in the list of programs, through "ModifyPath"): restores the
// instance as uninstall mode does, starts the product's own "ModifyPath" command and waits for
// it, then puts the product, when it is still installed, back under the name it was relocated to,
// its possibly rewritten commands kept again (under the same rules as uninstall mode).
void modifyInstallation(ModeContext& context);
