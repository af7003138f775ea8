#pragma once
// The steps both modes share: the registry object, the maintenance root, the uninstall key
// paths, and putting the directory back when the key cannot follow it.
#include <memory>
#include <string>

#include "relocation/mode_context.h"

extern const char* const kCurrentVersionKey;   // absolute, below HKEY_LOCAL_MACHINE
extern const char* const kUninstallParentKey;  // absolute, below HKEY_LOCAL_MACHINE
extern const char* const kUninstallStringValue;
extern const char* const kSavedUninstallStringValue;
// Every command isreloc writes holds this text; a product's own command does not.
extern const char* const kOwnCommandMarker;

// The registry object of one mode run, flushing every key it closes, rooted at
// HKEY_LOCAL_MACHINE. Null, after the registry box, when it cannot be made.
std::unique_ptr<TRegistry> openRegistryObject(ModeContext& context);

// The directory that holds one maintenance directory per product, ending in a backslash:
// ProgramFilesDir + "\InstallShield Installation Information\". Leaves no key open.
std::string locateMaintenanceRoot(TRegistry& registry);

// The absolute path of a product's uninstall key.
std::string uninstallKeyPath(const std::string& productName);

// Whether a value of the open key is a text that holds isreloc's own uninstall command.
bool holdsOwnCommand(TRegistry& registry, const std::string& valueName);

// Moves the product key from source to target below HKEY_LOCAL_MACHINE's uninstall key, through
// the open uninstall key. A key already under the target name is stale and gives way, unless it
// holds everything the source holds and more: then the source is what an earlier move left
// behind when it stopped part-way (its copy begun, or the old key's removal), and only the source
// goes. Either way nothing of the product is lost. Registry failures escape as ERegistryException.
void moveProductKey(ModeContext& context, TRegistry& registry, const std::string& source,
                    const std::string& target);

// Whether the key at holderPath holds every value (type and bytes) and every subkey of the key at
// wantedPath, at every level; both paths are absolute uninstall-key paths. False when either
// cannot be read whole.
bool keyHoldsAllOf(RegistryApi& api, const std::string& holderPath, const std::string& wantedPath);

// When the product key cannot be moved with its directory, the directory goes back to where it
// was, so that the product is never left half relocated; then the key box is shown. A failed
// move back cannot be helped, and the box is shown all the same.
void undoDirectoryMoveAndReportMissingKey(ModeContext& context, const std::string& movedTo,
                                          const std::string& movedFrom);

void showError(ModeContext& context, const std::string& text, const std::string& caption);

// A product's directory and key are each named by one plain name. A name holding a path
// separator, a drive or a parent reference would reach outside the maintenance root and
// below other keys, so such names are refused before anything moves.
bool isPlainName(const std::string& name);
// The box for a GUID or target name that cannot be used.
void showIncorrectGuid(ModeContext& context);

// "Directory Error" text naming a directory that is in the way (the same wording in both modes).
std::string directoryInTheWayText(const std::string& directory);
