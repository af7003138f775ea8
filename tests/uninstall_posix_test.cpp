#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mode_fixture.h"
#include "relocation/names.h"

namespace {

const std::string kGuid = kProductGuid;
const std::string kTarget0 = kGuid + "_0";
// What Windows hands uninstall mode when it runs the command install mode wrote.
const std::string kUninstallArguments = "-uninstall -guid\"" + kTarget0 + "\" -tguid\"" + kGuid + "\"";

const RecordedMessage kBoxA{"Insufficient commandline parameters!\r\nYou have to pass at least -uninstall and "
                            "-guid\"<value>\" to this application!",
                            "Insufficient Commandline", 0x2010};
const RecordedMessage kBoxC{"Directory Error!\r\nUnable to restore the uninstall directory to its old location",
                            "Directory Error", 0x2010};
const RecordedMessage kBoxD{"Registry Error!\r\nUnable to find the uninstall key", "Registry Error", 0x2010};

const RecordedMessage kIncorrectName{
    "Incorrect GUID format!\r\nPlease pass the GUID in the correct format to this application", "Incorrect format", 0x2010};

RecordedMessage boxB(const std::string& directory) {
    return {"Directory Error!\r\nUninstallation cannot proceed, the \"" + directory +
                "\" directory exists! Check if it is empty and delete it if it is. Then retry the uninstall",
            "Directory Error", 0x2010};
}

class UninstallMode : public ModeFixture {
protected:
    void SetUp() override {
        installProduct();
        original = productKey(kGuid);
        runInstall("-hwnd0 -guid" + kGuid);
        ASSERT_TRUE(services.messages().empty());
        relocated = productKey(kTarget0);
        ASSERT_TRUE(relocated.exists);
    }

    // The product under the name given, as the installer left it, key and directory.
    void expectRestoredAs(const std::string& name) {
        EXPECT_EQ(productKey(name), original);
        EXPECT_FALSE(productKey(kTarget0).exists);
        EXPECT_TRUE(fileExists(directory(name) + "\\setup.exe"));
        EXPECT_FALSE(directoryExists(directory(kTarget0)));
    }

    void expectStillRelocated() {
        EXPECT_EQ(productKey(kTarget0), relocated);
        EXPECT_TRUE(fileExists(directory(kTarget0) + "\\setup.exe"));
        EXPECT_FALSE(directoryExists(directory(kGuid)));
    }

    KeySnapshot original, relocated;
};

TEST_F(UninstallMode, RestoresEverythingAndStartsTheProductsCommand) {
    runUninstall(kUninstallArguments);
    EXPECT_TRUE(services.messages().empty());
    // -tguid arrives lowercased, and the restored names take its case.
    expectRestoredAs(kGuid);
    EXPECT_EQ(services.launchedCommands(), std::vector<std::string>{kProductCommand});
    EXPECT_TRUE(services.pauses().empty());
}

TEST_F(UninstallMode, RestoredNameComesFromTheRelocatedName) {
    runUninstall("-u -guid" + kTarget0);
    expectRestoredAs(kGuid);
    EXPECT_EQ(services.launchedCommands(), std::vector<std::string>{kProductCommand});
}

TEST(RestoredName, CutsFromTheUnderscoreAsMuchAsPassesThirtyEightCharacters) {
    const struct {
        std::string relocated, restored;
    } rows[] = {
        {kGuid + "_0", kGuid},
        {kGuid + "_12", kGuid},
        {kGuid, kGuid},
        {kGuid + "x_1", kGuid + "x"},
        {"{A}_1", "{A}_1"},
        {"", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(restoredNameFor(row.relocated), row.restored) << row.relocated;
}

// The path is taken as written on the command line, in its own letter case.
TEST_F(UninstallMode, RunfileIsStartedQuotedInsteadOfTheRestoredCommand) {
    runUninstall(kUninstallArguments + " -runfile\"C:\\Temp\\Cleanup.exe\"");
    expectRestoredAs(kGuid);
    EXPECT_EQ(services.launchedCommands(), std::vector<std::string>{"\"C:\\Temp\\Cleanup.exe\""});
}

TEST_F(UninstallMode, ExpandableCommandKeepsItsTypeAndIsStartedExpanded) {
    setValue(std::string(kUninstallKey) + kTarget0, "szUninstallString", kRegExpandSz,
             textBytes("\"%ProgramFiles%\\Sample\\remove.exe\" /x"));
    services.setEnvironment("ProgramFiles", "C:\\Program Files");
    runUninstall(kUninstallArguments);
    const KeySnapshot restored = productKey(kGuid);
    const ValueSnapshot* command = value(restored, "UninstallString");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->type, kRegExpandSz);
    EXPECT_EQ(command->data, textBytes("\"%ProgramFiles%\\Sample\\remove.exe\" /x"));
    EXPECT_EQ(services.launchedCommands(), std::vector<std::string>{"\"C:\\Program Files\\Sample\\remove.exe\" /x"});
}

TEST_F(UninstallMode, CommandOutsideTheAnsiCodePageStartsAsStored) {
    std::vector<uint8_t> bytes;
    for (char16_t unit : std::u16string(u"\"C:\\\u041f\u0440\u043e\u0434\u0443\u043a\u0442\\remove.exe\" /x")) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xff));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    bytes.insert(bytes.end(), {0, 0});
    setValue(std::string(kUninstallKey) + kTarget0, "szUninstallString", kRegSz, bytes);
    runUninstall(kUninstallArguments);
    const KeySnapshot restored = productKey(kGuid);
    ASSERT_NE(value(restored, "UninstallString"), nullptr);
    EXPECT_EQ(value(restored, "UninstallString")->data, bytes);
    EXPECT_EQ(services.launchedCommands(),
              std::vector<std::string>{"\"C:\\\xd0\x9f\xd1\x80\xd0\xbe\xd0\xb4\xd1\x83\xd0\xba\xd1\x82\\remove.exe\" /x"});
}

TEST_F(UninstallMode, BoxesThatEndTheRunBeforeAnythingMoves) {
    services.makeDirectory(directory("Taken"));
    const struct {
        const char* name;
        std::string arguments;
        RecordedMessage box;
    } rows[] = {
        {"lone -u leaves an empty list", "-U", kBoxA},
        {"no -guid", "-uninstall -tguid" + kGuid, kBoxA},
        {"no suffix: the restored name is the current one", "-uninstall -guid" + kTarget0 + " -tguid" + kTarget0,
         boxB(directory(kTarget0))},
        {"restored directory exists", "-uninstall -guid" + kTarget0 + " -tguid\"Taken\"", boxB(directory("Taken"))},
        {"restored name with a path", "-uninstall -guid" + kTarget0 + " -tguid..\\escape", kIncorrectName},
        {"relocated name with a path", "-uninstall -guid../outside -tguid" + kGuid, kIncorrectName},
        {"hwnd that is not a number", kUninstallArguments + " -hwndx", RecordedMessage{
             "Incorrect HWND format!\r\nPlease pass the parent HWND in the correct format to this application",
             "Incorrect format", 0x2010}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t boxesBefore = services.messages().size();
        runUninstall(row.arguments);
        ASSERT_EQ(services.messages().size(), boxesBefore + 1);
        EXPECT_EQ(services.messages().back(), row.box);
        expectStillRelocated();
        EXPECT_TRUE(services.launchedCommands().empty());
    }
}

TEST_F(UninstallMode, DirectoryThatCannotMoveShowsBoxC) {
    failMoves = true;
    runUninstall(kUninstallArguments);
    EXPECT_EQ(services.messages(), std::vector<RecordedMessage>{kBoxC});
    expectStillRelocated();
}

TEST_F(UninstallMode, MissingRelocatedKeyPutsTheDirectoryBack) {
    RegistryHandle parent = kNoKey;
    ASSERT_EQ(registry.regOpenKeyExA(kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                                     kKeyAllAccess, &parent), 0);
    TRegistry eraser(registry);
    eraser.setRoot(kLocalMachine);
    ASSERT_TRUE(eraser.eraseKeyTree(std::string("\\") + kUninstallKey + kTarget0));
    registry.regCloseKey(parent);

    runUninstall(kUninstallArguments);
    EXPECT_EQ(services.messages(), std::vector<RecordedMessage>{kBoxD});
    EXPECT_TRUE(fileExists(directory(kTarget0) + "\\setup.exe"));
    EXPECT_FALSE(directoryExists(directory(kGuid)));
    EXPECT_TRUE(services.launchedCommands().empty());
}

// Where a key cannot be renamed it is copied; a copy the registry refuses leaves the key under the
// relocated name, and the directory goes back to it before the failure is reported.
TEST_F(UninstallMode, AKeyThatCannotFollowTakesTheDirectoryBackBeforeTheReport) {
    registry.failEvery(RegistryCall::renameKey, "HKLM\\" + std::string(kUninstallKey) + kTarget0);
    registry.failEvery(RegistryCall::setValue, "HKLM\\" + std::string(kUninstallKey) + kGuid);
    EXPECT_THROW(runUninstall(kUninstallArguments), ERegistryException);
    expectStillRelocated();
    EXPECT_TRUE(services.messages().empty() && services.launchedCommands().empty());
}

// Nothing to start is a failure the person who asked for the uninstall must see.
TEST_F(UninstallMode, WithNothingSavedNothingIsStartedAndTheLaunchBoxSaysSo) {
    RegistryHandle key = kNoKey;
    ASSERT_EQ(registry.regOpenKeyExA(kLocalMachine, (std::string(kUninstallKey) + kTarget0).c_str(), kKeyAllAccess, &key), 0);
    registry.regDeleteValueA(key, "szUninstallString");
    registry.regCloseKey(key);
    runUninstall(kUninstallArguments);
    EXPECT_EQ(services.messages(), (std::vector<RecordedMessage>{
                                       {"Launch Error!\r\nUnable to start the uninstall command", "Launch Error", 0x2010}}));
    const KeySnapshot restored = productKey(kGuid);
    EXPECT_EQ(value(restored, "UninstallString"), nullptr);
    EXPECT_TRUE(services.launchedCommands().empty());
}

// A key under the relocated name that records no relocation (its command replaced by a product
// command, nothing saved) proves nothing about where its product belongs: moved, its own
// command could name a folder that is not there. It stays, and its own entry still runs.
TEST_F(UninstallMode, AKeyThatRecordsNoRelocationStaysWhereItIs) {
    const std::string key = std::string(kUninstallKey) + kTarget0;
    RegistryHandle handle = kNoKey;
    ASSERT_EQ(registry.regOpenKeyExA(kLocalMachine, key.c_str(), kKeyAllAccess, &handle), 0);
    registry.regDeleteValueA(handle, "szUninstallString");
    registry.regCloseKey(handle);
    setValue(key, "UninstallString", kRegSz, textBytes("C:\\repair\\remove.exe"));
    const KeySnapshot before = productKey(kTarget0);
    runUninstall(kUninstallArguments);
    ASSERT_EQ(services.messages().size(), 1u);
    EXPECT_EQ(services.messages()[0].text.rfind("Registry Error!\r\nUninstallation cannot proceed, the \"HKEY_LOCAL_MACHINE\\" +
                                                key + "\" key exists",
                                                0),
              0u);
    EXPECT_EQ(productKey(kTarget0), before);
    EXPECT_TRUE(fileExists(directory(kTarget0) + "\\setup.exe"));
    EXPECT_TRUE(services.launchedCommands().empty());
}

TEST_F(UninstallMode, WaitsOnlyWhenAWindowIsGiven) {
    services.openWindow(77, 2);
    runUninstall(kUninstallArguments + " -hwnd77");
    EXPECT_EQ(services.pauses(), (std::vector<uint32_t>{1000, 1000}));
    expectRestoredAs(kGuid);
}

TEST_F(UninstallMode, InstallAgainAfterARestorePicksTheSameFreeName) {
    runUninstall("-uninstall -guid" + kTarget0);
    runInstall("-hwnd0 -guid" + kGuid);
    EXPECT_EQ(productKey(kTarget0), relocated);
}

}  // namespace
