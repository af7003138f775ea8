// The in-memory store's own tools: the record of changes and the failure switch, and how the
// layer answers a call that fails.
#include "registry_backends.h"

namespace {

using Kind = RegistryChange::Kind;

class RegistryStoreTest : public RegistryBackendTest {
protected:
    MemoryRegistry& memory() { return *store(); }
    static std::string storePath(const std::string& below) { return "HKLM\\" + std::string(kScratch) + below; }
};

TEST_P(RegistryStoreTest, TheRecordListsEveryChangeInOrder) {
    ASSERT_TRUE(registry().openPath(layerPath(""), false));
    memory().clearChanges();
    registry().makeKey("A\\B");
    registry().writeText("Name", "x");
    registry().eraseValue("Name");
    registry().moveKey("A", "C");
    registry().eraseKeyTree("C");
    const std::u16string scratch = u"HKLM\\" + std::u16string(kScratchWide);
    const struct {
        Kind kind;
        std::u16string keyPath;
        std::u16string valueName;
        std::u16string renamedTo;
    } expected[] = {
        {Kind::keyCreated, scratch + u"\\A", u"", u""},
        {Kind::keyCreated, scratch + u"\\A\\B", u"", u""},
        {Kind::valueWritten, scratch, u"Name", u""},
        {Kind::valueDeleted, scratch, u"Name", u""},
        {Kind::keyRenamed, scratch + u"\\A", u"", scratch + u"\\C"},
        {Kind::keyDeleted, scratch + u"\\C\\B", u"", u""},
        {Kind::keyDeleted, scratch + u"\\C", u"", u""},
    };
    const auto& changes = memory().changes();
    ASSERT_EQ(changes.size(), std::size(expected));
    for (size_t i = 0; i < changes.size(); ++i) {
        SCOPED_TRACE("change " + std::to_string(i));
        EXPECT_EQ(changes[i].kind, expected[i].kind);
        EXPECT_TRUE(changes[i].keyPath == expected[i].keyPath);
        EXPECT_TRUE(changes[i].valueName == expected[i].valueName);
        EXPECT_TRUE(changes[i].renamedTo == expected[i].renamedTo);
    }
    EXPECT_EQ(changes[2].registryType, kRegSz);
    EXPECT_EQ(changes[2].data, utf16Data(std::u16string(u"x\0", 2)));
}

TEST_P(RegistryStoreTest, TheNumberedCallFailsAndOnlyThatOne) {
    OwnedKey key = openRaw(u"");
    const uint8_t data = 1;
    const uint64_t next = memory().callCount() + 1;
    memory().failCall(next + 1);
    EXPECT_EQ(api().regSetValueExA(key.get(), "First", kRegBinary, &data, 1), 0);
    EXPECT_EQ(api().regSetValueExA(key.get(), "Second", kRegBinary, &data, 1), MemoryRegistry::kInjectedFailure);
    EXPECT_EQ(api().regSetValueExA(key.get(), "Third", kRegBinary, &data, 1), 0);
    EXPECT_EQ(memory().callCount(), next + 2);
    EXPECT_NE(queryRaw(u"", u"Second").result, 0) << "a failed call changed nothing";
}

TEST_P(RegistryStoreTest, AKindFailsOnTheNamedKeyInEitherFormAndNowhereElse) {
    createRaw(u"Target");
    createRaw(u"Other");
    memory().failEvery(RegistryCall::setValue, storePath("\\TARGET"));
    OwnedKey target = openRaw(u"Target");
    OwnedKey other = openRaw(u"Other");
    const uint8_t data = 1;
    EXPECT_NE(api().regSetValueExA(target.get(), "a", kRegBinary, &data, 1), 0);
    EXPECT_NE(api().regSetValueExW(target.get(), u"w", kRegBinary, &data, 1), 0);
    EXPECT_EQ(api().regSetValueExA(other.get(), "a", kRegBinary, &data, 1), 0);
    EXPECT_EQ(api().regDeleteValueA(other.get(), "a"), 0) << "another kind on another key";
    memory().clearFailures();
    EXPECT_EQ(api().regSetValueExA(target.get(), "a", kRegBinary, &data, 1), 0);
}

TEST_P(RegistryStoreTest, KeyCallsFailOnTheKeyTheyName) {
    createRaw(u"Parent\\Child");
    memory().failEvery(RegistryCall::openKey, storePath("\\Parent\\Child"));
    memory().failEvery(RegistryCall::createKey, storePath("\\New"));
    EXPECT_TRUE(keyExists(u"Parent"));
    EXPECT_FALSE(keyExists(u"Parent\\Child"));
    ASSERT_TRUE(registry().openPath(layerPath("Parent"), false));
    EXPECT_FALSE(registry().openPath("Child", false)) << "reached relative to an open key";
    EXPECT_EQ(registry().currentPath(), std::string(kScratch) + "\\Parent");
    try {
        registry().makeKey(layerPath("New"));
        FAIL() << "no exception";
    } catch (const ERegistryException& failure) {
        EXPECT_EQ(failure.message(), "Failed to create key " + layerPath("New"));
    }
}

TEST_P(RegistryStoreTest, ARefusedReadOrWriteRaisesWithTheValueName) {
    setRaw(u"", u"UninstallString", kRegSz, utf16Data(std::u16string(u"setup\0", 6)));
    ASSERT_TRUE(registry().openPath(layerPath(""), false));
    // The size query passes; the read that follows it fails.
    memory().failCall(memory().callCount() + 2);
    try {
        registry().readText("UninstallString");
        FAIL() << "no exception";
    } catch (const ERegistryException& failure) {
        EXPECT_EQ(failure.message(), "Failed to get data for 'UninstallString'");
    }
    memory().failEvery(RegistryCall::queryValue, storePath(""));
    EXPECT_EQ(registry().readText("UninstallString"), "") << "a size query that fails reads as no value";
}

TEST_P(RegistryStoreTest, RelabelValueKeepsTheOldNameWhenTheNewOneIsRefused) {
    setRaw(u"", u"UninstallString", kRegSz, utf16Data(std::u16string(u"setup\0", 6)));
    ASSERT_TRUE(registry().openPath(layerPath(""), false));
    memory().failEvery(RegistryCall::setValue, storePath(""));
    try {
        registry().relabelValue("UninstallString", "szUninstallString");
        FAIL() << "no exception";
    } catch (const ERegistryException& failure) {
        EXPECT_EQ(failure.message(), "Failed to set data for 'szUninstallString'");
    }
    EXPECT_EQ(queryRaw(u"", u"UninstallString").result, 0);
}

// A store that reports a double-byte ANSI code page on an NT system, as on a Japanese machine.
class DoubleByteStore : public MemoryRegistry {
public:
    DoubleByteFacts doubleByteFacts() const override { return {true, true}; }
};

TEST(RegistryDoubleByteTest, KeyInfoDoublesNameLengthsOnlyWhenBothFactsHold) {
    DoubleByteStore store;
    RegistryHandle key = kNoKey;
    ASSERT_EQ(store.regCreateKeyExA(kLocalMachine, "K\\Sub12", kKeyAllAccess, &key), 0);
    store.regCloseKey(key);
    ASSERT_EQ(store.regCreateKeyExA(kLocalMachine, "K", kKeyAllAccess, &key), 0);
    const uint8_t data = 1;
    store.regSetValueExA(key, "Val", kRegBinary, &data, 1);
    store.regCloseKey(key);
    TRegistry registry(store);
    registry.setRoot(kLocalMachine);
    ASSERT_TRUE(registry.openPath("K", false));
    KeyInfo info;
    ASSERT_TRUE(registry.queryKeyInfo(info));
    EXPECT_EQ(info.maxSubkeyNameLength, 10u);
    EXPECT_EQ(info.maxValueNameLength, 6u);
    EXPECT_EQ(info.maxDataLength, 1u);
}

INSTANTIATE_TEST_SUITE_P(Store, RegistryStoreTest, testing::Values(memoryBackend()), backendName);

}  // namespace
