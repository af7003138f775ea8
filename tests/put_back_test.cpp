// The one decision whether a product a waited uninstall left installed goes back under its
// relocated name, and the pending file operations it reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry/memory_registry.h"
#include "relocation/put_back.h"

namespace {

LaunchOutcome withoutExitCode() {
    LaunchOutcome outcome = LaunchOutcome::ended(0);
    outcome.exitCodeRead = false;
    return outcome;
}

LaunchOutcome aloneThenEnded() {
    LaunchOutcome outcome = LaunchOutcome::ended(0);
    outcome.everyProcessEnded = false;
    return outcome;
}

LaunchOutcome timedOut() {
    LaunchOutcome outcome;
    outcome.started = true;
    outcome.timedOut = true;
    return outcome;
}

TEST(PutBack, OnlyWhenNothingSaysTheRemovalMayGoOn) {
    const struct {
        const char* name;
        LaunchOutcome launch;
        bool stillInstalled;
        PendingMention pending;
        bool putBack;
        bool reasonGiven;
    } rows[] = {
        {"0, still installed: back", LaunchOutcome::ended(0), true, PendingMention::none, true, false},
        {"a cancel, still installed: back", LaunchOutcome::ended(1602), true, PendingMention::none, true, false},
        {"removed: nothing to put back, nothing to tell", LaunchOutcome::ended(0), false, PendingMention::none, false,
         false},
        {"3010: finishes at the restart", LaunchOutcome::ended(3010), true, PendingMention::none, false, true},
        {"1641: finishes at the restart", LaunchOutcome::ended(1641), true, PendingMention::none, false, true},
        {"not started", LaunchOutcome{}, true, PendingMention::none, false, true},
        {"timed out", timedOut(), true, PendingMention::none, false, true},
        {"not every process waited for", aloneThenEnded(), true, PendingMention::none, false, true},
        {"a pending operation names the folder", LaunchOutcome::ended(0), true, PendingMention::folder, false, true},
        {"pending operations unreadable", LaunchOutcome::ended(0), true, PendingMention::unreadable, false, true},
        {"exit code unreadable", withoutExitCode(), true, PendingMention::none, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const PutBackVerdict verdict = judgePutBack({row.launch, row.stillInstalled, row.pending});
        EXPECT_EQ(verdict.putBack, row.putBack);
        EXPECT_EQ(!verdict.stayReason.empty(), row.reasonGiven);
    }
}

const std::string kFolder = "C:\\Program Files (x86)\\InstallShield Installation Information\\{A1}";

// Session Manager's list as the system keeps it: UTF-16 strings, each ended by a NUL, then one more.
void storePending(MemoryRegistry& store, const std::u16string& valueName, uint32_t type,
                  const std::vector<std::u16string>& entries) {
    std::vector<uint8_t> data;
    for (const std::u16string& entry : entries)
        for (const char16_t unit : entry + u'\0') data.insert(data.end(), {uint8_t(unit & 0xff), uint8_t(unit >> 8)});
    data.insert(data.end(), {0, 0});
    RegistryHandle key = kNoKey;
    ASSERT_EQ(store.regCreateKeyExW(kLocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                                    kKeyAllAccess, &key), 0);
    ASSERT_EQ(store.regSetValueExW(key, valueName.c_str(), type, data.data(), static_cast<uint32_t>(data.size())), 0);
    store.regCloseKey(key);
}

TEST(PendingFileOperations, NameTheFolderWhenAnEntryIsItOrLiesInsideIt) {
    const std::u16string inside = u"\\??\\c:\\PROGRAM FILES (X86)\\installshield installation information\\{a1}";
    const struct {
        const char* name;
        std::u16string valueName;
        uint32_t type;
        std::vector<std::u16string> entries;
        PendingMention mention;
    } rows[] = {
        {"a file inside, in another case, to delete", u"PendingFileRenameOperations", kRegMultiSz,
         {inside + u"\\setup.exe", u""}, PendingMention::folder},
        {"the folder itself, in the second list", u"PendingFileRenameOperations2", kRegMultiSz, {inside, u""},
         PendingMention::folder},
        {"marked entries: a replace target, a numbered source", u"PendingFileRenameOperations", kRegMultiSz,
         {u"\\??\\C:\\Temp\\new.dll", u"!" + inside + u"\\old.dll", u"*1" + inside + u"\\x.dll", u""},
         PendingMention::folder},
        {"a sibling whose name starts alike is not the folder", u"PendingFileRenameOperations", kRegMultiSz,
         {inside + u"_0\\setup.exe", u"", inside + u"x", u""}, PendingMention::none},
        {"a list that is not REG_MULTI_SZ proves nothing", u"PendingFileRenameOperations", kRegSz, {u"x"},
         PendingMention::unreadable},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MemoryRegistry store;
        storePending(store, row.valueName, row.type, row.entries);
        EXPECT_EQ(pendingOperationsMention(store, kFolder), row.mention);
    }
    MemoryRegistry empty;
    EXPECT_EQ(pendingOperationsMention(empty, kFolder), PendingMention::none);
}

}  // namespace
