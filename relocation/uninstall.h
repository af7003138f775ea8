#pragma once
#include "relocation/mode_context.h"

// Uninstall mode: moves a relocated product's maintenance directory and uninstall key back to
// the product's own name, returns its own command to "UninstallString" and starts it (or the
// "-runfile" program). Every expected problem ends with one box, before anything moves where it
// can be foreseen; registry failures escape.
void restoreInstallation(ModeContext& context);
