#include "relocation/install.h"

#include "platform/text/text.h"
#include "relocation/options.h"
#include "relocation/shared_steps.h"

namespace {

struct InstallNames {
    std::string source;  // the product's GUID, upper case
    std::string target;  // where it is moved to
};

// The first of SOURCE_0, SOURCE_1, ... that names no directory under the maintenance root.
std::string firstFreeTargetName(Services& services, const std::string& root, const std::string& source) {
    std::string candidate = source + "_0";
    for (int32_t n = 1; services.directoryProbe(root + candidate); ++n) candidate = source + "_" + formatInteger(n);
    return candidate;
}

// Moves the product's own command to "szUninstallString". A "szUninstallString" left over
// from an earlier relocation is stale when "UninstallString" holds a product command again:
// that command is the one to keep. Never leaves the product command only in "UninstallString",
// which is about to be overwritten.
void keepProductCommand(TRegistry& registry) {
    const bool productCommandPresent = registry.valueSize(kUninstallStringValue) > 0 &&
                                       !holdsOwnCommand(registry, kUninstallStringValue);
    if (productCommandPresent && registry.hasValue(kSavedUninstallStringValue))
        registry.eraseValue(kSavedUninstallStringValue);
    registry.relabelValue(kUninstallStringValue, kSavedUninstallStringValue);
    if (productCommandPresent && registry.hasValue(kUninstallStringValue))
        throw ERegistryException("Failed to set data for '" + std::string(kSavedUninstallStringValue) + "'");
}

}  // namespace

bool hasGuidForm(const std::string& name) {
    return name.size() >= 38 && name[0] == '{' && name[9] == '-' && name[14] == '-' && name[19] == '-' &&
           name[24] == '-' && name[37] == '}';
}

std::string buildUninstallCommand(const std::string& ownPath, const std::string& targetName,
                                  const std::string& sourceName) {
    return "\"" + ownPath + "\" -uninstall -guid\"" + targetName + "\" -tguid\"" + sourceName + "\"";
}

void relocateInstallation(ModeContext& context) {
    Services& services = context.services;
    const OptionScan options = scanOptions(context.arguments, kInstallKeywords);
    if (!options.found(kGuidKeyword) || !options.found(kHwndKeyword)) {
        showError(context,
                  "Insufficient commandline parameters!\r\nYou have to pass at least -hwnd\"<value>\" and "
                  "-guid\"<value>\" to this application!",
                  "Insufficient Commandline");
        return;
    }
    InstallNames names;
    names.source = upperAscii(options.value(kGuidKeyword));
    const bool plainTarget = !options.found(kTguidKeyword) || isPlainName(options.value(kTguidKeyword));
    if (!hasGuidForm(names.source) || !isPlainName(names.source) || !plainTarget) {
        showIncorrectGuid(context);
        return;
    }
    if (!waitForParent(options.value(kHwndKeyword), services)) return;

    std::unique_ptr<TRegistry> registry = openRegistryObject(context);
    if (!registry) return;
    const std::string root = locateMaintenanceRoot(*registry);
    // No marker file: the product is not installed here, and there is nothing to move.
    if (!services.fileExists(root + names.source + "\\setup.exe")) return;

    names.target = options.found(kTguidKeyword) ? options.value(kTguidKeyword)
                                                : firstFreeTargetName(services, root, names.source);
    const std::string sourceDirectory = root + names.source;
    const std::string targetDirectory = root + names.target;
    // A target that differs from the source only in letter case is the source's own directory
    // and key to Windows: it is in the way, and moving onto it would erase the product key.
    if (equalText(lowerAscii(names.target), lowerAscii(names.source)) || services.directoryProbe(targetDirectory)) {
        showError(context, directoryInTheWayText(targetDirectory), "Directory Error");
        return;
    }
    if (!services.moveDirectory(sourceDirectory, targetDirectory)) {
        showError(context, "Directory Error!\r\nUnable to move the uninstall directory to its new location",
                  "Directory Error");
        return;
    }

    registry->openPath(kUninstallParentKey, false);
    if (!registry->hasKey(names.source)) {
        registry->closePath();
        undoDirectoryMoveAndReportMissingKey(context, targetDirectory, sourceDirectory);
        return;
    }
    try {
        moveProductKey(context, *registry, names.source, names.target);
    } catch (...) {
        // The key stays complete under the product's own name when its move fails, and the
        // product's command there names the directory by that name: the directory goes back to
        // it, so that the product's own uninstaller still runs. The failure is reported all the same.
        services.moveDirectory(targetDirectory, sourceDirectory);
        throw;
    }
    // The key must now live under the target name alone; otherwise the directory goes back.
    if (registry->hasKey(names.source) || !registry->openPath(uninstallKeyPath(names.target), false)) {
        registry->closePath();
        undoDirectoryMoveAndReportMissingKey(context, targetDirectory, sourceDirectory);
        return;
    }

    keepProductCommand(*registry);
    registry->writeText(kUninstallStringValue, buildUninstallCommand(context.ownPath, names.target, names.source));
    registry->closePath();
}
