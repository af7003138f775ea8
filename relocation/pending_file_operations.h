#pragma once
// The file operations the system carries out at the next restart (MoveFileEx with
// MOVEFILE_DELAY_UNTIL_REBOOT): an uninstaller that cannot delete a file in use, or its own
// folder, leaves the deletion there, names the folder by the product's own name, and reports
// that a restart is needed. Read from Session Manager's PendingFileRenameOperations (and the
// PendingFileRenameOperations2 list newer systems keep beside it): REG_MULTI_SZ, source and target
// NT paths ("\??\C:\..."), a target possibly marked "!" and a path possibly led by "*<n>".
#include <string>

#include "platform/registry/registry_api.h"

enum class PendingMention {
    none,        // no pending operation names the folder or anything in it
    folder,      // one does
    unreadable,  // the lists are there but could not be read: nothing is proven
};

// Whether a pending operation names the folder (a whole path, compared without regard to case)
// or a path inside it.
PendingMention pendingOperationsMention(RegistryApi& api, const std::u16string& folder);
