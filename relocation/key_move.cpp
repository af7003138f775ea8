#include "relocation/key_move.h"

#include "relocation/locations.h"

KeyMoveFacts readKeyMoveFacts(RegistryApi& api, const RunNames& names, bool targetNameIsProducts) {
    return {readKeyContents(api, uninstallKeyPath(names.source)), readKeyContents(api, uninstallKeyPath(names.target)),
            names, targetNameIsProducts};
}

KeyMoveResult moveProductKey(ModeContext& context, TRegistry& registry, const RunNames& names,
                             bool targetNameIsProducts) {
    const KeyMoveFacts facts = readKeyMoveFacts(context.registryApi, names, targetNameIsProducts);
    if (!facts.source) return KeyMoveResult::sourceMissing;
    switch (planKeyMove(facts)) {
    case KeyMovePlan::refuse:
        return KeyMoveResult::refused;
    case KeyMovePlan::dropSource:
        registry.eraseKeyTree(names.source);
        break;
    case KeyMovePlan::replaceTarget:
        registry.eraseKeyTree(names.target);
        registry.transplantKey(names.source, names.target, true);
        break;
    case KeyMovePlan::moveKey:
        registry.transplantKey(names.source, names.target, true);
        break;
    }
    // The source goes only once its whole tree is under the target name.
    return registry.hasKey(names.source) ? KeyMoveResult::incomplete : KeyMoveResult::moved;
}

void undoDirectoryMove(ModeContext& context, const std::string& movedTo, const std::string& movedFrom) {
    context.services.moveDirectory(movedTo, movedFrom);
}
