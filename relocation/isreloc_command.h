#pragma once
// The commands isreloc writes into a relocated product's key, and how they are told apart from a
// product's own commands: by their whole form, never by a piece of one, since a product's command
// may hold any text.
//   uninstall       "<path>" -uninstall -guid"<relocated>" -tguid"<restored>"
//   modify          "<path>" -modify -guid"<relocated>" -tguid"<restored>"
//   quietUninstall  "<path>" -uninstall -guid"<relocated>" -tguid"<restored>" -quiet
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct KeyContents;

enum class IsrelocCommandKind { uninstall, modify, quietUninstall };

std::u16string buildIsrelocCommand(IsrelocCommandKind kind, const std::u16string& ownPath,
                                   const std::u16string& relocatedName, const std::u16string& restoredName);
// The uninstall form: what "UninstallString" holds while a product is relocated.
std::u16string buildUninstallCommand(const std::u16string& ownPath, const std::u16string& relocatedName,
                                     const std::u16string& restoredName);

struct IsrelocCommand {
    IsrelocCommandKind kind;
    std::u16string programPath;
    std::u16string relocatedName;  // where the product was moved to
    std::u16string restoredName;   // the name uninstall mode gives it back
    // Whether the command is for the product moved between these two names, in either direction,
    // without regard to letter case.
    bool names(const std::u16string& oneName, const std::u16string& otherName) const;
};

// The parts of a command written in exactly one of the three forms; nothing for any other text.
std::optional<IsrelocCommand> parseIsrelocCommand(const std::u16string& command);

// The command in a REG_SZ value of a key as read, when it is one of isreloc's.
std::optional<IsrelocCommand> isrelocCommandIn(const KeyContents& key, const std::u16string& valueName);

// The text of string data as stored: UTF-16LE up to the first NUL.
std::u16string textOfData(const std::vector<uint8_t>& data);
