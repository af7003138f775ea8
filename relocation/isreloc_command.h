#pragma once
// The uninstall command isreloc writes into a relocated product's "UninstallString", and how it
// is told apart from a product's own command: by its whole form, never by a piece of it, since a
// product's command may hold any text.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct KeyContents;

// "<ownPath>" -uninstall -guid"<relocatedName>" -tguid"<restoredName>"
std::u16string buildUninstallCommand(const std::u16string& ownPath, const std::u16string& relocatedName,
                                     const std::u16string& restoredName);

struct IsrelocCommand {
    std::u16string programPath;
    std::u16string relocatedName;  // where the product was moved to
    std::u16string restoredName;   // the name uninstall mode gives it back
    // Whether the command is for the product moved between these two names, in either direction,
    // without regard to letter case.
    bool names(const std::u16string& oneName, const std::u16string& otherName) const;
};

// The parts of a command written in exactly that form; nothing for any other text.
std::optional<IsrelocCommand> parseIsrelocCommand(const std::u16string& command);

// The command in a REG_SZ value of a key as read, when it is one of isreloc's.
std::optional<IsrelocCommand> isrelocCommandIn(const KeyContents& key, const std::u16string& valueName);

// The text of string data as stored: UTF-16LE up to the first NUL.
std::u16string textOfData(const std::vector<uint8_t>& data);
