#include "relocation/boxes.h"

namespace {

std::string directoryInTheWayText(const std::string& directory) {
    return "Directory Error!\r\nUninstallation cannot proceed, the \"" + directory +
           "\" directory exists! Check if it is " + "empty and delete it if it is. Then retry the uninstall";
}

std::string keyInTheWayText(const std::string& keyPath) {
    return "Registry Error!\r\nUninstallation cannot proceed, the \"HKEY_LOCAL_MACHINE" + keyPath +
           "\" key exists and belongs to another installation! Check what it belongs to and remove it if it is "
           "stale. Then retry the uninstall";
}

std::string savedCommandInTheWayText(const std::string& keyPath, const std::string& savedValue) {
    return "Registry Error!\r\nUninstallation cannot proceed, the \"HKEY_LOCAL_MACHINE" + keyPath +
           "\" key holds a saved command in \"" + savedValue +
           "\" beside its own! Check what it belongs to and remove it if it is stale. Then retry the uninstall";
}

}  // namespace

void showError(ModeContext& context, const std::string& text, const std::string& caption) {
    context.outcome.noteFailure();
    context.services.showMessage(text, caption, kTaskModalError);
}

void showRefusal(ModeContext& context, const std::string& text, const std::string& caption) {
    context.outcome.noteRefusal();
    context.services.showMessage(text, caption, kTaskModalError);
}

void showIncorrectGuid(ModeContext& context) {
    showRefusal(context, "Incorrect GUID format!\r\nPlease pass the GUID in the correct format to this application",
                "Incorrect format");
}

void showStartFailed(ModeContext& context) {
    showError(context, "Launch Error!\r\nUnable to start the uninstall command", "Launch Error");
}

void showMissingKey(ModeContext& context) {
    showError(context, "Registry Error!\r\nUnable to find the uninstall key", "Registry Error");
}

void showRegistryUnavailable(ModeContext& context) {
    showError(context, "Registry Error!\r\nUnable to access the registry", "Registry Error");
}

void showDirectoryInTheWay(ModeContext& context, const std::string& directory) {
    showError(context, directoryInTheWayText(directory), "Directory Error");
}

void showKeyInTheWay(ModeContext& context, const std::string& keyPath) {
    showError(context, keyInTheWayText(keyPath), "Registry Error");
}

void showSavedCommandInTheWay(ModeContext& context, const std::string& keyPath, const std::string& savedValue) {
    showError(context, savedCommandInTheWayText(keyPath, savedValue), "Registry Error");
}

void showMoveInProgress(ModeContext& context) {
    context.outcome.noteBusy();
    context.services.showMessage(
        "Relocation Error!\r\nAnother relocation is in progress on this computer. Wait until it has finished, "
        "then retry",
        "Relocation Error", kTaskModalError);
}
