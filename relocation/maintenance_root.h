#pragma once
// The folder that holds one maintenance folder per product, found where Windows says the
// program-files folder is.
#include <optional>
#include <string>

#include "relocation/mode_context.h"

// The directory that holds one maintenance directory per product, ending in a backslash:
// ProgramFilesDir + "\InstallShield Installation Information\", read as the registry holds it
// (UTF-16), so that a folder name outside the ANSI code page is kept. Read with read rights only:
// the run changes nothing there. Nothing, after the registry box, when the key or the value is
// there but cannot be read: the products under an unknown root are not "not installed".
// Raises ERegistryException for a value that is not text.
std::optional<std::u16string> locateMaintenanceRoot(ModeContext& context);
