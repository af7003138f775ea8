#pragma once
// What the user sees when a failure reaches the top unhandled, and how the process then ends.
// The texts are built here without any system call, so they are tested on every platform; the
// Windows side (failure_win32.cpp) only finds the module, loads the string table and shows boxes.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

class Services;
class RunLog;

// String-table numbers of the report texts, and the texts used when the table lacks them.
constexpr unsigned kReportFormatResource = 65512;
constexpr unsigned kReportCaptionResource = 65513;
constexpr const char* kReportFormat = "Exception %s in module %s at %p.\r\n%s%s\r\n";
constexpr const char* kReportCaption = "Application Error";
constexpr std::size_t kReportTextLimit = 1023;

// The plain box for failures outside the report's reach (start-up, shut-down, std::terminate).
constexpr const char* kFallbackCaption = "Error";
constexpr uint32_t kFallbackFlags = 0;  // MB_OK: no icon, not task-modal
constexpr uint32_t kRaisedFailureErrorNumber = 217;

// A caught failure as the report names it.
struct FailureDescription {
    std::string className;         // as declared, never a compiler-mangled name
    std::string message;
    const void* raiseAddress;      // the throw site, or null when it is not known
};

// Maps the failure to its report: an Exception as declared, std::bad_alloc as EOutOfMemory with
// "Out of memory", any other std::exception as Exception with its what(), anything else (and
// a null pointer) as Exception with an empty message and no address.
FailureDescription describeFailure(std::exception_ptr failure);

// The report text: the format's %s, %s, %p, %s, %s filled with the class name, the module name,
// the offset as eight upper-case hex digits, the message and a full stop (none when the message
// is empty or already ends in one); "%%" gives "%". Cut to kReportTextLimit characters.
std::string failureReportText(const std::string& className, const std::string& moduleName, uint32_t offset,
                              const std::string& message, const std::string& format = kReportFormat);

// "Runtime error     at 00000000" with the error number in decimal ending at the 17th character
// and the address in upper-case hex ending at the 29th.
std::string fallbackReportText(uint32_t errorNumber, uint32_t address);

// While a run is under way, the fallback report goes where the run's other boxes go (shown, or
// only logged when no one can see it) and the process ends with the run's own exit code for it.
// Before a run and after it, the plain box and the error number stand.
class FallbackRoute {
public:
    FallbackRoute(Services& services, RunLog& log, uint32_t exitCode);
    ~FallbackRoute();
    FallbackRoute(const FallbackRoute&) = delete;
    FallbackRoute& operator=(const FallbackRoute&) = delete;

    // The route in force, or null.
    static FallbackRoute* active();
    // The fallback box through the run's services, and the exit code it ends with into the log.
    void report(const std::string& text);
    uint32_t exitCode() const { return exitCode_; }

private:
    Services& services_;
    RunLog& log_;
    uint32_t exitCode_;
    FallbackRoute* previous_;
};

// Windows only (failure_win32.cpp).
// Shows the report box through services (flags kTaskModalError) and returns.
void reportFailure(const FailureDescription& failure, Services& services);
// reportFailure, then haltProcess(1).
[[noreturn]] void reportAndHalt(const FailureDescription& failure, Services& services);
// Ends the process with the exit code; static destructors and atexit steps run as ExitProcess runs them.
[[noreturn]] void haltProcess(uint32_t exitCode);
// MessageBoxA(NULL, fallbackReportText(...), "Error", 0), then ExitProcess(errorNumber); while a
// FallbackRoute is in force, its report and exit code instead.
[[noreturn]] void showFallbackAndHalt(uint32_t errorNumber, const void* address);
// std::terminate ends with the fallback box and 217: failure_win32.cpp defines the C++ runtime's
// default terminate handler, so nothing needs installing.
