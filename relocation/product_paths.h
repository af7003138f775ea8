#pragma once
// Where a product's maintenance data lives under a name: its uninstall key below the machine's
// uninstall key, and its maintenance folder (with the marker file setup.exe) under the root.
#include <string>

#include "platform/registry/registry_api.h"

extern const char* const kCurrentVersionKey;   // absolute, below HKEY_LOCAL_MACHINE
extern const char* const kUninstallParentKey;  // absolute, below HKEY_LOCAL_MACHINE
// The file whose presence in the folder says the product's maintenance data is there.
extern const char16_t* const kMarkerFile;      // with its leading backslash

// A product's maintenance folder under a name: the root and the name.
std::u16string productFolder(const RegistryApi& api, const std::u16string& root, const std::string& productName);

// The absolute path of a product's uninstall key.
std::string uninstallKeyPath(const std::string& productName);
