#pragma once
// An option's value as the command line holds it, in UTF-16 and its own letter case: the scan
// finds options in the lowercased 8-bit list, but a name or a path must arrive as written.
#include <string>

#include "relocation/mode_context.h"
#include "relocation/options.h"

// The written entry less as many characters as the keyword has, as the scan cuts the 8-bit
// entry; the 8-bit entry widened when the run has no written list. Empty when not found.
std::u16string writtenValue(const ModeContext& context, const FoundOption& option, const std::string& keyword);

// The same as the system's ANSI calls would read it, for a name the 8-bit rules check.
std::string writtenName(const ModeContext& context, const FoundOption& option, const std::string& keyword);
