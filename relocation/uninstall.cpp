#include "relocation/uninstall.h"

#include "platform/text/text.h"
#include "relocation/options.h"
#include "relocation/shared_steps.h"

namespace {

constexpr int32_t kGuidLength = 38;

// Returns the product's own command to "UninstallString", and the command to start: the
// restored command as the registry holds it (in UTF-16, so that a path outside the ANSI code
// page still starts), with its environment references expanded when it is stored as an
// expandable string (the stored value keeps them).
std::u16string restoreProductCommand(TRegistry& registry, Services& services) {
    // isreloc's command gives way to the saved product command. A product command found in
    // "UninstallString" with nothing saved to replace it stays: it is the only one there is.
    const bool savedCommandPresent = registry.valueSize(kSavedUninstallStringValue) > 0;
    if (savedCommandPresent || holdsOwnCommand(registry, kUninstallStringValue) ||
        registry.valueSize(kUninstallStringValue) <= 0)
        registry.eraseValue(kUninstallStringValue);
    registry.relabelValue(kSavedUninstallStringValue, kUninstallStringValue);

    const std::u16string command = registry.readWideText(kUninstallStringValue);
    if (registry.queryValueInfo(kUninstallStringValue).kind == ValueKind::expandTextKind)
        return services.expandWideEnvironment(command);
    return command;
}

}  // namespace

std::string restoredNameFor(const std::string& relocatedName) {
    std::string name = relocatedName;
    cutText(name, findText("_", name), static_cast<int32_t>(name.size()) - kGuidLength);
    return name;
}

void restoreInstallation(ModeContext& context) {
    Services& services = context.services;
    const OptionScan options = scanOptions(context.arguments, kUninstallKeywords);
    if (!options.found(kGuidKeyword)) {
        showError(context,
                  "Insufficient commandline parameters!\r\nYou have to pass at least -uninstall and "
                  "-guid\"<value>\" to this application!",
                  "Insufficient Commandline");
        return;
    }
    const std::string sourceName = upperAscii(options.value(kGuidKeyword));
    const std::string targetName =
        options.found(kTguidKeyword) ? options.value(kTguidKeyword) : restoredNameFor(sourceName);
    if (!isPlainName(sourceName) || !isPlainName(targetName)) {
        showIncorrectGuid(context);
        return;
    }
    const std::string& hwnd = options.value(kHwndKeyword);
    if (!hwnd.empty() && !waitForParent(hwnd, services)) return;

    std::unique_ptr<TRegistry> registry = openRegistryObject(context);
    if (!registry) return;
    const std::string root = locateMaintenanceRoot(*registry);
    const std::string relocatedDirectory = root + sourceName;
    const std::string restoredDirectory = root + targetName;
    // A restored name that differs only in letter case is the relocated directory itself.
    if (equalText(lowerAscii(targetName), lowerAscii(sourceName)) || services.directoryProbe(restoredDirectory)) {
        showError(context, directoryInTheWayText(restoredDirectory), "Directory Error");
        return;
    }
    if (!services.moveDirectory(relocatedDirectory, restoredDirectory)) {
        showError(context, "Directory Error!\r\nUnable to restore the uninstall directory to its old location",
                  "Directory Error");
        return;
    }

    registry->openPath(kUninstallParentKey, false);
    if (!registry->hasKey(sourceName)) {
        registry->closePath();
        undoDirectoryMoveAndReportMissingKey(context, restoredDirectory, relocatedDirectory);
        return;
    }
    if (registry->hasKey(targetName)) registry->eraseKeyTree(targetName);
    registry->transplantKey(sourceName, targetName, true);
    if (registry->hasKey(sourceName) || !registry->openPath(uninstallKeyPath(targetName), false)) {
        registry->closePath();
        undoDirectoryMoveAndReportMissingKey(context, restoredDirectory, relocatedDirectory);
        return;
    }

    const std::u16string command = restoreProductCommand(*registry, services);
    registry->closePath();
    registry.reset();

    if (options.found(kRunfileKeyword))
        services.launchCommand("\"" + options.value(kRunfileKeyword) + "\"");
    else if (!command.empty())
        services.launchWideCommand(command);
}
