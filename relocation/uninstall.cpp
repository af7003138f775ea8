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

    const ValueInfo info = registry.queryValueInfo(kUninstallStringValue);
    const std::u16string command = registry.readWideText(kUninstallStringValue);
    // A command that is there but cannot be read or typed, a saved command that did not come back,
    // and isreloc's own command still in place are failures to report: never a run that silently
    // starts nothing, or starts isreloc again.
    if (info.ok ? command.empty() && info.size > 2 : !command.empty())
        throw ERegistryException("Failed to get data for '" + std::string(kUninstallStringValue) + "'");
    if ((savedCommandPresent && !info.ok) || holdsOwnCommand(registry, kUninstallStringValue))
        throw ERegistryException("Failed to set data for '" + std::string(kUninstallStringValue) + "'");
    if (info.kind == ValueKind::expandTextKind) return services.expandWideEnvironment(command);
    return command;
}

// Whether an earlier run moved the directory back and stopped before the key and the product's
// command followed: the relocated key is still there, or the restored key still holds isreloc's
// command or the saved product command. Leaves no key open.
bool restoreWasInterrupted(TRegistry& registry, const std::string& sourceName, const std::string& targetName) {
    bool interrupted = registry.hasKey(uninstallKeyPath(sourceName));
    if (!interrupted && registry.openPath(uninstallKeyPath(targetName), false))
        interrupted = registry.valueSize(kSavedUninstallStringValue) > 0 ||
                      holdsOwnCommand(registry, kUninstallStringValue);
    registry.closePath();
    return interrupted;
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
    const bool sameName = equalText(lowerAscii(targetName), lowerAscii(sourceName));
    bool directoryMoved = false;
    if (sameName || services.directoryProbe(restoredDirectory)) {
        // Unless an earlier run moved the directory back and stopped before the key and the
        // command followed: then the restore goes on from where that run stopped.
        if (sameName || services.directoryProbe(relocatedDirectory) ||
            !restoreWasInterrupted(*registry, sourceName, targetName)) {
            showError(context, directoryInTheWayText(restoredDirectory), "Directory Error");
            return;
        }
    } else if (!services.moveDirectory(relocatedDirectory, restoredDirectory)) {
        showError(context, "Directory Error!\r\nUnable to restore the uninstall directory to its old location",
                  "Directory Error");
        return;
    } else {
        directoryMoved = true;
    }

    registry->openPath(kUninstallParentKey, false);
    if (registry->hasKey(sourceName)) {
        moveProductKey(context, *registry, sourceName, targetName);
        if (registry->hasKey(sourceName)) {
            registry->closePath();
            undoDirectoryMoveAndReportMissingKey(context, restoredDirectory, relocatedDirectory);
            return;
        }
    } else if (!registry->hasKey(targetName)) {
        // No key under either name. The directory goes back only when this run moved it.
        registry->closePath();
        if (directoryMoved) {
            undoDirectoryMoveAndReportMissingKey(context, restoredDirectory, relocatedDirectory);
        } else {
            showError(context, "Registry Error!\r\nUnable to find the uninstall key", "Registry Error");
        }
        return;
    }
    // The key is under the restored name now (moved by this run, or by an earlier one that
    // stopped before the command came back), and the directory stays with it, also when the key
    // cannot be opened to bring the command back.
    if (!registry->openPath(uninstallKeyPath(targetName), false)) {
        registry->closePath();
        showError(context, "Registry Error!\r\nUnable to find the uninstall key", "Registry Error");
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
