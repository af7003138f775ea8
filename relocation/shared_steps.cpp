#include "relocation/shared_steps.h"

#include "platform/text/text.h"

const char* const kCurrentVersionKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const kUninstallParentKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const kUninstallStringValue = "UninstallString";
const char* const kSavedUninstallStringValue = "szUninstallString";
const char* const kOwnCommandMarker = "\" -uninstall -guid\"";

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
    // The program is 32-bit, like the installers it serves, and uses the default registry view
    // on purpose: it must see the uninstall entries exactly where they wrote them.
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
