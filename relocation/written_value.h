#pragma once
// An option's value as the command line holds it, in UTF-16 and its own letter case: the scan
// finds options in the lowercased 8-bit list, but a name or a path must arrive as written.
#include <string>
#include <vector>

#include "relocation/mode_context.h"
#include "relocation/options.h"

// The written entry less as many characters as the keyword has, as the scan cuts the 8-bit
// entry. Empty when not found or when the written list does not reach the entry.
std::u16string writtenValueIn(const std::vector<std::u16string>& written, const FoundOption& option,
                              const std::string& keyword);

// The same from the run's written list; the 8-bit entry widened when the run has no written list.
std::u16string writtenValue(const ModeContext& context, const FoundOption& option, const std::string& keyword);

// The value as the system's ANSI calls spell it, for a name the 8-bit rules check. A name must
// arrive exactly as written: a text whose 8-bit spelling reads back as another text (a character
// the code page lacks, or one it would swap for a look-alike) gives the empty text, which no name
// may be, so that it is refused with the format box before anything is looked at.
std::string writtenName(const ModeContext& context, const FoundOption& option, const std::string& keyword);
std::string exactAnsiName(const RegistryApi& api, const std::u16string& written);

// The two names of a restore (uninstall and modify mode), as written: the relocated name after
// -guid, and the name to restore after -tguid, or the relocated name less its suffix.
struct RestoreNames {
    std::u16string relocated;
    std::u16string restored;
};
RestoreNames restoreNamesOf(const OptionScan& options, const std::vector<std::u16string>& written);
// Each entry of the run's list as written (widened where the run has no written list).
std::vector<std::u16string> writtenList(const ModeContext& context);
