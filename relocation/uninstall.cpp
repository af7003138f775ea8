#include "relocation/uninstall.h"

#include "platform/text/text.h"
#include "relocation/boxes.h"
#include "relocation/interrupted_restore.h"
#include "relocation/key_move.h"
#include "relocation/locations.h"
#include "relocation/names.h"
#include "relocation/options.h"
#include "relocation/product_values.h"

namespace {

void showRestoreDirectoryFailure(ModeContext& context) {
    showError(context, "Directory Error!\r\nUnable to restore the uninstall directory to its old location",
              "Directory Error");
}

}  // namespace

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
    const std::string source = upperAscii(options.value(kGuidKeyword));
    const std::string target =
        options.found(kTguidKeyword) ? options.value(kTguidKeyword) : restoredNameFor(source);
    if (!isUsableName(source) || !isUsableName(target)) {
        showIncorrectGuid(context);
        return;
    }
    const std::string& hwnd = options.value(kHwndKeyword);
    if (!hwnd.empty() && !waitForParent(hwnd, services)) return;

    std::unique_ptr<TRegistry> registry = openRegistryObject(context);
    if (!registry) return;
    const std::string root = locateMaintenanceRoot(*registry);
    const std::string relocatedDirectory = root + source;
    const std::string restoredDirectory = root + target;
    const RunNames names = runNames(context.registryApi, source, target);
    // A restored name that differs only in letter case is the relocated directory itself.
    if (sameName(target, source)) {
        showDirectoryInTheWay(context, restoredDirectory);
        return;
    }

    bool directoryMoved = false;
    bool targetIsProducts = false;
    if (services.directoryProbe(restoredDirectory)) {
        // Unless an earlier run moved the directory back and provably stopped before the key
        // and the command followed: then the restore goes on from where that run stopped.
        if (services.directoryProbe(relocatedDirectory) ||
            !restoreWasInterrupted(readKeyMoveFacts(context.registryApi, names, false))) {
            showDirectoryInTheWay(context, restoredDirectory);
            return;
        }
    } else {
        // Before anything moves: a key to restore, and under the restored name nothing, or only
        // what may give way to it.
        const std::optional<KeyContents> sourceKey = readKeyContents(context.registryApi, uninstallKeyPath(source));
        targetIsProducts = isRestoreTargetOfProduct(names, sourceKey);
        const KeyMoveFacts facts = readKeyMoveFacts(context.registryApi, names, targetIsProducts);
        if (!facts.source && !facts.target) {
            showMissingKey(context);
            return;
        }
        if (facts.source && planKeyMove(facts) == KeyMovePlan::refuse) {
            showKeyInTheWay(context, uninstallKeyPath(target));
            return;
        }
        if (!services.moveDirectory(relocatedDirectory, restoredDirectory)) {
            showRestoreDirectoryFailure(context);
            return;
        }
        directoryMoved = true;
    }

    registry->openPath(kUninstallParentKey, false);
    const auto giveUp = [&](KeyMoveResult result) {
        registry->closePath();
        if (directoryMoved) undoDirectoryMove(context, restoredDirectory, relocatedDirectory);
        if (result == KeyMoveResult::refused)
            showKeyInTheWay(context, uninstallKeyPath(target));
        else
            showMissingKey(context);
    };
    if (registry->hasKey(source)) {
        const KeyMoveResult result = moveProductKey(context, *registry, names, targetIsProducts);
        if (result != KeyMoveResult::moved) return giveUp(result);
    } else if (!registry->hasKey(target)) {
        // No key under either name any more.
        return giveUp(KeyMoveResult::sourceMissing);
    }
    // The key is under the restored name now (moved by this run, or by an earlier one, or left
    // there by an install that stopped before it moved), and the directory stays with it, also
    // when the key cannot be opened to bring the command back.
    if (!registry->openPath(uninstallKeyPath(target), false)) {
        registry->closePath();
        showMissingKey(context);
        return;
    }

    const RestoredCommand command = restoreProductCommands(*registry).uninstall;
    registry->closePath();
    registry.reset();

    // The stored value keeps its references; the start needs them expanded, as the shell would.
    if (options.found(kRunfileKeyword))
        services.launchCommand("\"" + options.value(kRunfileKeyword) + "\"");
    else if (!command.text.empty())
        services.launchWideCommand(command.expandable ? services.expandWideEnvironment(command.text) : command.text);
}
