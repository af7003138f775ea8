#pragma once
// A product as its installer leaves it, on a machine whose program-files folder a case has moved
// into its scratch folder: the maintenance directory holding setup.exe, and the uninstall key
// with values of every kind, names and texts outside the ANSI code page, and subkeys three deep.
// Hooks for the cases of both modes: lay it out, look at it, and put the machine back.
#include <cstdint>
#include <string>
#include <vector>

#include "e2e_case.h"
#include "key_tree.h"

// In upper case, as the tool spells the name it moves.
extern const char* const kProductGuid;
// The names a run on the product moves it between unless a case says otherwise: the GUID and
// the first relocated name.
std::vector<std::string> productRunNames();

// The product's own uninstall command, as stored in its "UninstallString".
struct ProductCommand {
    uint32_t type;  // REG_SZ or REG_EXPAND_SZ
    std::wstring text;
    // The command line the product's uninstaller receives, as the probe records it (UTF-8).
    std::string startedAs;
};
// Starts the probe with arguments that say which command it was.
ProductCommand plainProductCommand(const E2eEnvironment& environment);
// Names the probe through an environment variable the driver sets; stored as REG_EXPAND_SZ and
// started expanded.
ProductCommand expandableProductCommand(const E2eEnvironment& environment);
// A product's own command in the very form of isreloc's, between other names.
ProductCommand lookalikeProductCommand(const E2eEnvironment& environment);
// Starts a copy of the probe in a folder whose name no ANSI code page holds.
ProductCommand foreignPathProductCommand(const E2eEnvironment& environment);
// prepare: puts that copy in place.
void copyProbeToForeignPath(CaseContext& context);

// The tool lowercases every argument, so names given on its command line arrive like this.
std::string asciiLower(std::string text);

// "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name.
std::string uninstallKeyPath(const std::string& name);
// The redirected "<ProgramFilesDir>\\InstallShield Installation Information\\".
std::string maintenanceRoot(const E2eEnvironment& environment);
// What install mode writes into "UninstallString": isreloc's own command.
std::string isrelocUninstallCommand(const E2eEnvironment& environment, const std::string& targetName,
                                const std::string& sourceName);

// bulkSubkeys more subkeys of 100 values each make a key whose move takes long enough to be cut short.
KeyTree productKeyTree(const ProductCommand& command, int bulkSubkeys = 0);
// The product's key once relocated: its own command under "szUninstallString" with its type and
// bytes, and the tool's command, a REG_SZ, in "UninstallString".
KeyTree relocatedKeyTree(const ProductCommand& command, const std::string& isrelocCommand, int bulkSubkeys = 0);

// prepare: points "ProgramFilesDir" at the scratch folder (the machine's own value is kept for
// restoreMachine), the probe's log into the scratch folder, and sets the variable the expandable
// command uses; lays out other products' entries and folders right beside every name a case
// uses, in both registry views.
void redirectMachine(CaseContext& context);
// prepare: the key tree under the uninstall key named name, when given.
void seedProductKey(CaseContext& context, const std::string& name, const KeyTree& tree);
// prepare: the maintenance directory named name, with setup.exe in it.
void seedProductDirectory(CaseContext& context, const std::string& name);
// prepare: the product freshly installed under kProductGuid.
void seedInstalledProduct(CaseContext& context, const ProductCommand& command);
// prepare: the product as install mode leaves it under relocatedName.
void seedRelocatedProduct(CaseContext& context, const ProductCommand& command, const std::string& relocatedName);
// cleanup: removes every uninstall key whose name starts with the product's GUID and the
// neighbours' keys, and gives "ProgramFilesDir" its own value back.
void restoreMachine(CaseContext& context);

// verify
void expectKeyTree(CaseContext& context, const std::string& name, const KeyTree& expected);
void expectNoKey(CaseContext& context, const std::string& name);
void expectProductDirectory(CaseContext& context, const std::string& name);  // with setup.exe
void expectNoDirectory(CaseContext& context, const std::string& name);
// The product's key and folder are spelt exactly so, letter case included: a restore gives back
// the very names they had.
void expectSpeltExactly(CaseContext& context, const std::string& name);
// The probe's log once it holds at least the expected number of lines, or after a time-out: a
// program the tool started runs on after the tool has ended.
void expectProbeLog(CaseContext& context, const std::vector<std::string>& expectedLines);
