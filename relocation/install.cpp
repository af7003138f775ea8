#include "relocation/install.h"

#include "platform/text/text.h"
#include "relocation/boxes.h"
#include "relocation/key_move.h"
#include "relocation/locations.h"
#include "relocation/names.h"
#include "relocation/options.h"
#include "relocation/product_values.h"

namespace {

// The first of SOURCE_0, SOURCE_1, ... that names no directory under the maintenance root.
std::string firstFreeTargetName(Services& services, const std::string& root, const std::string& source) {
    std::string candidate = source + "_0";
    for (int32_t n = 1; services.directoryProbe(root + candidate); ++n) candidate = source + "_" + formatInteger(n);
    return candidate;
}

void showKeyMoveProblem(ModeContext& context, KeyMoveResult result, const std::string& target) {
    if (result == KeyMoveResult::refused)
        showKeyInTheWay(context, uninstallKeyPath(target));
    else
        showMissingKey(context);
}

}  // namespace

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
    const std::string source = upperAscii(options.value(kGuidKeyword));
    const bool targetGiven = options.found(kTguidKeyword);
    if (!hasGuidForm(source) || !isUsableName(source) || (targetGiven && !isUsableName(options.value(kTguidKeyword)))) {
        showIncorrectGuid(context);
        return;
    }
    if (!waitForParent(options.value(kHwndKeyword), services)) return;

    std::unique_ptr<TRegistry> registry = openRegistryObject(context);
    if (!registry) return;
    const std::string root = locateMaintenanceRoot(*registry);
    // No marker file: the product is not installed here, and there is nothing to move.
    if (!services.fileExists(root + source + "\\setup.exe")) return;

    const std::string target = targetGiven ? options.value(kTguidKeyword) : firstFreeTargetName(services, root, source);
    relocateProduct(context, *registry, root, source, target);
}

void relocateProduct(ModeContext& context, TRegistry& registry, const std::string& root, const std::string& source,
                     const std::string& target, const IsrelocCommandBytes* previousCommands) {
    Services& services = context.services;
    const std::string sourceDirectory = root + source;
    const std::string targetDirectory = root + target;
    // A target that differs from the source only in letter case is the source's own directory
    // and key to Windows: it is in the way.
    if (sameName(target, source) || services.directoryProbe(targetDirectory)) {
        showDirectoryInTheWay(context, targetDirectory);
        return;
    }
    // Before anything moves: the product's key is there, and under the target name there is
    // nothing, or only what may give way to it.
    const RunNames names = runNames(context.registryApi, source, target);
    const bool targetIsProducts = isInstallTargetOfProduct(names);
    const KeyMoveFacts facts = readKeyMoveFacts(context.registryApi, names, targetIsProducts);
    if (!facts.source) {
        showMissingKey(context);
        return;
    }
    if (planKeyMove(facts) == KeyMovePlan::refuse) {
        showKeyInTheWay(context, uninstallKeyPath(target));
        return;
    }
    if (!services.moveDirectory(sourceDirectory, targetDirectory)) {
        showError(context, "Directory Error!\r\nUnable to move the uninstall directory to its new location",
                  "Directory Error");
        return;
    }

    registry.openPath(kUninstallParentKey, false);
    KeyMoveResult result = KeyMoveResult::incomplete;
    try {
        result = moveProductKey(context, registry, names, targetIsProducts);
    } catch (...) {
        // The key stays complete under the product's own name when its move fails, and the
        // product's command there names the directory by that name: the directory goes back to
        // it, so that the product's own uninstaller still runs. The failure is reported all the same.
        undoDirectoryMove(context, targetDirectory, sourceDirectory);
        throw;
    }
    if (result != KeyMoveResult::moved) {
        registry.closePath();
        undoDirectoryMove(context, targetDirectory, sourceDirectory);
        showKeyMoveProblem(context, result, target);
        return;
    }
    // The key moved; the directory stays with it, also when the key cannot be opened to write the
    // command (the product then still holds its own).
    if (!registry.openPath(uninstallKeyPath(target), false)) {
        registry.closePath();
        showMissingKey(context);
        return;
    }

    relocateProductCommands(registry, context.ownPath, names.targetInRegistry, names.sourceInRegistry,
                            previousCommands);
    registry.closePath();
}
