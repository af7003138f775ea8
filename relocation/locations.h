#pragma once
// Where a product's maintenance data lives: the registry object a mode run works through, the
// maintenance root under the machine's program-files folder, and the uninstall key paths.
#include <memory>
#include <string>

#include "relocation/mode_context.h"

extern const char* const kCurrentVersionKey;   // absolute, below HKEY_LOCAL_MACHINE
extern const char* const kUninstallParentKey;  // absolute, below HKEY_LOCAL_MACHINE

// The registry object of one mode run, flushing every key it closes, rooted at
// HKEY_LOCAL_MACHINE. Null, after the registry box, when it cannot be made.
std::unique_ptr<TRegistry> openRegistryObject(ModeContext& context);

// The directory that holds one maintenance directory per product, ending in a backslash:
// ProgramFilesDir + "\InstallShield Installation Information\", read as the registry holds it
// (UTF-16), so that a folder name outside the ANSI code page is kept. Leaves no key open.
std::u16string locateMaintenanceRoot(TRegistry& registry);

// A product's maintenance folder under a name: the root and the name.
std::u16string productFolder(const RegistryApi& api, const std::u16string& root, const std::string& productName);

// The absolute path of a product's uninstall key.
std::string uninstallKeyPath(const std::string& productName);

// The name as the product's key spells it below the uninstall key (names match without regard to
// case); the name as given when no key matches or the key cannot be listed.
std::string keySpelling(RegistryApi& api, const std::string& productName);

// Whether the folder and file steps can name everything below the product's folder under this
// name: its marker file's path within the longest path the system takes (32,767 characters with
// the long-path prefix the services add). A name that does not fit is refused like a malformed one.
bool fitsInPath(const std::u16string& root, const std::string& productName);

// What there is of a product under a name: its uninstall key (there and readable), and the marker
// file setup.exe in its maintenance folder.
struct ProductPresence {
    bool key = false;
    bool markerFile = false;
    // Whether the product is installed under the name: the one answer to that question.
    bool installed() const { return key && markerFile; }
};
ProductPresence productPresence(ModeContext& context, TRegistry& registry, const std::u16string& root,
                                const std::string& productName);

// Whether the run can change the product's key under this name: the uninstall key and the
// product's key both open for writing. Leaves no key open.
bool productKeyWritable(TRegistry& registry, const std::string& productName);
