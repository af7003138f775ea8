#include "relocation/key_move.h"

#include "relocation/key_probe.h"
#include "relocation/product_paths.h"

KeyMoveFacts readKeyMoveFacts(RegistryApi& api, const RunNames& names) {
    // With nothing under the target name the key simply moves: its own values are all any
    // decision then looks at, and the whole tree is read only when there is something to compare.
    std::optional<KeyContents> target = readKeyContents(api, uninstallKeyPath(names.target));
    const KeyDepth sourceDepth = target ? KeyDepth::wholeTree : KeyDepth::ownValues;
    return {readKeyContents(api, uninstallKeyPath(names.source), sourceDepth), std::move(target), names};
}

namespace {

// The key has left the source name only when the registry says there is nothing there: a source
// that cannot be looked at may still hold it.
KeyMoveResult resultAfterMove(ModeContext& context, const std::string& source) {
    return probeKey(context.registryApi, source) == KeyProbe::absent ? KeyMoveResult::moved : KeyMoveResult::incomplete;
}

// A move that stopped part-way leaves the key under both names, one of them provably a leftover
// of the other: a copy that stopped short (it goes again, and the key stays under the source
// name), or a source whose removal stopped short (it goes, and the key is under the target name).
// Anything else under the target name stays.
KeyMoveResult settleKey(ModeContext& context, TRegistry& registry, const RunNames& names) {
    const std::string source = uninstallKeyPath(names.source);
    switch (planKeyMove(readKeyMoveFacts(context.registryApi, names))) {
    case KeyMovePlan::replaceTarget: registry.eraseKeyTree(uninstallKeyPath(names.target)); break;
    case KeyMovePlan::dropSource: registry.eraseKeyTree(source); break;
    case KeyMovePlan::moveKey:
    case KeyMovePlan::refuse: break;
    }
    return resultAfterMove(context, source);
}

}  // namespace

KeyMoveResult moveProductKey(ModeContext& context, TRegistry& registry, const RunNames& names) {
    const KeyMoveFacts facts = readKeyMoveFacts(context.registryApi, names);
    if (!facts.source) return KeyMoveResult::sourceMissing;
    const KeyMovePlan plan = planKeyMove(facts);
    if (plan == KeyMovePlan::refuse) return KeyMoveResult::refused;
    const std::string source = uninstallKeyPath(names.source);
    const std::string target = uninstallKeyPath(names.target);
    if (plan == KeyMovePlan::dropSource) {
        registry.eraseKeyTree(source);
        return resultAfterMove(context, source);
    }
    try {
        if (plan == KeyMovePlan::replaceTarget) registry.eraseKeyTree(target);
        if (!registry.moveKey(source, target)) {
            // The copy stopped short and left the source as it was: what is under the target name
            // is this run's own part-copy (the plan found nothing there, or a leftover that went
            // first). It goes again, so that the key stays whole under the one name, even when a
            // later look at both keys cannot prove which is which.
            registry.eraseKeyTree(target);
        }
    } catch (...) {
        settleKey(context, registry, names);
        throw;
    }
    // The source goes only once its whole tree is under the target name.
    const KeyMoveResult result = resultAfterMove(context, source);
    return result == KeyMoveResult::moved ? result : settleKey(context, registry, names);
}

void undoDirectoryMove(ModeContext& context, const std::u16string& movedTo, const std::u16string& movedFrom) {
    context.services.moveDirectory(movedTo, movedFrom);
}
