#include "relocation/product_paths.h"

const char* const kCurrentVersionKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const kUninstallParentKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char16_t* const kMarkerFile = u"\\setup.exe";

std::u16string productFolder(const RegistryApi& api, const std::u16string& root, const std::string& productName) {
    return root + api.widen(productName);
}

std::string uninstallKeyPath(const std::string& productName) {
    return std::string(kUninstallParentKey) + "\\" + productName;
}
