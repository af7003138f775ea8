#pragma once
// The values isreloc owns in a product's key. While the product is relocated, each command the
// list of programs can run ("UninstallString", "ModifyPath", "QuietUninstallString") is kept in a
// saved value ("sz" + its name) and replaced by isreloc's command of the matching kind. Install
// mode keeps the commands, uninstall mode gives them back; neither ever drops a product's command.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "relocation/isreloc_command.h"

struct CommandValues {
    const char* live;   // the command the list of programs runs
    const char* saved;  // where the product's own command is kept while relocated
    std::u16string liveInRegistry;
    std::u16string savedInRegistry;
    IsrelocCommandKind isrelocKind;  // isreloc's command written in its place
    // "UninstallString" gets isreloc's command even when the product had none; the others only
    // where the product has them, so that an entry never offers a path it did not have.
    bool alwaysRelocated;
};

extern const std::array<CommandValues, 3> kCommandValues;
extern const CommandValues& kUninstallCommand;  // the first of them: "UninstallString"

// Install mode, on the open product key, for each command: a product command in the live value
// (anything but isreloc's own command) is copied, type and bytes, to the saved value, replacing a
// saved command left there by an earlier relocation (the live one belongs to the product now);
// then isreloc's command for the two names is written over the live value, where the product has
// one (or for "UninstallString", always): the previous command when one is given for that value.
// isreloc's commands as a restore found them in the three command values, REG_SZ bytes (empty for
// none), in the order of kCommandValues: a product put back under its relocated name after Change
// or a cancelled uninstall gets exactly these again.
using IsrelocCommandBytes = std::array<std::vector<uint8_t>, 3>;

void relocateProductCommands(TRegistry& registry, const std::u16string& ownPath, const std::u16string& relocatedName,
                             const std::u16string& restoredName, const IsrelocCommandBytes* previous = nullptr);

struct RestoredCommand {
    std::u16string text;      // empty when there is none
    bool expandable = false;  // stored as REG_EXPAND_SZ: its %NAME% references are for the start
};
struct RestoredCommands {
    RestoredCommand uninstall;
    RestoredCommand modify;
    RestoredCommand quietUninstall;
    IsrelocCommandBytes isrelocCommands;  // what gave way to them
};

// Uninstall mode, on the open product key: gives the product each of its commands back and
// returns them as stored, in UTF-16. isreloc's command in a live value gives way to the saved one,
// written over it in one write before the saved value goes; a product command found there stays,
// and a saved copy identical to it goes. A product command that differs from the saved one stays
// where it is, beside it: nothing proves which one is stale. Raises when a command that is left
// cannot be read as text, or when isreloc's own command is still in place, so that a run never
// silently starts nothing, or isreloc again.
RestoredCommands restoreProductCommands(TRegistry& registry);
