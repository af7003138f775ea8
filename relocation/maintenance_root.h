#pragma once
// The folder that holds one maintenance folder per product, found where Windows says the
// program-files folder is.
#include <string>

#include "platform/registry/registry.h"

// The directory that holds one maintenance directory per product, ending in a backslash:
// ProgramFilesDir + "\InstallShield Installation Information\", read as the registry holds it
// (UTF-16), so that a folder name outside the ANSI code page is kept. Leaves no key open.
std::u16string locateMaintenanceRoot(TRegistry& registry);
