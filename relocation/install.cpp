#include "relocation/install.h"

#include "platform/text/text.h"
#include "relocation/boxes.h"
#include "relocation/interrupted_move.h"
#include "relocation/key_contents.h"
#include "relocation/key_probe.h"
#include "relocation/key_move.h"
#include "relocation/key_spelling.h"
#include "relocation/key_writable.h"
#include "relocation/maintenance_root.h"
#include "relocation/move_lock.h"
#include "relocation/path_length.h"
#include "relocation/product_paths.h"
#include "relocation/product_presence.h"
#include "relocation/registry_object.h"
#include "relocation/names.h"
#include "relocation/options.h"
#include "relocation/product_values.h"
#include "relocation/written_value.h"

namespace {

// Whether anything is under the name: a folder, or a key (one that cannot be read counts, since
// nothing proves it free). An earlier instance whose folder went missing keeps its name.
bool nameTaken(ModeContext& context, const std::u16string& root, const std::string& name) {
    return context.services.directoryProbe(productFolder(context.registryApi, root, name)) ||
           readKeyContents(context.registryApi, uninstallKeyPath(name), KeyDepth::ownValues).has_value();
}

// The first of SOURCE_0, SOURCE_1, ... under which there is neither a folder nor a key.
std::string firstFreeTargetName(ModeContext& context, const std::u16string& root, const std::string& source) {
    int32_t n = 0;
    while (nameTaken(context, root, suffixName(source, n))) ++n;
    return suffixName(source, n);
}

void showKeyMoveProblem(ModeContext& context, KeyMoveResult result, const std::string& target) {
    if (result == KeyMoveResult::refused)
        showKeyInTheWay(context, uninstallKeyPath(target));
    else
        showMissingKey(context);
}

// Puts the product's commands back as they were in its key under the source name, before a box
// or a report: a failure there cannot be helped, and the one being reported matters more.
void giveCommandsBackUnder(RegistryApi& api, const RunNames& names) noexcept {
    try {
        const OwnedKey productKey = openKeyForWriting(api, uninstallKeyPath(names.source));
        if (productKey) giveCommandsBack(api, productKey, names.targetInRegistry, names.sourceInRegistry);
    } catch (...) {
    }
}

}  // namespace

void relocateInstallation(ModeContext& context) {
    Services& services = context.services;
    const OptionScan options = scanOptions(context.arguments, kInstallKeywords);
    if (!options.found(kGuidKeyword) || !options.found(kHwndKeyword)) {
        showRefusal(context,
                  "Insufficient commandline parameters!\r\nYou have to pass at least -hwnd\"<value>\" and "
                  "-guid\"<value>\" to this application!",
                  "Insufficient Commandline");
        return;
    }
    // Both names through the one rule that takes a name only as written (writtenName).
    const std::string source = upperAscii(writtenName(context, options.option(kGuidKeyword), kGuidKeyword));
    const bool targetGiven = options.found(kTguidKeyword);
    // A target name as written, in its own letter case: the name the folder and key will have.
    const std::string givenTarget = writtenName(context, options.option(kTguidKeyword), kTguidKeyword);
    if (!hasGuidForm(source) || !isUsableName(source) || (targetGiven && !isUsableName(givenTarget))) {
        showIncorrectGuid(context);
        return;
    }
    if (!waitForParent(options.value(kHwndKeyword), services)) {
        context.outcome.noteRefusal();
        return;
    }

    // From the first look at the product to the last write, no other run moves anything.
    const std::unique_ptr<HeldMoveLock> moveLock = lockMoves(context, WhenBusy::tell);
    if (!moveLock) return;
    std::unique_ptr<TRegistry> registry = openRegistryObject(context);
    if (!registry) return;
    const std::optional<std::u16string> foundRoot = locateMaintenanceRoot(context);
    if (!foundRoot) return;
    const std::u16string& root = *foundRoot;
    if (!fitsInPath(root, source) || (targetGiven && !fitsInPath(root, givenTarget))) {
        showIncorrectGuid(context);
        return;
    }
    // A move of this product cut short is finished first, between the run's two names: the given
    // target, or without one, the name that move went to or came from, which then is the target.
    const InterruptedMove interrupted = finishInterruptedMove(
        context, *registry, root, source, targetGiven ? std::optional<std::string>(givenTarget) : std::nullopt);
    if (interrupted.refused) return;
    // No marker file: the product is not installed here, and there is nothing to move.
    const ProductPresence presence = productPresence(context, root, source);
    if (presence.unknown()) {
        showRegistryUnavailable(context);
        return;
    }
    if (!presence.installed()) {
        if (presence.markerFile) showMissingKey(context);
        return;
    }

    // The command records the product's name as its key spells it, so that the restore gives the
    // folder and the key back the very name they had.
    const std::string spelled = keySpelling(context.registryApi, source);
    const std::string target = targetGiven                        ? givenTarget
                               : !interrupted.otherName.empty() ? interrupted.otherName
                                                                : firstFreeTargetName(context, root, spelled);
    // A GUID near the longest name a key may have leaves no room for the suffix: its own target
    // can be no key's or folder's name, and is refused like a given one, before anything moves.
    if (!isUsableName(target) || !fitsInPath(root, target)) {
        showIncorrectGuid(context);
        return;
    }
    relocateProduct(context, *registry, root, spelled, target);
}

// The steps, each undone when a later one cannot be done, so that the product is whole under one
// name whenever a box or a report ends the run. The commands come first, while key and folder are
// still under the product's GUID: from then on, whatever stops the run, the entry runs isreloc,
// which finds the product under either name and brings it back.
void relocateProduct(ModeContext& context, TRegistry& registry, const std::u16string& root, const std::string& source,
                     const std::string& target, const IsrelocCommands* previousCommands) {
    Services& services = context.services;
    const std::u16string sourceDirectory = productFolder(context.registryApi, root, source);
    const std::u16string targetDirectory = productFolder(context.registryApi, root, target);
    const RunNames names = runNames(context.registryApi, source, target);
    // A target that differs from the source only in letter case is the source's own directory
    // and key to Windows: it is in the way.
    if (sameName(names.targetInRegistry, names.sourceInRegistry) || services.directoryProbe(targetDirectory)) {
        showDirectoryInTheWay(context, context.registryApi.narrow(targetDirectory));
        return;
    }
    // Before anything moves: the product's key is there and can be changed, and under the target
    // name there is nothing, or only what may give way to it.
    const KeyMoveFacts facts = readKeyMoveFacts(context.registryApi, names);
    if (!facts.source) {
        showMissingKey(context);
        return;
    }
    if (planKeyMove(facts) == KeyMovePlan::refuse) {
        showKeyInTheWay(context, uninstallKeyPath(target));
        return;
    }
    // What follows decides by the key's own values: a key whose values cannot all be read is told.
    if (!facts.source->valuesRead) {
        showRegistryUnavailable(context);
        return;
    }
    // Writing the live command over a different saved one would lose a product command.
    if (const std::optional<std::string> saved =
            savedCommandBesideLive(*facts.source, names.targetInRegistry, names.sourceInRegistry)) {
        showSavedCommandInTheWay(context, uninstallKeyPath(source), *saved);
        return;
    }
    if (!productKeyWritable(context.registryApi, source)) {
        showRegistryUnavailable(context);
        return;
    }

    try {
        const OwnedKey productKey = openKeyForWriting(context.registryApi, uninstallKeyPath(source));
        if (!productKey) {
            showRegistryUnavailable(context);
            return;
        }
        relocateProductCommands(context.registryApi, productKey, context.ownPath, names.targetInRegistry,
                                names.sourceInRegistry, previousCommands);
    } catch (...) {
        giveCommandsBackUnder(context.registryApi, names);
        throw;
    }
    if (!services.moveDirectory(sourceDirectory, targetDirectory)) {
        giveCommandsBackUnder(context.registryApi, names);
        showError(context, "Directory Error!\r\nUnable to move the uninstall directory to its new location",
                  "Directory Error");
        return;
    }
    KeyMoveResult result = KeyMoveResult::incomplete;
    try {
        result = moveProductKey(context, registry, names);
    } catch (...) {
        // The key is complete under the product's own name when its move fails: the directory
        // and the commands go back to it, so that the product's own uninstaller still runs.
        undoDirectoryMove(context, targetDirectory, sourceDirectory);
        giveCommandsBackUnder(context.registryApi, names);
        throw;
    }
    if (result != KeyMoveResult::moved) {
        undoDirectoryMove(context, targetDirectory, sourceDirectory);
        giveCommandsBackUnder(context.registryApi, names);
        showKeyMoveProblem(context, result, target);
    }
}
