#include "relocation/locations.h"

#include "relocation/boxes.h"

const char* const kCurrentVersionKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const kUninstallParentKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

const char* const kMaintenanceFolder = "InstallShield Installation Information\\";

}  // namespace

std::unique_ptr<TRegistry> openRegistryObject(ModeContext& context) {
    std::unique_ptr<TRegistry> registry;
    try {
        registry = context.createRegistry(context.registryApi);
    } catch (...) {
    }
    if (!registry) {
        showError(context, "Registry Error!\r\nUnable to access the registry", "Registry Error");
        return nullptr;
    }
    // The registry backend works in the 32-bit view, where the installers isreloc serves write
    // their uninstall entries.
    registry->setFlushOnClose(true);
    registry->setRoot(kLocalMachine);
    return registry;
}

std::string locateMaintenanceRoot(TRegistry& registry) {
    std::string programFiles;
    if (registry.openPath(kCurrentVersionKey, false)) programFiles = registry.readText("ProgramFilesDir");
    registry.closePath();
    const bool endsInBackslash = !programFiles.empty() && programFiles.back() == '\\';
    return programFiles + (endsInBackslash ? "" : "\\") + kMaintenanceFolder;
}

std::string uninstallKeyPath(const std::string& productName) {
    return std::string(kUninstallParentKey) + "\\" + productName;
}
