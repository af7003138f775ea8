#pragma once
// The values isreloc owns in a product's key. While the product is relocated, each command the
// list of programs can run ("UninstallString", "ModifyPath", "QuietUninstallString") is kept in a
// saved value ("sz" + its name) and replaced by isreloc's command of the matching kind. Install
// mode keeps the commands, uninstall mode gives them back; neither ever drops a product's command.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "relocation/isreloc_command.h"
#include "relocation/key_contents.h"

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

// isreloc's commands as a restore found them in the three command values, type and bytes (empty
// data for none), in the order of kCommandValues: a product put back under its relocated name
// after Change or a cancelled uninstall gets exactly these again, the switches an engine wrote
// into them included.
struct StoredCommand {
    uint32_t type = 0;
    std::vector<uint8_t> data;
};
using IsrelocCommands = std::array<StoredCommand, 3>;

// The saved value (as isreloc names it) of the first command whose saved value holds a product
// command other than the one in its live value (another type or other bytes), in the product's key
// as read; nothing when there is none. relocateProductCommands would write the live command over
// the saved one, and both are the product's: nothing proves which is stale, so a run that finds
// one moves nothing.
std::optional<std::string> savedCommandBesideLive(const KeyContents& key, const std::u16string& relocatedName,
                                                  const std::u16string& restoredName);

// isreloc's command below is always one between the run's two names (relocatedName and
// restoredName, in either direction): a command between other names is the product's, whatever
// its form, and is kept like any other.
//
// Install mode, on the open product key, for each command: a product command in the live value
// (anything but isreloc's own command) is copied, type and bytes, to the saved value, replacing
// what it holds (nothing, the same command, isreloc's own: callers first refuse a key for which
// savedCommandBesideLive finds another product command there); then isreloc's command for the
// two names is written over the live value, where the product has one (or for "UninstallString",
// always): the previous command when one is given for that value and it records this move,
// relocatedName from restoredName.
void relocateProductCommands(TRegistry& registry, const std::u16string& ownPath, const std::u16string& relocatedName,
                             const std::u16string& restoredName, const IsrelocCommands* previous = nullptr);

struct RestoredCommand {
    std::u16string text;      // empty when there is none
    bool expandable = false;  // stored as REG_EXPAND_SZ: its %NAME% references are for the start
};
struct RestoredCommands {
    RestoredCommand uninstall;
    RestoredCommand modify;
    RestoredCommand quietUninstall;
    IsrelocCommands isrelocCommands;  // what gave way to them
};

// On the open product key, each command's values as they were before relocateProductCommands:
// isreloc's command in a live value gives way to the saved product command, written over it in
// one write before the saved value goes; a product command found there stays, and a saved copy
// identical to it goes. A product command that differs from the saved one stays where it is,
// beside it: nothing proves which one is stale. A saved value that is isreloc's own command is
// never made the live one. Returns isreloc's commands that gave way. Raises when a write is
// refused.
IsrelocCommands giveCommandsBack(TRegistry& registry, const std::u16string& relocatedName,
                                 const std::u16string& restoredName);

// Uninstall mode, on the open product key: gives the product each of its commands back and
// returns them as stored, in UTF-16. Raises when a command that is left cannot be read as text,
// or when isreloc's own command is still in place, so that a run never silently starts nothing,
// or isreloc again.
RestoredCommands restoreProductCommands(TRegistry& registry, const std::u16string& relocatedName,
                                        const std::u16string& restoredName);
