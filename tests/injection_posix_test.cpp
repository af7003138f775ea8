// Both modes run once per call they make, with that one call failing, and once per call with
// the run killed right after it; after each run nothing but the product may have changed, the
// product must be there once with an entry that runs, and the command its entry holds must bring
// it back to where its own uninstaller can run.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "injection_table.h"

namespace {

const std::string kGuid = kProductGuid;
const std::string kRelocated = kGuid + "_0";
const std::string kInstallArguments = "-hwnd" + std::to_string(kInstallerWindow) + " -guid\"" + kGuid + "\"";
// What Windows hands the program when it runs the command install mode writes.
const std::string kUninstallArguments = "-uninstall -guid\"" + kRelocated + "\" -tguid\"" + kGuid + "\"";

// Beside the product, another product's entry and folder, which no run may touch.
void productInstalled(ModeMachine& machine) {
    machine.installProduct("{F1E2D3C4-B5A6-4978-8695-A4B3C2D1E0F9}");
    machine.installProduct();
}

void productRelocated(ModeMachine& machine) {
    productInstalled(machine);
    machine.runInstall("-hwnd0 -guid" + kGuid);
}

// A key that cannot be read whole may be somebody's: it is in the way.
const std::string kKeyInTheWay = "Registry Error!\r\nUninstallation cannot proceed, the \"HKEY_LOCAL_MACHINE\\";

const std::vector<ModeBox> kInstallBoxes = {
    {"Insufficient commandline parameters!\r\nYou have to pass at least -hwnd\"<value>\" and -guid\"<value>\" to "
     "this application!",
     "Insufficient Commandline"},
    {"Incorrect GUID format!\r\nPlease pass the GUID in the correct format to this application", "Incorrect format"},
    {"Directory Error!\r\nUninstallation cannot proceed, the \"", "Directory Error"},
    {"Directory Error!\r\nUnable to move the uninstall directory to its new location", "Directory Error"},
    {"Registry Error!\r\nUnable to find the uninstall key", "Registry Error"},
    {"Incorrect HWND format!\r\nPlease pass the parent HWND in the correct format to this application",
     "Incorrect format"},
    {"Registry Error!\r\nUnable to access the registry", "Registry Error"},
    {kKeyInTheWay, "Registry Error"},
};

const std::vector<ModeBox> kUninstallBoxes = {
    {"Insufficient commandline parameters!\r\nYou have to pass at least -uninstall and -guid\"<value>\" to this "
     "application!",
     "Insufficient Commandline"},
    {"Directory Error!\r\nUninstallation cannot proceed, the \"", "Directory Error"},
    {"Directory Error!\r\nUnable to restore the uninstall directory to its old location", "Directory Error"},
    {"Registry Error!\r\nUnable to find the uninstall key", "Registry Error"},
    {"Incorrect HWND format!\r\nPlease pass the parent HWND in the correct format to this application",
     "Incorrect format"},
    {"Registry Error!\r\nUnable to access the registry", "Registry Error"},
    {kKeyInTheWay, "Registry Error"},
    {"Launch Error!\r\nUnable to start the uninstall command", "Launch Error"},
};

// Runs the whole table for one mode on one registry, prints it, and fails every row whose checks
// do not hold.
void proveOnOneRegistry(const ModeUnderTest& mode) {
    const InjectionTable table = runInjectionTable(mode);
    std::fputs(formatInjectionTable(mode, table).c_str(), stdout);
    std::fflush(stdout);

    ASSERT_GT(table.registryCalls, 0u);
    ASSERT_GT(table.serviceCalls, 0u);
    // Every call of the clean run, of both kinds, failed once and killed once, plus the clean run.
    EXPECT_EQ(table.rows.size(), 1 + 2 * (table.registryCalls + table.serviceCalls));
    for (const InjectionRow& row : table.rows) {
        SCOPED_TRACE(describeRow(row));
        EXPECT_TRUE(row.sameCallHit) << "the injected run did not reach the clean run's call";
        EXPECT_TRUE(row.checks.outside) << "something outside the product's key and folder under the two names changed";
        EXPECT_TRUE(row.checks.once) << "the product is not there once, key and folder under the same name";
        EXPECT_TRUE(row.checks.runs) << "a command of the product's entry starts what is not there";
        EXPECT_TRUE(row.checks.outcome) << "outcome: " << row.outcome;
        EXPECT_TRUE(row.checks.recovery) << "recovery: " << row.recovery;
    }
}

// The table for one mode, on a registry that renames keys and on one that copies them.
void proveUnderInjection(const ModeUnderTest& mode) {
    for (const bool keysCopied : {false, true}) {
        ModeUnderTest onThisRegistry = mode;
        onThisRegistry.keysCopied = keysCopied;
        SCOPED_TRACE(keysCopied ? "keys copied" : "keys renamed");
        proveOnOneRegistry(onThisRegistry);
    }
}

TEST(FailureInjection, InstallModeKeepsTheProductWholeAtEveryCall) {
    proveUnderInjection({"install mode", ModeGoal::relocate, relocateInstallation, kInstallArguments, kGuid, kRelocated,
                         productInstalled, kInstallBoxes, kGuid + "_1"});
}

// The names as install mode wrote them into the command.
TEST(FailureInjection, UninstallModeKeepsTheProductWholeAtEveryCall) {
    proveUnderInjection({"uninstall mode", ModeGoal::restore, restoreInstallation, kUninstallArguments, kRelocated, kGuid,
                         productRelocated, kUninstallBoxes});
}

}  // namespace
