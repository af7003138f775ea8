#pragma once
#include "relocation/mode_context.h"

// Install mode: once the installer's window is gone, moves the product's maintenance directory
// and uninstall key from its GUID to a free target name, keeps the product's own uninstall
// command in "szUninstallString" and makes "UninstallString" run isreloc in uninstall mode.
// Every expected problem ends with one box, before anything moves where it can be foreseen;
// registry failures escape as ERegistryException.
void relocateInstallation(ModeContext& context);
