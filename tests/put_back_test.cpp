#include <gtest/gtest.h>

#include "relocation/put_back.h"
#include "tests/support/memory_registry.h"

namespace {

TEST(PutBack, OnlyWhenNothingSaysTheRemovalMayGoOn) {
    using P = PendingMention;
    const struct {
        const char* name;
        LaunchOutcome launch;  // started, exit code read, exit code, every process ended, timed out
        bool installed;
        PendingMention pending;
        bool putBack;
    } rows[] = {
        {"0, still installed", {true, true, 0, true, false}, true, P::none, true},
        {"removed: nothing to put back", {true, true, 0, true, false}, false, P::none, false},
        {"3010", {true, true, 3010, true, false}, true, P::none, false},
        {"1641", {true, true, 1641, true, false}, true, P::none, false},
        {"not started", {false, false, 0, false, false}, true, P::none, false},
        {"timed out", {true, false, 0, false, true}, true, P::none, false},
        {"not every process waited for", {true, true, 0, false, false}, true, P::none, false},
        {"a pending operation names the folder", {true, true, 0, true, false}, true, P::folder, false},
        {"exit code unreadable", {true, false, 0, true, false}, true, P::none, false},
    };
    for (const auto& row : rows) {
        const PutBackVerdict verdict = judgePutBack({row.launch, row.installed, row.pending});
        EXPECT_EQ(verdict.putBack, row.putBack) << row.name;
        EXPECT_EQ(verdict.stayReason.empty(), row.putBack || !row.installed) << row.name;
    }
}

TEST(PendingFileOperations, NameTheFolderWhenAnEntryIsItOrLiesInsideIt) {
    using namespace std::string_literals;  // for u"..."s, which keeps the NULs between entries
    const std::u16string folder = u"\\??\\c:\\PROGRAM FILES\\InstallShield Installation Information\\{a1}";
    const struct {
        const char16_t* list;
        std::u16string entries;  // NUL-separated, as stored
        PendingMention mention;
    } rows[] = {
        {u"PendingFileRenameOperations", u"\\??\\C:\\new.dll\0!"s + folder + u"\\old.dll\0*1"s + folder, PendingMention::folder},
        {u"PendingFileRenameOperations", folder + u"_0\\setup.exe\0\0"s + folder + u"x\0"s, PendingMention::none},
    };
    for (const auto& row : rows) {
        MemoryRegistry store;
        RegistryHandle key = kNoKey;
        store.regCreateKeyExW(kLocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager", kKeyAllAccess, &key);
        store.regSetValueExW(key, row.list, kRegMultiSz, reinterpret_cast<const uint8_t*>(row.entries.c_str()),
                             static_cast<uint32_t>((row.entries.size() + 1) * 2));
        store.regCloseKey(key);
        EXPECT_EQ(pendingOperationsMention(store, u"C:\\Program Files\\InstallShield Installation Information\\{A1}"),
                  row.mention);
    }
}

}  // namespace
