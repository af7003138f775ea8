#include "relocation/restore_proof.h"

#include "relocation/product_values.h"

namespace {

// The last step of a command's restore writes the saved command over isreloc's, then drops the
// saved one: in between, a command and its saved value are the same.
bool holdsCommandTwice(const KeyContents& key) {
    for (const CommandValues& values : kCommandValues) {
        const KeyContents::Value* command = key.value(values.liveInRegistry);
        const KeyContents::Value* saved = key.value(values.savedInRegistry);
        if (command != nullptr && saved != nullptr && !command->data.empty() && *command == *saved) return true;
    }
    return false;
}

}  // namespace

bool restoreIsProven(const KeyMoveFacts& facts) {
    if (facts.source) {
        switch (planKeyMove(facts)) {
        case KeyMovePlan::moveKey:
        case KeyMovePlan::replaceTarget: return recordsRestore(*facts.source, facts.names);
        case KeyMovePlan::dropSource: return recordsRestore(*facts.target, facts.names);
        case KeyMovePlan::refuse: return false;
        }
        return false;
    }
    return facts.target && (recordsRestore(*facts.target, facts.names) || holdsCommandTwice(*facts.target));
}
