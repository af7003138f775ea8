#pragma once
// The commands isreloc writes into a relocated product's key, and how they are told apart from a
// product's own commands. isreloc writes them in one form:
//   uninstall       "<path>" -uninstall -guid"<relocated>" -tguid"<restored>"
//   modify          "<path>" -modify -guid"<relocated>" -tguid"<restored>"
//   quietUninstall  "<path>" -uninstall -guid"<relocated>" -tguid"<restored>" -quiet
// A deployment engine or a script may write the same command in another spelling (switches in
// any letter case, values quoted or not, its own switches, arguments isreloc ignores, the
// product's arguments after "--"). Which of these is isreloc's is decided by what isreloc itself,
// started with the line, would run: the line is read by the program's own tokenizer and scans.
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

// The restore a command line asks of isreloc: the line read as the program reads its own (the
// same tokenizer, unattended switches, mode switch and option scan), when isreloc started with it
// would run uninstall mode (the quiet one with -quiet) or modify mode: the program a mode
// switch, -guid, a -timeout and a -hwnd it takes. The program is isreloc when its file name says
// so ("isreloc….exe", any folder, any letter case), or, whatever the program, when the line is
// exactly one isreloc writes. Nothing for any other text. The names are as written; whether they
// are the names of a run is the caller's question.
std::optional<IsrelocCommand> parseIsrelocCommand(const std::u16string& command);

// Whether a stored value is isreloc's command for these two names, in either direction: string
// data (REG_SZ, or REG_EXPAND_SZ as a script may write it) that isreloc would run as a restore
// between them. A command between other names is a product's, whatever its form. The one answer
// to that question.
bool isIsrelocCommandFor(uint32_t registryType, const std::vector<uint8_t>& data, const std::u16string& oneName,
                         const std::u16string& otherName);

// The command in a value of a key as read, when isreloc would run it as a restore.
std::optional<IsrelocCommand> isrelocCommandIn(const KeyContents& key, const std::u16string& valueName);

// The text of string data as stored: UTF-16LE up to the first NUL.
std::u16string textOfData(const std::vector<uint8_t>& data);
