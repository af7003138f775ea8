#pragma once
#include "relocation/mode_context.h"

// Uninstall mode: moves a relocated product's maintenance directory and uninstall key back to
// the product's own name, returns its own command to "UninstallString" and starts it (or the
// "-runfile" program). Every expected problem ends with one box; registry failures escape.
void restoreInstallation(ModeContext& context);

// The name to restore when none is given: a relocated name {GUID}_n less its "_n".
std::string restoredNameFor(const std::string& relocatedName);
