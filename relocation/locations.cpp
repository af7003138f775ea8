#include "relocation/locations.h"

#include "relocation/boxes.h"

const char* const kCurrentVersionKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const kUninstallParentKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

const char16_t* const kMaintenanceFolder = u"InstallShield Installation Information\\";
const char16_t* const kMarkerFile = u"\\setup.exe";
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

std::u16string locateMaintenanceRoot(TRegistry& registry) {
    std::u16string programFiles;
    if (registry.openPath(kCurrentVersionKey, false)) programFiles = registry.readWideText("ProgramFilesDir");
    registry.closePath();
    const bool endsInBackslash = !programFiles.empty() && programFiles.back() == u'\\';
    return programFiles + (endsInBackslash ? u"" : u"\\") + kMaintenanceFolder;
}

std::u16string productFolder(const RegistryApi& api, const std::u16string& root, const std::string& productName) {
    return root + api.widen(productName);
}

std::string uninstallKeyPath(const std::string& productName) {
    return std::string(kUninstallParentKey) + "\\" + productName;
}

bool fitsInPath(const std::u16string& root, const std::string& productName) {
    return root.size() + productName.size() + std::u16string(kMarkerFile).size() <= kLongestPath;
}

ProductPresence productPresence(ModeContext& context, TRegistry& registry, const std::u16string& root,
                                const std::string& productName) {
    ProductPresence presence;
    presence.key = registry.hasKey(uninstallKeyPath(productName));
    presence.markerFile =
        context.services.fileExists(productFolder(context.registryApi, root, productName) + kMarkerFile);
    return presence;
}

bool productKeyWritable(TRegistry& registry, const std::string& productName) {
    const bool writable =
        registry.openPath(kUninstallParentKey, false) && registry.openPath(uninstallKeyPath(productName), false);
    registry.closePath();
    return writable;
}
