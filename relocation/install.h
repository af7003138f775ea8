#pragma once
#include "relocation/mode_context.h"

// Install mode: once the installer's window is gone, moves the product's maintenance directory
// and uninstall key from its GUID to a free target name, keeps the product's own uninstall
// command in "szUninstallString" and makes "UninstallString" run isreloc in uninstall mode.
// Every expected problem ends with one box; registry failures escape as ERegistryException.
void relocateInstallation(ModeContext& context);

// The uninstall command written for a relocated product: the program path in quotes, then
// -uninstall, -guid"<target>" and -tguid"<source>", so that uninstall mode receives both names.
std::string buildUninstallCommand(const std::string& ownPath, const std::string& targetName,
                                  const std::string& sourceName);

// A GUID in braces: '{' at offset 0, '-' at 9, 14, 19 and 24, '}' at 37; nothing else tested.
bool hasGuidForm(const std::string& name);
