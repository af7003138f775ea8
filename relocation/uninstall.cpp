#include "relocation/uninstall.h"

#include <functional>
#include <optional>

#include "platform/text/text.h"
#include "relocation/boxes.h"
#include "relocation/install.h"
#include "relocation/restore_proof.h"
#include "relocation/written_value.h"
#include "relocation/key_move.h"
#include "relocation/key_probe.h"
#include "relocation/key_writable.h"
#include "relocation/maintenance_root.h"
#include "relocation/path_length.h"
#include "relocation/product_paths.h"
#include "relocation/product_presence.h"
#include "relocation/registry_object.h"
#include "relocation/names.h"
#include "relocation/move_lock.h"
#include "relocation/options.h"
#include "relocation/product_values.h"
#include "relocation/put_back.h"

namespace {

// A product given back its own name: the two names, and its commands as they came back.
struct Restored {
    std::string relocatedName;
    std::string restoredName;
    std::u16string runFile;  // as written with -runfile, when it was
    bool runFileGiven = false;
    RestoredCommands commands;
};

void showRestoreDirectoryFailure(ModeContext& context) {
    showError(context, "Directory Error!\r\nUnable to restore the uninstall directory to its old location",
              "Directory Error");
}

// Moves a relocated product's directory and key back to its own name and gives it its commands
// back. Nothing, after its box, when it cannot.
std::optional<Restored> restoreProduct(ModeContext& context) {
    Services& services = context.services;
    const OptionScan options = scanOptions(context.arguments, kUninstallKeywords);
    if (!options.found(kGuidKeyword)) {
        showRefusal(context,
                  "Insufficient commandline parameters!\r\nYou have to pass at least -uninstall and "
                  "-guid\"<value>\" to this application!",
                  "Insufficient Commandline");
        return std::nullopt;
    }
    // The names as written (as install mode recorded them in the command), in their own letter
    // case, not as the lowercased list spells them: the folder and the key get the names they had,
    // and a put-back gives the relocated name back its own spelling.
    const RestoreNames written = restoreNamesOf(options, writtenList(context));
    const std::string source = exactAnsiName(context.registryApi, written.relocated);
    const std::string target = exactAnsiName(context.registryApi, written.restored);
    if (!isUsableName(source) || !isUsableName(target)) {
        showIncorrectGuid(context);
        return std::nullopt;
    }
    const std::string& hwnd = options.value(kHwndKeyword);
    if (!hwnd.empty() && !waitForParent(hwnd, services)) {
        context.outcome.noteRefusal();
        return std::nullopt;
    }

    // Held until the restore's last write, and given back before the product's program starts.
    const std::unique_ptr<HeldMoveLock> moveLock = lockMoves(context, WhenBusy::tell);
    if (!moveLock) return std::nullopt;
    std::unique_ptr<TRegistry> registry = openRegistryObject(context);
    if (!registry) return std::nullopt;
    const std::optional<std::u16string> foundRoot = locateMaintenanceRoot(context);
    if (!foundRoot) return std::nullopt;
    const std::u16string& root = *foundRoot;
    if (!fitsInPath(root, source) || !fitsInPath(root, target)) {
        showIncorrectGuid(context);
        return std::nullopt;
    }
    const std::u16string relocatedDirectory = productFolder(context.registryApi, root, source);
    const std::u16string restoredDirectory = productFolder(context.registryApi, root, target);
    const std::string restoredDirectoryShown = context.registryApi.narrow(restoredDirectory);
    const RunNames names = runNames(context.registryApi, source, target);
    // A restored name that differs only in letter case is the relocated directory itself.
    if (sameName(names.targetInRegistry, names.sourceInRegistry)) {
        showDirectoryInTheWay(context, restoredDirectoryShown);
        return std::nullopt;
    }

    bool directoryMoved = false;
    if (services.directoryProbe(restoredDirectory)) {
        // Unless an earlier run moved the directory back and provably stopped before the key
        // and the command followed: then the restore goes on from where that run stopped.
        if (services.directoryProbe(relocatedDirectory) ||
            !restoreIsProven(readKeyMoveFacts(context.registryApi, names))) {
            showDirectoryInTheWay(context, restoredDirectoryShown);
            return std::nullopt;
        }
    } else {
        // Before anything moves: a key to restore that can be changed and that records this very
        // restore, and under the restored name nothing, or only what may give way to it.
        const KeyMoveFacts facts = readKeyMoveFacts(context.registryApi, names);
        if (!facts.source && !facts.target) {
            showMissingKey(context);
            return std::nullopt;
        }
        if (facts.source && planKeyMove(facts) == KeyMovePlan::refuse) {
            showKeyInTheWay(context, uninstallKeyPath(target));
            return std::nullopt;
        }
        if (!restoreIsProven(facts)) {
            // A key that is not this relocation's: a product never relocated, another product's
            // entry, or one relocated from another name. Moved, its own command would name a
            // folder that is not there.
            showKeyInTheWay(context, uninstallKeyPath(facts.source ? source : target));
            return std::nullopt;
        }
        if (!productKeyWritable(context.registryApi, facts.source ? source : target)) {
            showRegistryUnavailable(context);
            return std::nullopt;
        }
        if (!services.moveDirectory(relocatedDirectory, restoredDirectory)) {
            showRestoreDirectoryFailure(context);
            return std::nullopt;
        }
        directoryMoved = true;
    }

    bool keyMoved = false;
    // Whatever this run moved goes back before the box, so that key and folder stay together: the
    // folder follows the key back only once the key is back.
    const auto giveUp = [&](const std::function<void()>& showBox) {
        bool keyBack = !keyMoved;
        if (keyMoved) {
            try {
                keyBack = moveProductKey(context, *registry, reversed(names)) == KeyMoveResult::moved;
            } catch (...) {
            }
        }
        if (directoryMoved && keyBack) undoDirectoryMove(context, restoredDirectory, relocatedDirectory);
        showBox();
    };
    const KeyProbe atSource = probeKey(context.registryApi, uninstallKeyPath(source));
    if (atSource == KeyProbe::unreadable) {
        giveUp([&] { showRegistryUnavailable(context); });
        return std::nullopt;
    }
    if (atSource == KeyProbe::present) {
        KeyMoveResult result = KeyMoveResult::incomplete;
        try {
            result = moveProductKey(context, *registry, names);
        } catch (...) {
            // A key that could not follow leaves the folder to go back to it before the failure is
            // reported; a key that did get here keeps the folder with it.
            if (directoryMoved && probeKey(context.registryApi, uninstallKeyPath(source)) == KeyProbe::present)
                undoDirectoryMove(context, restoredDirectory, relocatedDirectory);
            throw;
        }
        if (result == KeyMoveResult::refused) {
            giveUp([&] { showKeyInTheWay(context, uninstallKeyPath(target)); });
            return std::nullopt;
        }
        if (result != KeyMoveResult::moved) {
            giveUp([&] { showMissingKey(context); });
            return std::nullopt;
        }
        keyMoved = true;
    } else if (const KeyProbe atTarget = probeKey(context.registryApi, uninstallKeyPath(target));
               atTarget != KeyProbe::present) {
        // No key under either name any more, or one that cannot be looked at.
        giveUp([&] { atTarget == KeyProbe::absent ? showMissingKey(context) : showRegistryUnavailable(context); });
        return std::nullopt;
    }
    // The key is under the restored name now (moved by this run, or by an earlier one, or left
    // there by an install that stopped before it moved).
    const OwnedKey productKey = openKeyForWriting(context.registryApi, uninstallKeyPath(target));
    if (!productKey) {
        giveUp([&] { showRegistryUnavailable(context); });
        return std::nullopt;
    }
    return Restored{source, target, writtenValue(context, options.option(kRunfileKeyword), kRunfileKeyword),
                    options.found(kRunfileKeyword),
                    restoreProductCommands(context.registryApi, productKey, names.sourceInRegistry,
                                           names.targetInRegistry)};
}

// The command as it starts: the stored value keeps its %NAME% references, the start needs them
// expanded, as the shell would.
std::u16string startable(ModeContext& context, const RestoredCommand& command) {
    return command.expandable ? context.services.expandWideEnvironment(command.text) : command.text;
}

// Starts the program and, when the mode waits for it, waits until it and everything it started
// have ended. A product the wait leaves installed goes back under the name it was relocated to,
// so that the instance keeps its place and the product's own name stays free for the next one,
// but only when nothing says its removal may still be going on (judgePutBack); otherwise it stays
// under its own name, where its own entry works, and the log says why.
void startThenKeepInstance(ModeContext& context, const Restored& restored, const std::u16string& command) {
    Services& services = context.services;
    // A program that cannot start, or a product with no command to start, is a failure to tell:
    // the person or the engine that asked for the uninstall would otherwise take it for done.
    if (!context.start.wait) {
        if (!command.empty() && services.launch(command))
            context.outcome.noteStarted();
        else
            showStartFailed(context);
        return;
    }
    PutBackFacts facts;
    if (!command.empty()) facts.launch = services.launchAndWait(command, context.start.timeLimitSeconds);
    if (facts.launch.started)
        context.outcome.noteWaited(facts.launch);
    else
        showStartFailed(context);
    // Taken again for the put-back: another run may have moved things while the program ran.
    const std::unique_ptr<HeldMoveLock> moveLock = lockMoves(context, WhenBusy::logIt);
    if (!moveLock) {
        services.logNote("the product stays under " + restored.restoredName +
                         ": another run of isreloc kept the lock on moves");
        return;
    }
    std::unique_ptr<TRegistry> registry = openRegistryObject(context);
    if (!registry) return;
    const std::optional<std::u16string> foundRoot = locateMaintenanceRoot(context);
    if (!foundRoot) return;
    const std::u16string& root = *foundRoot;
    const ProductPresence presence = productPresence(context, root, restored.restoredName);
    if (presence.unknown()) {
        // Whether the removal left the product cannot be told: it stays where its own entry works.
        showRegistryUnavailable(context);
        return;
    }
    facts.stillInstalled = presence.installed();
    if (facts.stillInstalled)
        facts.pending = pendingOperationsMention(context.registryApi,
                                                 productFolder(context.registryApi, root, restored.restoredName));
    const PutBackVerdict verdict = judgePutBack(facts);
    if (verdict.putBack) {
        relocateProduct(context, *registry, root, restored.restoredName, restored.relocatedName,
                        &restored.commands.isrelocCommands);
    } else if (!verdict.stayReason.empty()) {
        services.logNote("the product stays under " + restored.restoredName + ": " + verdict.stayReason);
    }
}

}  // namespace

void restoreInstallation(ModeContext& context) {
    const std::optional<Restored> restored = restoreProduct(context);
    if (!restored) return;
    if (restored->runFileGiven) {
        startThenKeepInstance(context, *restored, u"\"" + restored->runFile + u"\"");
        return;
    }
    const RestoredCommand& command = context.start.quiet ? restored->commands.quietUninstall
                                                         : restored->commands.uninstall;
    startThenKeepInstance(context, *restored, startable(context, command));
}

void modifyInstallation(ModeContext& context) {
    const std::optional<Restored> restored = restoreProduct(context);
    if (!restored) return;
    startThenKeepInstance(context, *restored, startable(context, restored->commands.modify));
}
