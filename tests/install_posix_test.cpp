#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "mode_fixture.h"
#include "relocation/isreloc_command.h"

namespace {

const std::string kGuid = kProductGuid;
const std::string kTarget0 = kGuid + "_0";
const std::string kInstallArguments = "-hwnd0 -guid\"" + kGuid + "\"";

const RecordedMessage kBoxA{"Insufficient commandline parameters!\r\nYou have to pass at least -hwnd\"<value>\" and "
                            "-guid\"<value>\" to this application!",
                            "Insufficient Commandline", 0x2010};
const RecordedMessage kBoxB{"Incorrect GUID format!\r\nPlease pass the GUID in the correct format to this application",
                            "Incorrect format", 0x2010};
const RecordedMessage kBoxD{"Directory Error!\r\nUnable to move the uninstall directory to its new location",
                            "Directory Error", 0x2010};
const RecordedMessage kBoxE{"Registry Error!\r\nUnable to find the uninstall key", "Registry Error", 0x2010};
const RecordedMessage kHwndBox{
    "Incorrect HWND format!\r\nPlease pass the parent HWND in the correct format to this application",
    "Incorrect format", 0x2010};
const RecordedMessage kRegistryBox{"Registry Error!\r\nUnable to access the registry", "Registry Error", 0x2010};

RecordedMessage boxC(const std::string& directory) {
    return {"Directory Error!\r\nUninstallation cannot proceed, the \"" + directory +
                "\" directory exists! Check if it is empty and delete it if it is. Then retry the uninstall",
            "Directory Error", 0x2010};
}

class InstallMode : public ModeFixture {
protected:
    void SetUp() override {
        installProduct();
        before = productKey(kGuid);
    }

    // The product where the installer left it, and nothing beside it.
    void expectNothingMoved() {
        EXPECT_EQ(productKey(kGuid), before);
        EXPECT_FALSE(productKey(kTarget0).exists);
        EXPECT_TRUE(fileExists(directory(kGuid) + "\\setup.exe"));
        EXPECT_FALSE(directoryExists(directory(kTarget0)));
    }

    // The whole key under the target name: every value and subkey as before, the product's
    // command in szUninstallString and isreloc's in UninstallString.
    void expectRelocatedTo(const std::string& target, const std::string& source = kGuid) {
        KeySnapshot moved = productKey(target);
        ASSERT_TRUE(moved.exists);
        EXPECT_FALSE(productKey(source).exists);
        EXPECT_TRUE(fileExists(directory(target) + "\\setup.exe"));
        EXPECT_FALSE(directoryExists(directory(source)));

        const ValueSnapshot* saved = value(moved, "szUninstallString");
        ASSERT_NE(saved, nullptr);
        EXPECT_EQ(*saved, *value(before, "UninstallString"));
        const ValueSnapshot* command = value(moved, "UninstallString");
        ASSERT_NE(command, nullptr);
        EXPECT_EQ(command->type, kRegSz);
        EXPECT_EQ(command->data, textBytes("\"" + std::string(kOwnPath) + "\" -uninstall -guid\"" + target +
                                           "\" -tguid\"" + source + "\""));

        moved.values.erase(registry.widen("szUninstallString"));
        moved.values[registry.widen("UninstallString")] = *value(before, "UninstallString");
        EXPECT_EQ(moved, before);
    }

    KeySnapshot before;
};

TEST_F(InstallMode, MovesDirectoryAndWholeKeyToTheFirstFreeName) {
    runInstall(kInstallArguments);
    EXPECT_TRUE(services.messages().empty());
    expectRelocatedTo(kTarget0);
}

// A system without RegRenameKey, or one that refuses it, gets the same result by a copy.
TEST_F(InstallMode, KeyMovesByCopyingWhenTheRenameIsRefused) {
    registry.failEvery(RegistryCall::renameKey, "HKLM\\" + std::string(kUninstallKey) + kGuid);
    runInstall(kInstallArguments);
    EXPECT_EQ(registry.callCount(RegistryCall::renameKey), 1u);
    EXPECT_TRUE(services.messages().empty());
    expectRelocatedTo(kTarget0);
}

TEST_F(InstallMode, LowerCaseGuidIsLookedUpAndWrittenInUpperCase) {
    runInstall("-hwnd0 -guid" + lowerAscii(kGuid));
    expectRelocatedTo(kTarget0);
}

TEST_F(InstallMode, SuffixSearchStopsAtTheFirstFreeName) {
    const struct {
        std::vector<std::string> taken;
        std::string target;
    } rows[] = {
        {{"_0", "_1"}, "_2"},
        {{"_1"}, "_0"},
        {{"_0", "_1", "_2", "_3", "_4", "_5", "_6", "_7", "_8", "_9"}, "_10"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.target);
        for (const std::string& suffix : row.taken) services.makeDirectory(directory(kGuid + suffix));
        runInstall(kInstallArguments);
        expectRelocatedTo(kGuid + row.target);
        // Put the product back for the next row.
        runUninstall("-guid" + kGuid + row.target + " -tguid" + kGuid);
        std::filesystem::remove_all(services.hostPath(kMaintenanceRoot));
        installProduct();
        before = productKey(kGuid);
    }
}

TEST_F(InstallMode, GivenTargetNameIsUsedAsGiven) {
    runInstall(kInstallArguments + " -tguid\"Elsewhere\"");
    expectRelocatedTo("Elsewhere");
}

TEST_F(InstallMode, BoxesThatEndTheRunBeforeAnythingMoves) {
    const struct {
        const char* name;
        std::string arguments;
        RecordedMessage box;
    } rows[] = {
        {"no -guid", "-hwnd0", kBoxA},
        {"no -hwnd", "-guid" + kGuid, kBoxA},
        {"no arguments at all", "x", kBoxA},
        {"hyphen in the wrong place", "-hwnd0 -guid{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9X", kBoxB},
        {"digit where the fourth hyphen belongs", "-hwnd0 -guid{0A1B2C3D-4E5F-6071-82930A4B5C6D7E8F9}", kBoxB},
        {"too short", "-hwnd0 -guid{0A1B2C3D}", kBoxB},
        {"GUID-shaped path out of the maintenance root", "-hwnd0 -guid{\\..\\..\\X-AAAA-BBBB-CCCC-DDDDDDDDDDDD}", kBoxB},
        {"target name with a path", kInstallArguments + " -tguid..\\escape", kBoxB},
        {"target name with a drive", kInstallArguments + " -tguid\"D:x\"", kBoxB},
        {"target name of the parent folder", kInstallArguments + " -tguid..", kBoxB},
        {"hwnd that is not a number", "-hwndabc -guid" + kGuid, kHwndBox},
        {"-hwnd alone", "-hwnd -guid" + kGuid, kHwndBox},
        {"x-hwnd123 is cut to d123", "x-hwnd123 -guid" + kGuid, kHwndBox},
        {"target directory exists", kInstallArguments + " -tguid\"" + kGuid + "_7\"",
         boxC(directory(kGuid + "_7"))},
        {"an empty target name is refused before it can name the maintenance root", kInstallArguments + " -tguid", kBoxB},
        {"target differs from the source only in case", kInstallArguments + " -tguid" + kGuid,
         boxC(directory(kGuid))},
    };
    services.makeDirectory(directory(kGuid + "_7"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t boxesBefore = services.messages().size();
        runInstall(row.arguments);
        ASSERT_EQ(services.messages().size(), boxesBefore + 1);
        EXPECT_EQ(services.messages().back(), row.box);
        expectNothingMoved();
    }
}

TEST_F(InstallMode, RegistryObjectThatCannotBeMadeShowsTheRegistryBox) {
    createRegistry = [](RegistryApi&) -> std::unique_ptr<TRegistry> { throw std::bad_alloc(); };
    runInstall(kInstallArguments);
    EXPECT_EQ(services.messages(), std::vector<RecordedMessage>{kRegistryBox});
    expectNothingMoved();
}

TEST_F(InstallMode, WithoutTheMarkerFileNothingHappensSilently) {
    std::filesystem::remove(services.hostPath(directory(kGuid) + "\\setup.exe"));
    services.makeDirectory(directory(kGuid) + "\\setup.exe");  // a directory is no marker
    runInstall(kInstallArguments);
    EXPECT_TRUE(services.messages().empty());
    EXPECT_EQ(productKey(kGuid), before);
    EXPECT_FALSE(directoryExists(directory(kTarget0)));
}

TEST_F(InstallMode, MarkerStampedBefore1980StillCounts) {
    services.stampLastWrite(directory(kGuid) + "\\setup.exe", 0);  // 1970, as reproducible builds leave it
    runInstall(kInstallArguments);
    expectRelocatedTo(kTarget0);
}

TEST_F(InstallMode, MaintenanceRootFollowsProgramFilesDir) {
    const struct {
        const char* name;
        std::string programFiles;
        uint32_t type;
        std::string root;
    } rows[] = {
        {"trailing backslash", "D:\\Apps\\", kRegSz, "D:\\Apps\\InstallShield Installation Information\\"},
        {"no trailing backslash", "D:\\Apps", kRegSz, "D:\\Apps\\InstallShield Installation Information\\"},
        {"expandable, taken as stored", "D:\\%Folder%", kRegExpandSz,
         "D:\\%Folder%\\InstallShield Installation Information\\"},
        {"cut at the first NUL", std::string("D:\\Apps\0junk", 11), kRegSz,
         "D:\\Apps\\InstallShield Installation Information\\"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        setProgramFilesDir(row.programFiles, row.type);
        placeFile(row.root + kGuid + "\\setup.exe", "MZ");
        runInstall(kInstallArguments);
        EXPECT_TRUE(directoryExists(row.root + kTarget0));
        runUninstall("-guid" + kTarget0);
        EXPECT_TRUE(directoryExists(row.root + kGuid));
    }
}

TEST_F(InstallMode, MissingProgramFilesDirUsesTheRootOfTheCurrentDrive) {
    RegistryHandle key = kNoKey;
    registry.regOpenKeyExA(kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", kKeyAllAccess, &key);
    registry.regDeleteValueA(key, "ProgramFilesDir");
    registry.regCloseKey(key);
    placeFile("C:\\InstallShield Installation Information\\" + kGuid + "\\setup.exe", "MZ");
    runInstall(kInstallArguments);
    EXPECT_TRUE(directoryExists("C:\\InstallShield Installation Information\\" + kTarget0));
}

TEST_F(InstallMode, ProgramFilesDirOfAnotherTypeEscapesAsRegistryFailure) {
    setValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", kRegDword, {1, 0, 0, 0});
    try {
        runInstall(kInstallArguments);
        FAIL() << "no ERegistryException";
    } catch (const ERegistryException& failure) {
        EXPECT_EQ(failure.message(), "Invalid data type for 'ProgramFilesDir'");
    }
    expectNothingMoved();
}

// A key under a name the suffix search makes, without its folder, is an earlier instance whose
// folder went missing: its entry is the only record of what it installed, and it stays.
TEST_F(InstallMode, AKeyUnderASuffixNameIsKeptAndTheSearchGoesOn) {
    setValue(std::string(kUninstallKey) + kTarget0 + "\\Old\\Older", "Stale", kRegSz, textBytes("stale"));
    const KeySnapshot earlier = productKey(kTarget0);
    runInstall(kInstallArguments);
    expectRelocatedTo(kGuid + "_1");
    EXPECT_EQ(productKey(kTarget0), earlier);
}

// A restore killed mid-copy: the folder back under the GUID, a part of the key beside the whole
// one. The whole key follows the folder before the instance moves again; the part is never moved.
TEST_F(InstallMode, ARestoreCutShortIsFinishedBeforeTheProductMoves) {
    runInstall(kInstallArguments);
    std::filesystem::rename(services.hostPath(directory(kTarget0)), services.hostPath(directory(kGuid)));
    setValue(std::string(kUninstallKey) + kGuid, "DisplayName", kRegSz, textBytes("Sample Product"));
    services.scriptMoveLock(MoveLockGrant::Answer::takenOver);
    runInstall(kInstallArguments + " -tguid" + kTarget0);
    expectRelocatedTo(kTarget0);
}

TEST_F(InstallMode, MissingProductKeyPutsTheDirectoryBack) {
    registry.regDeleteKeyA(kLocalMachine, (std::string(kUninstallKey) + kGuid + "\\Level1\\Level2\\Level3").c_str());
    registry.regDeleteKeyA(kLocalMachine, (std::string(kUninstallKey) + kGuid + "\\Level1\\Level2").c_str());
    registry.regDeleteKeyA(kLocalMachine, (std::string(kUninstallKey) + kGuid + "\\Level1").c_str());
    registry.regDeleteKeyA(kLocalMachine, (std::string(kUninstallKey) + kGuid).c_str());
    runInstall(kInstallArguments);
    EXPECT_EQ(services.messages(), std::vector<RecordedMessage>{kBoxE});
    EXPECT_TRUE(fileExists(directory(kGuid) + "\\setup.exe"));
    EXPECT_FALSE(directoryExists(directory(kTarget0)));
}

TEST_F(InstallMode, DirectoryThatCannotMoveShowsBoxD) {
    failMoves = true;  // as when another process makes the target between the probe and the move
    runInstall(kInstallArguments);
    EXPECT_EQ(services.messages(), std::vector<RecordedMessage>{kBoxD});
    expectNothingMoved();
}

// Both are product commands and nothing proves which is stale: moving would write one over the other.
TEST_F(InstallMode, SavedCommandBesideAnotherLiveCommandIsRefusedBeforeAnythingMoves) {
    const std::string key = std::string(kUninstallKey) + kGuid;
    setValue(key, "szUninstallString", kRegSz, textBytes("old command"));
    setValue(key, "UninstallString", kRegExpandSz, textBytes("%ProgramFiles%\\new.exe"));
    before = productKey(kGuid);
    runInstall(kInstallArguments);
    const RecordedMessage box{"Registry Error!\r\nUninstallation cannot proceed, the \"HKEY_LOCAL_MACHINE\\" + key +
                                  "\" key holds a saved command in \"szUninstallString\" beside its own! Check what it "
                                  "belongs to and remove it if it is stale. Then retry the uninstall",
                              "Registry Error", 0x2010};
    EXPECT_EQ(services.messages(), std::vector<RecordedMessage>{box});
    expectNothingMoved();
}

TEST_F(InstallMode, SavedCommandStaysWhenUninstallStringIsAlreadyIsrelocs) {
    const std::string key = std::string(kUninstallKey) + kGuid;
    setValue(key, "szUninstallString", kRegSz, textBytes(kProductCommand));
    // In an engine's spelling, which isreloc runs as its own command for these names.
    setValue(key, "UninstallString", kRegSz,
             textBytes("C:\\Tools\\ISRELOC.EXE -Uninstall -guid" + kTarget0 + " /norestart -tguid\"" + kGuid +
                       "\" -SILENT -timeout3600 -- -s"));
    runInstall(kInstallArguments);
    const KeySnapshot moved = productKey(kTarget0);
    EXPECT_EQ(value(moved, "szUninstallString")->data, textBytes(kProductCommand));
    EXPECT_EQ(value(moved, "UninstallString")->data,
              textBytes("\"" + std::string(kOwnPath) + "\" -uninstall -guid\"" + kTarget0 + "\" -tguid\"" + kGuid + "\""));
}

TEST_F(InstallMode, WaitsForTheInstallersWindowBeforeTouchingAnything) {
    services.openWindow(4242, 3);
    runInstall("-hwnd4242 -guid" + kGuid);
    EXPECT_EQ(services.pauses(), (std::vector<uint32_t>{1000, 1000, 1000}));
    expectRelocatedTo(kTarget0);
}

TEST_F(InstallMode, FixedWaitInsteadOfAWindow) {
    runInstall("-hwndWAIT -guid" + kGuid);
    EXPECT_EQ(services.pauses(), std::vector<uint32_t>{15000});
    EXPECT_TRUE(services.windowTests().empty());
    expectRelocatedTo(kTarget0);
}

TEST(UninstallCommand, NamesBothNamesInQuotes) {
    EXPECT_EQ(buildUninstallCommand(u"C:\\Program Files\\App\\isreloc.exe", u"{A}_0", u"{A}"),
              u"\"C:\\Program Files\\App\\isreloc.exe\" -uninstall -guid\"{A}_0\" -tguid\"{A}\"");
    // What uninstall mode receives when Windows runs it.
    const std::u16string command = buildUninstallCommand(u"C:\\a b\\isreloc.exe", u"{A}_0", u"{A}");
    std::vector<std::u16string> arguments;
    for (const WideArgument& argument : allWideArguments(command.c_str())) arguments.push_back(argument.argument);
    EXPECT_EQ(arguments, (std::vector<std::u16string>{u"-uninstall", u"-guid{A}_0", u"-tguid{A}"}));
}

}  // namespace
