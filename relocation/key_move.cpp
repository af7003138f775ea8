#include "relocation/key_move.h"

#include "relocation/locations.h"

KeyMoveFacts readKeyMoveFacts(RegistryApi& api, const RunNames& names, bool targetNameIsProducts) {
    // With nothing under the target name the key simply moves: its own values are all any
    // decision then looks at, and the whole tree is read only when there is something to compare.
    std::optional<KeyContents> target = readKeyContents(api, uninstallKeyPath(names.target));
    const KeyDepth sourceDepth = target ? KeyDepth::wholeTree : KeyDepth::ownValues;
    return {readKeyContents(api, uninstallKeyPath(names.source), sourceDepth), std::move(target), names,
            targetNameIsProducts};
}

namespace {

// A copy that stopped part-way is this run's own leftover: it goes again, so that the product is
// left under one name only. Anything else under the target name stays.
void eraseOwnPartialCopy(ModeContext& context, TRegistry& registry, const RunNames& names) {
    const KeyMoveFacts facts = readKeyMoveFacts(context.registryApi, names, false);
    if (facts.source && facts.target && holdsAllOf(*facts.source, *facts.target)) registry.eraseKeyTree(names.target);
}

}  // namespace

KeyMoveResult moveProductKey(ModeContext& context, TRegistry& registry, const RunNames& names,
                             bool targetNameIsProducts) {
    const KeyMoveFacts facts = readKeyMoveFacts(context.registryApi, names, targetNameIsProducts);
    if (!facts.source) return KeyMoveResult::sourceMissing;
    const KeyMovePlan plan = planKeyMove(facts);
    if (plan == KeyMovePlan::refuse) return KeyMoveResult::refused;
    if (plan == KeyMovePlan::dropSource) {
        registry.eraseKeyTree(names.source);
        return registry.hasKey(names.source) ? KeyMoveResult::incomplete : KeyMoveResult::moved;
    }
    try {
        if (plan == KeyMovePlan::replaceTarget) registry.eraseKeyTree(names.target);
        registry.moveKey(names.source, names.target);
    } catch (...) {
        eraseOwnPartialCopy(context, registry, names);
        throw;
    }
    // The source goes only once its whole tree is under the target name; a copy that stopped
    // short goes again.
    if (!registry.hasKey(names.source)) return KeyMoveResult::moved;
    eraseOwnPartialCopy(context, registry, names);
    return KeyMoveResult::incomplete;
}

void undoDirectoryMove(ModeContext& context, const std::string& movedTo, const std::string& movedFrom) {
    context.services.moveDirectory(movedTo, movedFrom);
}
