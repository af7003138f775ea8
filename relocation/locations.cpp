#include "relocation/locations.h"

#include "relocation/boxes.h"

const char* const kCurrentVersionKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const kUninstallParentKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

const char* const kMaintenanceFolder = "InstallShield Installation Information\\";
const char* const kMarkerFile = "\\setup.exe";
// The system's longest path, less the long-path prefix and the terminating NUL.
constexpr std::size_t kLongestPath = 32767 - 4 - 1;

}  // namespace

std::unique_ptr<TRegistry> openRegistryObject(ModeContext& context) {
    std::unique_ptr<TRegistry> registry;
    try {
        registry = context.createRegistry(context.registryApi);
    } catch (...) {
    }
    if (!registry) {
        showRegistryUnavailable(context);
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

bool fitsInPath(const std::string& root, const std::string& productName) {
    return root.size() + productName.size() + std::string(kMarkerFile).size() <= kLongestPath;
}

ProductPresence productPresence(ModeContext& context, TRegistry& registry, const std::string& root,
                                const std::string& productName) {
    ProductPresence presence;
    presence.key = registry.hasKey(uninstallKeyPath(productName));
    presence.markerFile = context.services.fileExists(root + productName + kMarkerFile);
    return presence;
}

bool productKeyWritable(TRegistry& registry, const std::string& productName) {
    const bool writable =
        registry.openPath(kUninstallParentKey, false) && registry.openPath(uninstallKeyPath(productName), false);
    registry.closePath();
    return writable;
}
