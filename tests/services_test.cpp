// The file, directory and environment rules, written once: on Linux they run against
// PosixServices, under Wine against Win32Services on Wine's own file system.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifdef _WIN32
#include "services_scratch_win32.h"
#else
#include "services_scratch_posix.h"
#endif

namespace {

// The test paths are ASCII; the services take paths in UTF-16.
std::u16string w(const std::string& path) { return std::u16string(path.begin(), path.end()); }

const char* const kMarker = "product\\setup.exe";

constexpr LocalStamp kYear2000{2000, 6, 15, 12, 34, 56};
constexpr int32_t kYear2000Age = 0x28CF645C;  // date 20<<9|6<<5|15, time 12<<11|34<<5|56/2

struct MarkerCase {
    const char* what;
    enum { file, directory, nothing } kind;
    LocalStamp lastWrite;
    FileLook look;
    int32_t age;
    bool exists;
};

const MarkerCase kMarkerCases[] = {
    {"a plain file", MarkerCase::file, kYear2000, FileLook::plain, kYear2000Age, true},
    {"a hidden read-only file", MarkerCase::file, kYear2000, FileLook::hiddenReadOnly, kYear2000Age, true},
    {"the first moment a DOS date holds", MarkerCase::file, {1980, 1, 1, 0, 0, 0}, FileLook::plain, 0x00210000, true},
    {"the last moment a DOS date holds", MarkerCase::file, {2107, 12, 31, 23, 59, 58}, FileLook::plain,
     static_cast<int32_t>(0xFF9FBF7Du), true},
    // A reproducible build stamps 1970: there is no DOS age, but the file is there all the same.
    {"a file stamped 1970", MarkerCase::file, {1970, 6, 15, 12, 0, 0}, FileLook::plain, -1, true},
    {"a file stamped 1979", MarkerCase::file, {1979, 12, 31, 23, 59, 58}, FileLook::plain, -1, true},
    {"a file stamped 2108", MarkerCase::file, {2108, 1, 1, 0, 0, 2}, FileLook::plain, -1, true},
    {"a directory with the file's name", MarkerCase::directory, kYear2000, FileLook::plain, -1, false},
    {"nothing", MarkerCase::nothing, kYear2000, FileLook::plain, -1, false},
};

TEST(FileRules, AgeAndExistenceOfTheMarker) {
    for (const MarkerCase& row : kMarkerCases) {
        SCOPED_TRACE(row.what);
        ServicesScratch scratch;
        scratch.makeDirectory("product");
        if (row.kind == MarkerCase::file) {
            scratch.makeFile(kMarker, row.lastWrite, row.look);
        } else if (row.kind == MarkerCase::directory) {
            scratch.makeDirectory(kMarker);
        }
        EXPECT_EQ(scratch.services().fileAge(w(scratch.path(kMarker))), row.age);
        EXPECT_EQ(scratch.services().fileExists(w(scratch.path(kMarker))), row.exists);
    }
}

TEST(FileRules, PathsThatNameNoFile) {
    ServicesScratch scratch;
    scratch.makeDirectory("product");
    scratch.makeFile(kMarker, kYear2000);
    for (const std::string& path : {std::string(), scratch.path("product\\setup.exe\\"), scratch.path("product"),
                                    scratch.path("product\\setup.exe\\inside"), scratch.path("other\\setup.exe")}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(scratch.services().fileAge(w(path)), -1);
        EXPECT_FALSE(scratch.services().fileExists(w(path)));
    }
}

TEST(FileRules, AWildcardTakesTheMatchingEntry) {
    ServicesScratch scratch;
    scratch.makeDirectory("product");
    scratch.makeFile(kMarker, kYear2000);
    EXPECT_EQ(scratch.services().fileAge(w(scratch.path("product\\set?p.*"))), kYear2000Age);
    EXPECT_TRUE(scratch.services().fileExists(w(scratch.path("product\\*.exe"))));
    EXPECT_FALSE(scratch.services().fileExists(w(scratch.path("product\\*.dll"))));
    EXPECT_FALSE(scratch.services().fileExists(w(scratch.path("prod*\\setup.exe"))));
}

TEST(DirectoryProbe, AFileOrAMissingNameLeavesTheCurrentDirectory) {
    ServicesScratch scratch;
    scratch.makeDirectory("product");
    scratch.makeFile(kMarker, kYear2000);
    const std::string before = scratch.currentDirectory();
    for (const std::string& path : {scratch.path(kMarker), scratch.path("missing"), std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(scratch.services().directoryProbe(w(path)));
        EXPECT_EQ(scratch.currentDirectory(), before);
    }
}

// A probe that entered the folder would hold it open as the process's current directory, and the
// move right after it would fail.
TEST(DirectoryProbe, ADirectoryIsFoundWithoutEnteringItAndMovesAtOnce) {
    ServicesScratch scratch;
    scratch.makeDirectory("product");
    scratch.makeFile(kMarker, kYear2000);
    const std::string before = scratch.currentDirectory();
    ASSERT_TRUE(scratch.services().directoryProbe(w(scratch.path("product"))));
    EXPECT_EQ(scratch.currentDirectory(), before);
    EXPECT_TRUE(scratch.services().moveDirectory(w(scratch.path("product")), w(scratch.path("moved"))));
    EXPECT_TRUE(scratch.services().fileExists(w(scratch.path("moved\\setup.exe"))));
}

TEST(MoveDirectory, AnExistingTargetIsNeverReplaced) {
    ServicesScratch scratch;
    scratch.makeDirectory("{A}");
    scratch.makeFile("{A}\\setup.exe", kYear2000);
    scratch.makeDirectory("{A}_0");
    scratch.makeFile("{A}_0\\other.txt", kYear2000);

    EXPECT_FALSE(scratch.services().moveDirectory(w(scratch.path("{A}")), w(scratch.path("{A}_0"))));
    EXPECT_TRUE(scratch.onDisk("{A}\\setup.exe"));
    EXPECT_TRUE(scratch.onDisk("{A}_0\\other.txt"));
    EXPECT_FALSE(scratch.onDisk("{A}_0\\setup.exe"));
}

TEST(MoveDirectory, AFreeNameTakesTheWholeDirectory) {
    ServicesScratch scratch;
    scratch.makeDirectory("{A}");
    scratch.makeFile("{A}\\setup.exe", kYear2000);

    EXPECT_TRUE(scratch.services().moveDirectory(w(scratch.path("{A}")), w(scratch.path("{A}_1"))));
    EXPECT_FALSE(scratch.onDisk("{A}"));
    EXPECT_TRUE(scratch.onDisk("{A}_1\\setup.exe"));

    EXPECT_FALSE(scratch.services().moveDirectory(w(scratch.path("{A}")), w(scratch.path("{A}_2"))));
    EXPECT_FALSE(scratch.onDisk("{A}_2"));
}

TEST(ExpandEnvironment, ReferencesAreReplacedAndUnknownOnesKept) {
    ServicesScratch scratch;
    scratch.setEnvironment("ISRELOC_SCRATCH", "C:\\scratch");
    const std::string longValue(3000, 'v');
    scratch.setEnvironment("ISRELOC_LONG", longValue);
    const struct {
        std::string text;
        std::string expanded;
    } cases[] = {
        {"%ISRELOC_SCRATCH%\\setup.exe", "C:\\scratch\\setup.exe"},
        {"\"%isreloc_scratch%\\a b\\run.exe\" -x", "\"C:\\scratch\\a b\\run.exe\" -x"},
        {"%ISRELOC_NOT_SET%\\x", "%ISRELOC_NOT_SET%\\x"},
        {"100% sure", "100% sure"},
        {"[%ISRELOC_LONG%]", "[" + longValue + "]"},
        {"no reference", "no reference"},
        {"", ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.text);
        const std::u16string text(row.text.begin(), row.text.end());
        EXPECT_EQ(scratch.services().expandWideEnvironment(text), std::u16string(row.expanded.begin(), row.expanded.end()));
    }
}

TEST(WindowAlive, HandleZeroNamesNoWindow) {
    ServicesScratch scratch;
    EXPECT_FALSE(scratch.services().windowAlive(0));
}

#ifndef _WIN32
// Where the test backend puts Windows paths, which the tests of the modes depend on.
TEST(PosixPaths, WindowsPathsLandBelowTheRootFolder) {
    PosixServices services("/root-folder", "C:\\Program Files");
    const struct {
        const char* windowsPath;
        const char* hostPath;
    } cases[] = {
        {"C:\\Program Files\\InstallShield Installation Information\\{G}\\setup.exe",
         "/root-folder/C/Program Files/InstallShield Installation Information/{G}/setup.exe"},
        {"c:/windows", "/root-folder/C/windows"},
        {"\\windows", "/root-folder/C/windows"},
        {"{G}", "/root-folder/C/Program Files/{G}"},
        {"C:{G}", "/root-folder/C/Program Files/{G}"},
        {"D:{G}", "/root-folder/D/{G}"},
        {"C:\\..\\..\\etc\\.\\passwd", "/root-folder/C/etc/passwd"},
        {"..\\..\\..", "/root-folder/C"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.windowsPath);
        EXPECT_EQ(services.hostPath(row.windowsPath), row.hostPath);
    }
    for (const char* unserved : {"", "\\\\server\\share\\x", "\\\\?\\C:\\x"}) {
        SCOPED_TRACE(unserved);
        EXPECT_THROW(services.hostPath(unserved), std::invalid_argument);
        EXPECT_FALSE(services.fileExists(w(unserved)));
        EXPECT_FALSE(services.directoryProbe(w(unserved)));
    }
}

TEST(PosixPaths, AProbeLeavesTheProcessWorkingDirectoryAlone) {
    ServicesScratch scratch;
    scratch.makeDirectory("product");
    const std::filesystem::path before = std::filesystem::current_path();
    ASSERT_TRUE(scratch.services().directoryProbe(w(scratch.path("product"))));
    EXPECT_EQ(std::filesystem::current_path(), before);
}
#endif

}  // namespace
