#pragma once
// The registry object a mode run works through.
#include <memory>

#include "relocation/mode_context.h"

// The registry object of one mode run, flushing every key it closes, rooted at
// HKEY_LOCAL_MACHINE. Null, after the registry box, when it cannot be made.
std::unique_ptr<TRegistry> openRegistryObject(ModeContext& context);
