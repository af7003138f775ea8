#include "relocation/shared_steps.h"

#include <algorithm>
#include <vector>

#include "platform/registry/owned_key.h"
#include "platform/text/text.h"

const char* const kCurrentVersionKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const kUninstallParentKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const kUninstallStringValue = "UninstallString";
const char* const kSavedUninstallStringValue = "szUninstallString";
const char* const kOwnCommandMarker = "\" -uninstall -guid\"";

namespace {

const char* const kMaintenanceFolder = "InstallShield Installation Information\\";
constexpr uint32_t kKeyRead = 0x20019;  // KEY_READ: enough to compare, nothing to change

RegistryHandle openForReading(RegistryApi& api, RegistryHandle base, const std::u16string& subPath) {
    RegistryHandle key = kNoKey;
    if (api.regOpenKeyExW(base, subPath.c_str(), kKeyRead, &key) != 0) return kNoKey;
    return key;
}

bool readValue(RegistryApi& api, RegistryHandle key, const std::u16string& name, uint32_t& type,
               std::vector<uint8_t>& data) {
    uint32_t size = 0;
    if (api.regQueryValueExW(key, name.c_str(), &type, nullptr, &size) != 0) return false;
    data.assign(size, 0);
    return api.regQueryValueExW(key, name.c_str(), &type, data.data(), &size) == 0 && size == data.size();
}

bool treeHoldsAllOf(RegistryApi& api, RegistryHandle holder, RegistryHandle wanted) {
    KeyInfo info;
    if (api.regQueryInfoKeyA(wanted, &info) != 0) return false;
    std::vector<char16_t> name(std::max(info.maxValueNameLength, info.maxSubkeyNameLength) + 1);
    for (uint32_t index = 0; index < info.valueCount; ++index) {
        uint32_t length = static_cast<uint32_t>(name.size());
        if (api.regEnumValueW(wanted, index, name.data(), &length) != 0) return false;
        const std::u16string valueName(name.data(), length);
        uint32_t wantedType = 0, heldType = 0;
        std::vector<uint8_t> wantedData, heldData;
        if (!readValue(api, wanted, valueName, wantedType, wantedData) ||
            !readValue(api, holder, valueName, heldType, heldData) || wantedType != heldType || wantedData != heldData)
            return false;
    }
    for (uint32_t index = 0; index < info.subkeyCount; ++index) {
        uint32_t length = static_cast<uint32_t>(name.size());
        if (api.regEnumKeyExW(wanted, index, name.data(), &length) != 0) return false;
        const std::u16string subkeyName(name.data(), length);
        OwnedKey wantedSubkey(api, openForReading(api, wanted, subkeyName));
        OwnedKey heldSubkey(api, openForReading(api, holder, subkeyName));
        if (!wantedSubkey || !heldSubkey || !treeHoldsAllOf(api, heldSubkey.get(), wantedSubkey.get())) return false;
    }
    return true;
}

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

bool holdsOwnCommand(TRegistry& registry, const std::string& valueName) {
    const ValueInfo info = registry.queryValueInfo(valueName);
    if (!info.ok || (info.kind != ValueKind::textKind && info.kind != ValueKind::expandTextKind)) return false;
    return findText(kOwnCommandMarker, registry.readText(valueName)) > 0;
}

void moveProductKey(ModeContext& context, TRegistry& registry, const std::string& source,
                    const std::string& target) {
    if (registry.hasKey(target)) {
        RegistryApi& api = context.registryApi;
        const std::string sourcePath = uninstallKeyPath(source);
        const std::string targetPath = uninstallKeyPath(target);
        if (keyHoldsAllOf(api, targetPath, sourcePath) && !keyHoldsAllOf(api, sourcePath, targetPath)) {
            registry.eraseKeyTree(source);
            return;
        }
        registry.eraseKeyTree(target);
    }
    registry.moveKey(source, target);
}

bool keyHoldsAllOf(RegistryApi& api, const std::string& holderPath, const std::string& wantedPath) {
    // The paths start with a backslash, which the registry calls do not take.
    OwnedKey holder(api, openForReading(api, kLocalMachine, api.widen(holderPath.substr(1))));
    OwnedKey wanted(api, openForReading(api, kLocalMachine, api.widen(wantedPath.substr(1))));
    return holder && wanted && treeHoldsAllOf(api, holder.get(), wanted.get());
}

void undoDirectoryMoveAndReportMissingKey(ModeContext& context, const std::string& movedTo,
                                          const std::string& movedFrom) {
    context.services.moveDirectory(movedTo, movedFrom);
    showError(context, "Registry Error!\r\nUnable to find the uninstall key", "Registry Error");
}

void showError(ModeContext& context, const std::string& text, const std::string& caption) {
    context.services.showMessage(text, caption, kTaskModalError);
}

bool isPlainName(const std::string& name) {
    return name.find_first_of("\\/:") == std::string::npos && name != "." && name != "..";
}

void showIncorrectGuid(ModeContext& context) {
    showError(context, "Incorrect GUID format!\r\nPlease pass the GUID in the correct format to this application",
              "Incorrect format");
}

std::string directoryInTheWayText(const std::string& directory) {
    return "Directory Error!\r\nUninstallation cannot proceed, the \"" + directory +
           "\" directory exists! Check if it is " + "empty and delete it if it is. Then retry the uninstall";
}
