#pragma once
// Where a product's maintenance data lives: the registry object a mode run works through, the
// maintenance root under the machine's program-files folder, and the uninstall key paths.
#include <memory>
#include <string>

#include "relocation/mode_context.h"

extern const char* const kCurrentVersionKey;   // absolute, below HKEY_LOCAL_MACHINE
extern const char* const kUninstallParentKey;  // absolute, below HKEY_LOCAL_MACHINE

// The registry object of one mode run, flushing every key it closes, rooted at
// HKEY_LOCAL_MACHINE. Null, after the registry box, when it cannot be made.
std::unique_ptr<TRegistry> openRegistryObject(ModeContext& context);

// The directory that holds one maintenance directory per product, ending in a backslash:
// ProgramFilesDir + "\InstallShield Installation Information\". Leaves no key open.
std::string locateMaintenanceRoot(TRegistry& registry);

// The absolute path of a product's uninstall key.
std::string uninstallKeyPath(const std::string& productName);
