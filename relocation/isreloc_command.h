#pragma once
// The commands isreloc writes into a relocated product's key, and how they are told apart from a
// product's own commands: by their whole form, never by a piece of one, since a product's command
// may hold any text.
//   uninstall       "<path>" -uninstall -guid"<relocated>" -tguid"<restored>"
//   modify          "<path>" -modify -guid"<relocated>" -tguid"<restored>"
//   quietUninstall  "<path>" -uninstall -guid"<relocated>" -tguid"<restored>" -quiet
// A deployment engine, or a script, may write the same command with isreloc's switches after it
// and the product's own arguments after "--" (the README's engine line); that is isreloc's
// command too, wherever it is found, so that it is never kept as the product's.
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
    // Whether the command is for the product moved to `relocated` from `restored`, without regard
    // to letter case.
    bool records(const std::u16string& relocated, const std::u16string& restored) const;
    // The same in either direction.
    bool names(const std::u16string& oneName, const std::u16string& otherName) const;
};

// The parts of a command in one of the three forms, as isreloc writes them (any program path);
// or, where the program is an isreloc executable by its file name ("isreloc….exe"), in the
// uninstall or modify form followed by nothing but isreloc's switches (-silent, -wait, -quiet,
// -log"<file>", -timeout"<seconds>", -hwnd…, -runfile…) and at most one "--" with anything after
// it. Nothing for any other text. With -quiet among the switches an uninstall command is the
// quiet one.
std::optional<IsrelocCommand> parseIsrelocCommand(const std::u16string& command);

// Whether a stored value is one of isreloc's commands: string data (REG_SZ, or REG_EXPAND_SZ as a
// script may write it) in the form above. The one answer to that question.
bool isIsrelocCommand(uint32_t registryType, const std::vector<uint8_t>& data);

// The command in a value of a key as read, when it is one of isreloc's.
std::optional<IsrelocCommand> isrelocCommandIn(const KeyContents& key, const std::u16string& valueName);

// The text of string data as stored: UTF-16LE up to the first NUL.
std::u16string textOfData(const std::vector<uint8_t>& data);
