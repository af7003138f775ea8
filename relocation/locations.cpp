#include "relocation/locations.h"

#include <vector>

#include "platform/registry/owned_key.h"
#include "relocation/boxes.h"
#include "relocation/names.h"

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

std::string keySpelling(RegistryApi& api, const std::string& productName) {
    RegistryHandle opened = kNoKey;
    if (api.regOpenKeyExW(kLocalMachine, api.widen(std::string(kUninstallParentKey).substr(1)).c_str(), kKeyRead,
                          &opened) != 0)
        return productName;
    const OwnedKey parent(api, opened);
    KeyInfo info;
    if (api.regQueryInfoKeyA(parent.get(), &info) != 0) return productName;
    const std::u16string wanted = api.widen(productName);
    std::vector<char16_t> name(info.maxSubkeyNameLength + 1);
    for (uint32_t index = 0; index < info.subkeyCount; ++index) {
        uint32_t length = static_cast<uint32_t>(name.size());
        if (api.regEnumKeyExW(parent.get(), index, name.data(), &length) != 0) continue;
        const std::u16string found(name.data(), length);
        if (sameName(found, wanted)) return api.narrow(found);
    }
    return productName;
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
