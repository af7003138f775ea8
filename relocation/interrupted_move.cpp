#include "relocation/interrupted_move.h"

#include <vector>

#include "platform/registry/owned_key.h"
#include "relocation/boxes.h"
#include "relocation/isreloc_command.h"
#include "relocation/key_move.h"
#include "relocation/key_spelling.h"
#include "relocation/path_length.h"
#include "relocation/product_paths.h"
#include "relocation/names.h"
#include "relocation/product_values.h"

namespace {

// The other name of each of isreloc's commands in the key that names the product.
void addNamesMovedWith(const KeyContents& key, const std::u16string& product, std::vector<std::u16string>& names) {
    for (const CommandValues& values : kCommandValues) {
        const std::optional<IsrelocCommand> command = isrelocCommandIn(key, values.liveInRegistry);
        if (!command) continue;
        if (sameName(command->restoredName, product)) names.push_back(command->relocatedName);
        if (sameName(command->relocatedName, product)) names.push_back(command->restoredName);
    }
}

// Whether the name may be the run's other name: the given target alone, when there is one.
bool mayMoveTo(const RegistryApi& api, const std::string& name, const std::optional<std::string>& givenTarget) {
    return !givenTarget || sameName(api.widen(name), api.widen(*givenTarget));
}

// Every name the product was being moved to or from, as isreloc's commands record it: in the
// product's own key (an install writes them before anything moves), and in any key below the
// uninstall key (a relocated key holds them until its restore ends). Only names that can name a
// folder and a key: a command is data, and a hand-made one may hold a path.
std::vector<std::string> namesMovedWith(ModeContext& context, const std::u16string& root, const std::string& product,
                                        const std::optional<std::string>& givenTarget) {
    RegistryApi& api = context.registryApi;
    const std::u16string productInRegistry = api.widen(product);
    std::vector<std::u16string> found;
    for (const std::u16string& name : uninstallKeyNames(api)) {
        std::vector<std::u16string> named;
        const std::optional<KeyContents> key = readKeyContents(api, uninstallKeyPath(api.narrow(name)), KeyDepth::ownValues);
        if (key) addNamesMovedWith(*key, productInRegistry, named);
        // Another key counts only when its command names its own key: it was moved there.
        const bool own = sameName(name, productInRegistry);
        for (const std::u16string& other : named)
            if (own || sameName(other, name)) found.push_back(own ? other : name);
    }
    std::vector<std::string> names;
    for (const std::u16string& name : found) {
        const std::string narrow = api.narrow(name);
        if (sameName(name, productInRegistry) || api.widen(narrow) != name || !isUsableName(narrow) ||
            !fitsInPath(root, narrow) || !mayMoveTo(api, narrow, givenTarget))
            continue;
        bool known = false;
        for (const std::string& taken : names) known = known || sameName(api.widen(taken), name);
        if (!known) names.push_back(narrow);
    }
    return names;
}

// Whether what is under the two names is a move between them that stopped before its key
// followed its folder: a key under the name without the folder that records this move, and
// nothing under the other name, or a key under both names one of which holds nothing the other
// does not (a copy that stopped short, or a source whose removal did).
bool stoppedPartWay(const KeyMoveFacts& facts) {
    if (!facts.source) return false;
    if (!facts.target) return holdsIsrelocCommandFor(*facts.source, facts.names);
    return holdsAllOf(*facts.source, *facts.target) || holdsAllOf(*facts.target, *facts.source);
}

// False after the box.
bool finishMove(ModeContext& context, TRegistry& registry, const std::u16string& root, const std::string& product,
                const std::string& other, bool& finished) {
    RegistryApi& api = context.registryApi;
    const bool folderUnderProduct = context.services.directoryProbe(productFolder(api, root, product));
    const bool folderUnderOther = context.services.directoryProbe(productFolder(api, root, other));
    if (folderUnderProduct == folderUnderOther) return true;
    const RunNames names =
        folderUnderProduct ? runNames(api, other, product) : runNames(api, product, other);
    if (!stoppedPartWay(readKeyMoveFacts(api, names))) return true;
    context.services.logNote("a move of " + names.source + " to " + names.target +
                             " stopped before its key followed its folder: it is finished first");
    finished = true;
    switch (moveProductKey(context, registry, names)) {
    case KeyMoveResult::moved: return true;
    case KeyMoveResult::refused: showKeyInTheWay(context, uninstallKeyPath(names.target)); return false;
    case KeyMoveResult::sourceMissing: showMissingKey(context); return false;
    case KeyMoveResult::incomplete: showRegistryUnavailable(context); return false;
    }
    return false;
}

}  // namespace

InterruptedMove finishInterruptedMove(ModeContext& context, TRegistry& registry, const std::u16string& root,
                                      const std::string& product, const std::optional<std::string>& givenTarget) {
    InterruptedMove move;
    for (const std::string& other : namesMovedWith(context, root, product, givenTarget)) {
        bool finished = false;
        move.refused = !finishMove(context, registry, root, product, other, finished);
        // One move at a time: a run finishes at most one, and keeps to its two names.
        if (finished) move.otherName = other;
        if (move.refused || finished) return move;
    }
    return move;
}
