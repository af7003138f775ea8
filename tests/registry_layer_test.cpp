// TRegistry on every backend: the path rule, opening and closing, keys and values.
#include "registry_backends.h"

namespace {

class RegistryLayerTest : public RegistryBackendTest {
protected:
    // Every key of the path tests carries a value naming itself, so a test can tell which key
    // ended up open.
    void createMarkedKeys() {
        for (const std::u16string key : {u"A", u"A\\B", u"A\\B\\C", u"C"})
            setRaw(key, u"Marker", kRegSz, utf16Data(key + u'\0'));
    }
    // Opens the scratch key itself; the layer's paths below are relative to it.
    void openScratch() { ASSERT_TRUE(registry().openPath(layerPath(""), false)); }
    void setText(const std::u16string& name, const std::u16string& text) {
        setRaw(u"", name, kRegSz, utf16Data(text + u'\0'));
    }
};

const std::string S = kScratch;

TEST_P(RegistryLayerTest, ANewObjectStartsAtTheCurrentUserWithNothingOpen) {
    TRegistry fresh(api());
    EXPECT_EQ(fresh.rootKey(), kCurrentUser);
    EXPECT_EQ(fresh.currentKey(), kNoKey);
    EXPECT_EQ(fresh.currentPath(), "");
    EXPECT_FALSE(fresh.flushOnClose());
    EXPECT_FALSE(fresh.ownsRoot());
    EXPECT_EQ(fresh.accessMask(), 0xF003Fu);
}

TEST_P(RegistryLayerTest, SetRootClosesTheOpenKeyOnlyForAnotherRoot) {
    openScratch();
    registry().setRoot(kLocalMachine);
    EXPECT_NE(registry().currentKey(), kNoKey);
    EXPECT_EQ(registry().currentPath(), S);
    registry().setRoot(kCurrentUser);
    EXPECT_EQ(registry().currentKey(), kNoKey);
    EXPECT_EQ(registry().currentPath(), "");
    EXPECT_EQ(registry().rootKey(), kCurrentUser);
}

struct OpenCase {
    const char* what;
    const char* openFirst;  // relative to the root; null for none
    const char* path;       // "~" stands for the scratch key's path
    bool mayCreate;
    bool opened;
    const char* pathAfter;  // "~" stands for the scratch key's path
    const char* markerAfter;
};

std::string expand(const char* text) {
    std::string result(text);
    const size_t at = result.find('~');
    if (at != std::string::npos) result.replace(at, 1, S);
    return result;
}

TEST_P(RegistryLayerTest, OpenPathFollowsThePathRule) {
    const OpenCase cases[] = {
        {"absolute with nothing open", nullptr, "\\~\\A\\B", false, true, "~\\A\\B", "A\\B"},
        {"relative below the open key", "~\\A\\B", "C", false, true, "~\\A\\B\\C", "A\\B\\C"},
        {"relative with nothing open starts at the root", nullptr, "~\\C", false, true, "~\\C", "C"},
        {"absolute while a key is open", "~\\A", "\\~\\C", false, true, "~\\C", "C"},
        {"names in another case", nullptr, "\\~\\a\\b", false, true, "~\\a\\b", "A\\B"},
        {"missing key keeps the open key", "~\\A", "Missing", false, false, "~\\A", "A"},
        {"missing key with nothing open", nullptr, "\\~\\Missing", false, false, "", ""},
        {"empty path opens the root again", nullptr, "", true, true, "", ""},
        {"a lone backslash is the root", "~\\A", "\\", false, true, "", ""},
        {"empty path below the open key", "~\\A", "", true, true, "~\\A\\", "A"},
    };
    for (const OpenCase& row : cases) {
        SCOPED_TRACE(row.what);
        createMarkedKeys();
        registry().closePath();
        if (row.openFirst != nullptr) {
            ASSERT_TRUE(registry().openPath("\\" + expand(row.openFirst), false));
        }
        EXPECT_EQ(registry().openPath(expand(row.path), row.mayCreate), row.opened);
        EXPECT_EQ(registry().currentPath(), expand(row.pathAfter));
        EXPECT_EQ(registry().readText("Marker"), row.markerAfter);
    }
    EXPECT_FALSE(keyExists(u"Missing")) << "opening without mayCreate created a key";
}

TEST_P(RegistryLayerTest, OpenPathWithMayCreateCreatesTheKeyAndItsParents) {
    openScratch();
    ASSERT_TRUE(registry().openPath("New\\Deeper\\Deepest", true));
    EXPECT_EQ(registry().currentPath(), S + "\\New\\Deeper\\Deepest");
    EXPECT_TRUE(keyExists(u"New\\Deeper\\Deepest"));
}

TEST_P(RegistryLayerTest, ClosePathFlushesWhenAskedAndASecondCloseDoesNothing) {
    for (const bool flush : {false, true}) {
        SCOPED_TRACE(flush ? "flush on close" : "no flush");
        registry().setFlushOnClose(flush);
        openScratch();
        const uint64_t flushesBefore = store() ? store()->callCount(RegistryCall::flushKey) : 0;
        registry().closePath();
        registry().closePath();
        EXPECT_EQ(registry().currentKey(), kNoKey);
        EXPECT_EQ(registry().currentPath(), "");
        if (store()) {
            EXPECT_EQ(store()->callCount(RegistryCall::flushKey) - flushesBefore, flush ? 1u : 0u);
        }
    }
}

TEST_P(RegistryLayerTest, DestructionClosesTheOpenKey) {
    if (!store()) GTEST_SKIP() << "open handles are counted by the in-memory store";
    openScratch();
    EXPECT_EQ(store()->openHandleCount(), 1u);
    dropRegistry();
    EXPECT_EQ(store()->openHandleCount(), 0u);
}

TEST_P(RegistryLayerTest, MakeKeyCreatesWithParentsAndLeavesTheOpenKeyAlone) {
    openScratch();
    const RegistryHandle before = registry().currentKey();
    EXPECT_TRUE(registry().makeKey("Made\\Below"));
    EXPECT_TRUE(registry().makeKey("\\" + S + "\\Absolute"));
    EXPECT_TRUE(registry().makeKey("Made"));
    EXPECT_TRUE(keyExists(u"Made\\Below"));
    EXPECT_TRUE(keyExists(u"Absolute"));
    EXPECT_EQ(registry().currentKey(), before);
    EXPECT_EQ(registry().currentPath(), S);
}

TEST_P(RegistryLayerTest, HasKeyProbesWithReadRightsAndPutsTheMaskBack) {
    createMarkedKeys();
    openScratch();
    EXPECT_TRUE(registry().hasKey("A\\B"));
    EXPECT_TRUE(registry().hasKey("\\" + S + "\\a"));
    EXPECT_TRUE(registry().hasKey(""));
    EXPECT_FALSE(registry().hasKey("Missing"));
    EXPECT_FALSE(registry().hasKey("\\Missing\\" + S));
    EXPECT_EQ(registry().accessMask(), 0xF003Fu);
    EXPECT_EQ(registry().currentPath(), S);
}

TEST_P(RegistryLayerTest, ReadTextReturnsTextUpToItsFirstNul) {
    setText(u"Plain", u"C:\\Program Files\\Setup.exe -uninstall");
    setRaw(u"", u"Expand", kRegExpandSz, utf16Data(std::u16string(u"%TEMP%\\x\0", 9)));
    setRaw(u"", u"Embedded", kRegSz, utf16Data(std::u16string(u"ab\0cd\0", 6)));
    setRaw(u"", u"Unterminated", kRegSz, utf16Data(u"abc"));
    setRaw(u"", u"NoData", kRegSz, {});
    setRaw(u"", u"Binary", kRegBinary, {});
    setText(u"", u"the default");
    openScratch();
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"Plain", "C:\\Program Files\\Setup.exe -uninstall"},
        {"Expand", "%TEMP%\\x"},
        {"Embedded", "ab"},
        {"Unterminated", "abc"},
        {"NoData", ""},
        {"Binary", ""},  // no data, so its type is never looked at
        {"Missing", ""},
        {"", "the default"},
    };
    for (const auto& row : cases) EXPECT_EQ(registry().readText(row.name), row.text) << "value '" << row.name << "'";
}

TEST_P(RegistryLayerTest, ReadTextOfANumberRaisesInvalidDataType) {
    setRaw(u"", u"Dword", kRegDword, {7, 0, 0, 0});
    openScratch();
    try {
        registry().readText("Dword");
        FAIL() << "no exception";
    } catch (const ERegistryException& failure) {
        EXPECT_EQ(failure.message(), "Invalid data type for 'Dword'");
        EXPECT_STREQ(failure.className(), "ERegistryException");
        EXPECT_NE(failure.raiseAddress(), nullptr);
    }
}

TEST_P(RegistryLayerTest, ValueOperationsWithNoKeyOpenFailQuietlyExceptWriting) {
    EXPECT_EQ(registry().readText("x"), "");
    EXPECT_FALSE(registry().hasValue("x"));
    EXPECT_FALSE(registry().eraseValue("x"));
    EXPECT_EQ(registry().valueSize("x"), -1);
    EXPECT_FALSE(registry().queryValueInfo("x").ok);
    registry().relabelValue("x", "y");
    try {
        registry().writeText("UninstallString", "x");
        FAIL() << "no exception";
    } catch (const ERegistryException& failure) {
        EXPECT_EQ(failure.message(), "Failed to set data for 'UninstallString'");
    }
}

TEST_P(RegistryLayerTest, WriteTextStoresTheTextAndItsTerminatorAsRegSz) {
    openScratch();
    const struct {
        const char* name;
        std::string text;
    } cases[] = {{"Empty", ""}, {"Latin", "caf\xE9"}, {"", "default"}};
    for (const auto& row : cases) {
        registry().writeText(row.name, row.text);
        EXPECT_EQ(queryAnsi(u"", row.name), (RawValue{0, kRegSz, bytesOf(row.text + '\0')})) << row.name;
        EXPECT_EQ(registry().readText(row.name), row.text) << row.name;
    }
}

TEST_P(RegistryLayerTest, ValueQueriesReportKindRegistryTypeAndSize) {
    setRaw(u"", u"Qword", kRegQword, {1, 2, 3, 4, 5, 6, 7, 8});
    setRaw(u"", u"Binary", kRegBinary, {1, 2, 3});
    setRaw(u"", u"Dword", kRegDword, {1, 2, 3, 4});
    openScratch();
    const struct {
        const char* name;
        ValueKind kind;
        uint32_t type;
        int32_t size;
    } cases[] = {
        {"Qword", ValueKind::otherKind, kRegQword, 8},
        {"Binary", ValueKind::bytesKind, kRegBinary, 3},
        {"Dword", ValueKind::integerKind, kRegDword, 4},
    };
    for (const auto& row : cases) {
        const ValueInfo info = registry().queryValueInfo(row.name);
        EXPECT_TRUE(info.ok) << row.name;
        EXPECT_EQ(info.kind, row.kind) << row.name;
        EXPECT_EQ(info.registryType, row.type) << row.name;
        EXPECT_EQ(registry().valueSize(row.name), row.size) << row.name;
        EXPECT_TRUE(registry().hasValue(row.name)) << row.name;
    }
    EXPECT_EQ(registry().valueSize("Missing"), -1);
}

TEST_P(RegistryLayerTest, EraseValueReportsWhetherAValueWentAway) {
    setText(u"Doomed", u"x");
    setText(u"", u"default");
    openScratch();
    EXPECT_TRUE(registry().eraseValue("doomed"));
    EXPECT_FALSE(registry().eraseValue("Doomed"));
    EXPECT_TRUE(registry().eraseValue(""));
    EXPECT_FALSE(registry().hasValue(""));
}

TEST_P(RegistryLayerTest, RelabelValueMovesTypeAndBytesToTheNewName) {
    const std::vector<uint8_t> multi = utf16Data(std::u16string(u"one\0" u"\u88FD\0\0", 7));
    const std::vector<uint8_t> japanese = utf16Data(kJapaneseText + u'\0');
    setRaw(u"", u"UninstallString", kRegSz, japanese);
    setRaw(u"", u"Multi", kRegMultiSz, multi);
    openScratch();
    registry().relabelValue("UninstallString", "szUninstallString");
    registry().relabelValue("Multi", "Moved");
    EXPECT_EQ(queryRaw(u"", u"szUninstallString"), (RawValue{0, kRegSz, japanese}));
    EXPECT_EQ(queryRaw(u"", u"Moved"), (RawValue{0, kRegMultiSz, multi}));
    EXPECT_NE(queryRaw(u"", u"UninstallString").result, 0);
    EXPECT_NE(queryRaw(u"", u"Multi").result, 0);
}

TEST_P(RegistryLayerTest, RelabelValueLeavesBothNamesAloneWhenItCannotMove) {
    const struct {
        const char* what;
        const char* oldName;
        const char* newName;
    } cases[] = {
        {"new name exists", "Old", "Taken"},
        {"old name missing", "Missing", "Fresh"},
        {"old value has no data", "Empty", "Fresh"},
        {"names differ only in case", "Old", "OLD"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        setText(u"Old", u"old");
        setText(u"Taken", u"taken");
        setRaw(u"", u"Empty", kRegSz, {});
        registry().closePath();
        openScratch();
        registry().relabelValue(row.oldName, row.newName);
        EXPECT_EQ(queryRaw(u"", u"Old"), (RawValue{0, kRegSz, utf16Data(std::u16string(u"old\0", 4))}));
        EXPECT_EQ(queryRaw(u"", u"Taken"), (RawValue{0, kRegSz, utf16Data(std::u16string(u"taken\0", 6))}));
        EXPECT_EQ(queryRaw(u"", u"Empty"), (RawValue{0, kRegSz, {}}));
        EXPECT_NE(queryRaw(u"", u"Fresh").result, 0);
    }
}

TEST_P(RegistryLayerTest, QueryKeyInfoCountsTheOpenKey) {
    createRaw(u"Sub1");
    createRaw(u"Sub22");
    setText(u"", u"default");
    setRaw(u"", u"Value", kRegBinary, std::vector<uint8_t>(12, 1));
    KeyInfo info;
    info.subkeyCount = 99;
    EXPECT_FALSE(registry().queryKeyInfo(info)) << "no key open";
    EXPECT_EQ(info.subkeyCount, 0u);
    openScratch();
    ASSERT_TRUE(registry().queryKeyInfo(info));
    EXPECT_EQ(info.subkeyCount, 2u);
    EXPECT_EQ(info.maxSubkeyNameLength, 5u);
    EXPECT_EQ(info.valueCount, 2u);
    EXPECT_EQ(info.maxValueNameLength, 5u);
    EXPECT_EQ(info.maxDataLength, 16u);  // "default" and its terminator in UTF-16
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistryLayerTest, testing::ValuesIn(registryBackends()), backendName);

}  // namespace
