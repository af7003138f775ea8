// Whole key trees on every backend: erasing, and moving a key there and back without losing or
// changing a byte.
#include <map>

#include "registry_backends.h"

namespace {

// Every key below a root, by its path, with every value as the registry holds it.
using TreeSnapshot = std::map<std::u16string, std::map<std::u16string, RawValue>>;

class RegistryTreeTest : public RegistryBackendTest {
protected:
    TreeSnapshot snapshot(const std::u16string& below) {
        TreeSnapshot tree;
        OwnedKey key = openRaw(below);
        if (key) collect(key.get(), u"", below, tree);
        return tree;
    }

    // A product key with every kind of value the move must carry, and a tree below it.
    void createProductKey(const std::u16string& below) {
        setRaw(below, u"", kRegSz, utf16Data(std::u16string(u"default\0", 8)));
        setRaw(below, kJapaneseName, kRegSz, utf16Data(kJapaneseText + u'\0'));
        setRaw(below, kCyrillicName, kRegSz, utf16Data(std::u16string(u"Cyrillic name\0", 14)));
        setRaw(below, u"UninstallString", kRegSz, utf16Data(std::u16string(u"C:\\setup.exe -u\0", 16)));
        setRaw(below, u"EmptyText", kRegSz, {});
        setRaw(below, u"Expand", kRegExpandSz, utf16Data(std::u16string(u"%ProgramFiles%\\x\0", 17)));
        setRaw(below, u"Multi", kRegMultiSz, utf16Data(std::u16string(u"one\0two\0\0", 9)));
        setRaw(below, u"EmptyMulti", kRegMultiSz, utf16Data(std::u16string(u"\0", 1)));
        setRaw(below, u"Qword", kRegQword, {1, 2, 3, 4, 5, 6, 7, 8});
        setRaw(below, u"NoneWithData", kRegNone, {0xde, 0xad});
        setRaw(below, u"NoneEmpty", kRegNone, {});
        setRaw(below, u"Dword", kRegDword, {0x2a, 0, 0, 0});
        setRaw(below, u"Binary", kRegBinary, {0, 1, 0xff});
        setRaw(below + u"\\Level1\\Level2\\Level3", u"Deep", kRegSz, utf16Data(std::u16string(u"deep\0", 5)));
        setRaw(below + u"\\Level1\\" + kJapaneseName, kCyrillicName, kRegDword, {1, 0, 0, 0});
        createRaw(below + u"\\EmptySubkey");
    }

    void expectCursorUnchanged(RegistryHandle key, const std::string& path) {
        EXPECT_EQ(registry().currentKey(), key);
        EXPECT_EQ(registry().currentPath(), path);
    }

private:
    void collect(RegistryHandle key, const std::u16string& path, const std::u16string& below, TreeSnapshot& tree) {
        auto& values = tree[path];
        for (uint32_t index = 0;; ++index) {
            char16_t name[256];
            uint32_t length = 256;
            if (api().regEnumValueW(key, index, name, &length) != 0) break;
            const std::u16string valueName(name, length);
            values[valueName] = queryRaw(below + path, valueName);
        }
        for (uint32_t index = 0;; ++index) {
            char16_t name[256];
            uint32_t length = 256;
            if (api().regEnumKeyExW(key, index, name, &length) != 0) break;
            const std::u16string subkey(name, length);
            RegistryHandle opened = kNoKey;
            api().regOpenKeyExW(key, subkey.c_str(), kKeyAllAccess, &opened);
            OwnedKey child(api(), opened);
            if (child) collect(child.get(), path + u"\\" + subkey, below, tree);
        }
    }
};

TEST_P(RegistryTreeTest, EraseKeyTreeOfAMissingKeyIsFalse) {
    EXPECT_FALSE(registry().eraseKeyTree(layerPath("Missing")));
    EXPECT_FALSE(registry().eraseKeyTree(layerPath("Missing\\Deeper")));
}

TEST_P(RegistryTreeTest, EraseKeyTreeRemovesEveryLevelAndKeepsTheCursor) {
    createProductKey(u"Product");
    createRaw(u"Sibling");
    ASSERT_TRUE(registry().openPath(layerPath(""), false));
    const RegistryHandle open = registry().currentKey();
    EXPECT_TRUE(registry().eraseKeyTree("Product"));
    EXPECT_FALSE(keyExists(u"Product"));
    EXPECT_TRUE(keyExists(u"Sibling"));
    expectCursorUnchanged(open, kScratch);
}

TEST_P(RegistryTreeTest, TransplantKeyMovesTheWholeTreeThereAndBackUnchanged) {
    createProductKey(u"{GUID}");
    const TreeSnapshot original = snapshot(u"{GUID}");
    ASSERT_EQ(original.size(), 6u);
    ASSERT_TRUE(registry().openPath(layerPath(""), false));
    const RegistryHandle open = registry().currentKey();

    registry().transplantKey("{GUID}", "{GUID}_0", true);
    expectCursorUnchanged(open, kScratch);
    EXPECT_FALSE(keyExists(u"{GUID}"));
    EXPECT_EQ(snapshot(u"{GUID}_0"), original);

    registry().transplantKey(layerPath("{GUID}_0"), layerPath("{GUID}"), true);
    expectCursorUnchanged(open, kScratch);
    EXPECT_FALSE(keyExists(u"{GUID}_0"));
    EXPECT_EQ(snapshot(u"{GUID}"), original);
}

// Beside its source the key is renamed, elsewhere copied; either way it arrives whole.
TEST_P(RegistryTreeTest, MoveKeyMovesTheWholeTreeThereAndBackUnchanged) {
    const struct {
        const char* what;
        std::string source;
        std::string target;
        std::u16string targetBelowScratch;
        bool renamed;
    } cases[] = {
        {"beside it, relative", "{GUID}", "{GUID}_0", u"{GUID}_0", true},
        {"beside it, absolute", layerPath("{GUID}"), layerPath("{GUID}_0"), u"{GUID}_0", true},
        {"below another key", "{GUID}", "Elsewhere\\{GUID}", u"Elsewhere\\{GUID}", false},
    };
    createProductKey(u"{GUID}");
    const TreeSnapshot original = snapshot(u"{GUID}");
    ASSERT_TRUE(registry().openPath(layerPath(""), false));
    const RegistryHandle open = registry().currentKey();
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        if (store()) store()->clearChanges();
        registry().moveKey(row.source, row.target);
        expectCursorUnchanged(open, kScratch);
        EXPECT_FALSE(keyExists(u"{GUID}"));
        EXPECT_EQ(snapshot(row.targetBelowScratch), original);
        if (store()) {
            const bool oneRename = store()->changes().size() == 1 &&
                                   store()->changes().front().kind == RegistryChange::Kind::keyRenamed;
            EXPECT_EQ(oneRename, row.renamed);
        }
        registry().moveKey(row.target, row.source);
        EXPECT_EQ(snapshot(u"{GUID}"), original);
    }
}

TEST_P(RegistryTreeTest, TransplantKeyWithoutRemovalLeavesTheSourceComplete) {
    createProductKey(u"Source");
    const TreeSnapshot original = snapshot(u"Source");
    registry().transplantKey(layerPath("Source"), layerPath("Copy"), false);
    EXPECT_EQ(snapshot(u"Source"), original);
    EXPECT_EQ(snapshot(u"Copy"), original);
}

TEST_P(RegistryTreeTest, TransplantKeyAndMoveKeyDoNothingWhenTheirPreconditionsFail) {
    createProductKey(u"Source");
    setRaw(u"Taken", u"Own", kRegDword, {1, 0, 0, 0});
    const TreeSnapshot before = snapshot(u"");
    const struct {
        const char* what;
        std::string source;
        std::string target;
    } cases[] = {
        {"target exists", "Source", "Taken"},
        {"target exists in another case", "Source", "TAKEN"},
        {"source missing", "Missing", "Fresh"},
        {"target below the source", "Source", "Source\\Level1\\Inside"},
        {"target is the source in another case", "Source", "source\\"},
        {"target below the source, spelled absolutely", "Source", "\\" + std::string(kScratch) + "\\SOURCE\\x"},
    };
    ASSERT_TRUE(registry().openPath(layerPath(""), false));
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        registry().transplantKey(row.source, row.target, true);
        EXPECT_EQ(snapshot(u""), before);
        registry().moveKey(row.source, row.target);
        EXPECT_EQ(snapshot(u""), before);
        expectCursorUnchanged(registry().currentKey(), kScratch);
    }
}

// A move that cannot copy everything must keep its source; the failure switch of the store
// makes single steps fail on purpose, so these run on the store alone.
class RegistryTreeFailureTest : public RegistryTreeTest {
protected:
    static std::string storePath(const std::string& below) { return "HKLM\\" + std::string(kScratch) + "\\" + below; }
};

TEST_P(RegistryTreeFailureTest, AnIncompleteCopyKeepsTheSource) {
    const struct {
        const char* what;
        RegistryCall call;
        const char* key;
    } cases[] = {
        {"a value index of the source fails", RegistryCall::enumValue, "Source"},
        {"a subkey index of the source fails", RegistryCall::enumKey, "Source\\Level1"},
        {"a subkey of the source cannot be opened", RegistryCall::openKey, "Source\\Level1\\Level2"},
        {"a value deep in the source cannot be read", RegistryCall::enumValue, "Source\\Level1\\Level2\\Level3"},
        {"the source's key info fails", RegistryCall::queryInfoKey, "Source\\Level1"},
    };
    store()->moveKeysByCopying();
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        createProductKey(u"Source");
        const TreeSnapshot original = snapshot(u"Source");
        store()->failEvery(row.call, storePath(row.key));
        // Told, so that the caller can erase its own part-copy.
        EXPECT_FALSE(registry().moveKey(layerPath("Source"), layerPath("Target")));
        store()->clearFailures();
        EXPECT_EQ(snapshot(u"Source"), original);
        EXPECT_TRUE(keyExists(u"Target"));
        EXPECT_EQ(store()->openHandleCount(), 0u);
        registry().eraseKeyTree(layerPath("Target"));
    }
}

TEST_P(RegistryTreeFailureTest, AKeyNeverMovesIntoItsOwnAncestor) {
    createProductKey(u"Source");
    const TreeSnapshot before = snapshot(u"");
    // The probe that would find the ancestor fails, so it looks missing: the source's probe is
    // an open and a close, the target's probe the open after them.
    store()->failCall(store()->callCount() + 3);
    registry().transplantKey(layerPath("Source\\Level1"), layerPath("Source"), true);
    store()->clearFailures();
    EXPECT_EQ(snapshot(u""), before);
    EXPECT_EQ(store()->openHandleCount(), 0u);
}

TEST_P(RegistryTreeFailureTest, ARefusedWriteRaisesAndLeavesTheSourceAndCursorAlone) {
    const struct {
        const char* what;
        RegistryCall call;
        const char* key;
        const char* message;
    } cases[] = {
        {"target key", RegistryCall::createKey, "Target", "Failed to create key Target"},
        {"copied subkey", RegistryCall::createKey, "Target\\Level1\\Level2", "Failed to create key Level2"},
        {"value write", RegistryCall::setValue, "Target\\Level1\\Level2\\Level3", "Failed to set data for 'Deep'"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        createProductKey(u"Source");
        const TreeSnapshot original = snapshot(u"Source");
        ASSERT_TRUE(registry().openPath(layerPath(""), false));
        const RegistryHandle open = registry().currentKey();
        store()->failEvery(row.call, storePath(row.key));
        try {
            registry().transplantKey("Source", "Target", true);
            ADD_FAILURE() << "no exception";
        } catch (const ERegistryException& failure) {
            EXPECT_EQ(failure.message(), row.message);
        }
        store()->clearFailures();
        expectCursorUnchanged(open, kScratch);
        EXPECT_EQ(store()->openHandleCount(), 1u) << "only the open key may stay open";
        EXPECT_EQ(snapshot(u"Source"), original);
        registry().eraseKeyTree("Target");
    }
}

// Whichever single call fails, the move ends with no handle leaked, the cursor where it was,
// and the product's data whole in the source or in the target.
TEST_P(RegistryTreeFailureTest, AFailureAtAnyCallLosesNothing) {
    createProductKey(u"Source");
    const TreeSnapshot original = snapshot(u"Source");
    ASSERT_TRUE(registry().openPath(layerPath(""), false));
    const RegistryHandle open = registry().currentKey();
    const uint64_t first = store()->callCount() + 1;
    registry().transplantKey("Source", "Target", true);
    const uint64_t callsInAMove = store()->callCount() - first + 1;
    registry().transplantKey("Target", "Source", true);
    ASSERT_EQ(snapshot(u"Source"), original);

    for (uint64_t failing = 0; failing < callsInAMove; ++failing) {
        SCOPED_TRACE("failing call " + std::to_string(failing + 1) + " of the move");
        store()->failCall(store()->callCount() + 1 + failing);
        try {
            registry().transplantKey("Source", "Target", true);
        } catch (const ERegistryException&) {
        }
        store()->clearFailures();
        expectCursorUnchanged(open, kScratch);
        EXPECT_EQ(store()->openHandleCount(), 1u);
        // A source left partly erased is fine once the target holds everything.
        EXPECT_TRUE(snapshot(u"Source") == original || snapshot(u"Target") == original);
        registry().eraseKeyTree("Source");
        registry().eraseKeyTree("Target");
        createProductKey(u"Source");
    }
}

TEST_P(RegistryTreeFailureTest, EraseKeyTreeIsFalseWhenASubkeyRefusesToGo) {
    createProductKey(u"Product");
    store()->failEvery(RegistryCall::deleteKey, storePath("Product\\Level1\\Level2\\Level3"));
    EXPECT_FALSE(registry().eraseKeyTree(layerPath("Product")));
    EXPECT_TRUE(keyExists(u"Product\\Level1\\Level2\\Level3"));
    EXPECT_FALSE(keyExists(u"Product\\EmptySubkey")) << "the other subkeys still go";
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistryTreeTest, testing::ValuesIn(registryBackends()), backendName);
INSTANTIATE_TEST_SUITE_P(Store, RegistryTreeFailureTest, testing::Values(memoryBackend()), backendName);

}  // namespace
