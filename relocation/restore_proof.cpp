#include "relocation/restore_proof.h"

#include "relocation/product_values.h"

namespace {

// The last step of a command's restore writes the saved command over isreloc's, then drops the
// saved one: in between, a command and its saved value are the same. "UninstallString" is given
// back last, so a restore that stopped at another command still has isreloc's command there, which
// records the restore by itself. Only "UninstallString" given twice proves a stopped restore: any
// other command given twice beside an "UninstallString" that does not record this restore is a
// key the product or somebody wrote that way, and restoring it would treat its commands as ours.
bool holdsUninstallCommandTwice(const KeyContents& key) {
    const KeyContents::Value* command = key.value(kUninstallCommand.liveInRegistry);
    const KeyContents::Value* saved = key.value(kUninstallCommand.savedInRegistry);
    return command != nullptr && saved != nullptr && !command->data.empty() && *command == *saved;
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
    return facts.target && (recordsRestore(*facts.target, facts.names) || holdsUninstallCommandTwice(*facts.target));
}
