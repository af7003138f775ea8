#pragma once
// One end-to-end case: a program started with an exact command line, the boxes it must show in
// order, its exit code, and hooks that prepare the registry and files before the run, act while
// it runs, check what the run left behind and put the machine back as it was. Beside what the
// case checks, every run is held to its names: the rest of the machine must not change at all.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Stands in an expected box text for eight upper-case hexadecimal digits (an address or offset
// that differs from build to build).
constexpr const char* kAnyHex8 = "<HEX8>";

enum class IconExpectation { Any, Shown, None };

struct ExpectedBox {
    std::string caption;
    std::string text;
    IconExpectation icon = IconExpectation::Any;
};

// Where the programs under test and the scratch files are.
struct E2eEnvironment {
    std::string binDirectory;      // ends in a backslash; isreloc.exe and the probes are here
    std::string scratchDirectory;  // ends in a backslash; emptied before each case
    std::string programPath(const std::string& fileName) const { return binDirectory + fileName; }
    // The program's path in quotes, as a command line starts.
    std::string quotedProgram(const std::string& fileName) const { return "\"" + programPath(fileName) + "\""; }
};

// Handed to the hooks: what they may use and where they report what went wrong.
class CaseContext {
public:
    CaseContext(const E2eEnvironment& environment, std::string applicationPath, std::string commandLine)
        : environment_(environment), applicationPath_(std::move(applicationPath)), commandLine_(std::move(commandLine)) {}
    const E2eEnvironment& environment() const { return environment_; }
    // What is run; a prepare hook may replace them with what only exists once it has run (a window
    // handle, the command a first run wrote, a program outside the bin folder).
    const std::string& applicationPath() const { return applicationPath_; }
    const std::string& commandLine() const { return commandLine_; }
    void runInstead(std::string applicationPath, std::string commandLine) {
        applicationPath_ = std::move(applicationPath);
        commandLine_ = std::move(commandLine);
    }
    // Records the failure, worded as it will be printed, unless the condition holds; returns the condition.
    bool expect(bool condition, const std::string& what) {
        if (!condition) failures_.push_back(what);
        return condition;
    }
    const std::vector<std::string>& failures() const { return failures_; }

private:
    const E2eEnvironment& environment_;
    std::string applicationPath_;
    std::string commandLine_;
    std::vector<std::string> failures_;
};

struct E2eCase {
    std::string name;
    std::string program;      // file name in the bin folder
    std::string commandLine;  // exactly what the program receives, its own path included
    std::vector<ExpectedBox> boxes;
    uint32_t exitCode = 0;
    std::function<void(CaseContext&)> prepare;  // registry values, directories, files
    std::function<void(CaseContext&)> verify;   // what the run left behind
    // Called about every 50 ms while the program runs, with the time since it started.
    std::function<void(CaseContext&, uint32_t elapsedMilliseconds)> whileRunning = nullptr;
    // Always called last, also when an earlier hook failed: registry settings and handles the
    // case changed go back, so the next case starts from the same machine.
    std::function<void(CaseContext&)> cleanup = nullptr;
    // Where the program starts: its current directory, and whether on a window station of its
    // own that no one can see (as a service's), where a box would wait for ever.
    std::string startDirectory = "";
    bool unseenWindowStation = false;
    // The command line (and the program's path) hold UTF-8 and are started through the wide
    // calls, for texts no ANSI code page can spell.
    bool utf8CommandLine = false;
    bool desktopOfItsOwn = false;  // or on a desktop where no program has shown a window yet
    // A fault of the program this case shows, until it is mended: the case is reported as a known
    // fault and does not fail the run; once it passes, the run fails until the mark is removed.
    std::string knownFault = "";
    // Runs after the machine's state is taken and before the case's own run, which starts from
    // what it leaves (install mode, whose written command the case then starts), so that both
    // runs are held to the case's names.
    std::function<void(CaseContext&)> runFirst = nullptr;
    // The names directly below the uninstall key (32-bit view) and the maintenance root whose keys
    // and folders the run may change. Everything else there, and the whole uninstall key of the
    // 64-bit view, must be byte for byte as it was before the run. Unset: the product's GUID and
    // its first relocated name. What became of the names themselves is the case's verify.
    std::optional<std::vector<std::string>> runNames = std::nullopt;
    // The case's stand-in for the product's uninstaller removes the whole maintenance root.
    bool uninstallerRemovesMaintenanceRoot = false;
};

std::vector<E2eCase> allCases(const E2eEnvironment& environment);
// The groups of cases about the two modes, each in its own file.
std::vector<E2eCase> installModeCases(const E2eEnvironment& environment);
std::vector<E2eCase> roundTripCases(const E2eEnvironment& environment);
std::vector<E2eCase> modeBoxCases(const E2eEnvironment& environment);
// A relocated instance's Change, quiet uninstall, and cancelled or completed uninstall.
std::vector<E2eCase> instanceCases(const E2eEnvironment& environment);
// Hostile and odd command lines, in their own file.
std::vector<E2eCase> badInputCases(const E2eEnvironment& environment);
// Runs nobody watches: -silent, an unseen window station, -wait, "--" and the log.
std::vector<E2eCase> unattendedCases(const E2eEnvironment& environment);
// Runs cut short or overlapping on one product.
std::vector<E2eCase> overlapCases(const E2eEnvironment& environment);

// True when actual equals expected, each kAnyHex8 in expected matching eight upper-case hex digits.
bool boxTextMatches(const std::string& expected, const std::string& actual);
