// Ends the way isreloc ends on a failure nobody handled, chosen by the last word of its command
// line, so the driver sees the real boxes and exit codes of the failure room:
//   report          an Exception subclass reaches the top: report box, exit 1
//   out-of-memory   std::bad_alloc reaches the top: report box naming no address, exit 1
//   static-init     raised while static initialisers run: fallback box, exit 217
//   escape          raised out of main: fallback box, exit 217
//   silent-escape   the same during a -silent run that logs to ISRELOC_FAILURE_LOG: no box, the
//                   fallback text in the log, exit 1603
//   string-table    shows the two report texts as the string table holds them, exit 0
#include <windows.h>

#include <new>
#include <string>

#include "platform/failure/failure.h"
#include "platform/services/services_win32.h"
#include "platform/services/unattended_services.h"
#include "platform/text/exception.h"

namespace {

class EProbeFailure : public Exception {
public:
    explicit EProbeFailure(std::string message);
    const char* className() const override { return "EProbeFailure"; }
};

__attribute__((noinline)) EProbeFailure::EProbeFailure(std::string message)
    : Exception(std::move(message), ISRELOC_CALLER_ADDRESS()) {}

std::string requestedMode() {
    const std::string commandLine = GetCommandLineA();
    return commandLine.substr(commandLine.rfind(' ') + 1);
}

std::string failureLogPath() {
    char path[MAX_PATH + 1] = "";
    const DWORD length = GetEnvironmentVariableA("ISRELOC_FAILURE_LOG", path, sizeof path);
    return length > 0 && length < sizeof path ? path : "";
}

std::string loadString(UINT resource) {
    char buffer[1024];
    const int length = LoadStringA(GetModuleHandleA(nullptr), resource, buffer, sizeof buffer);
    return std::string(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
}

bool raiseWhenAsked() {
    if (requestedMode() == "static-init") throw EProbeFailure("Raised while starting");
    return false;
}

const bool kRaisedWhileStarting = raiseWhenAsked();

}  // namespace

int main() {
    const std::string mode = requestedMode();
    if (mode == "string-table") {
        const std::string texts = loadString(kReportFormatResource) + "|" + loadString(kReportCaptionResource);
        MessageBoxA(nullptr, texts.c_str(), "String table", MB_OK);
        return 0;
    }
    if (mode == "escape") throw EProbeFailure("Raised out of main");
    if (mode == "silent-escape") {
        Win32Services system;
        const std::string path = failureLogPath();
        RunLog log(system, std::u16string(path.begin(), path.end()));
        UnattendedServices services(system, log, {true, false, u""});
        const FallbackRoute route(services, log, 1603);
        throw EProbeFailure("Raised out of main during a silent run");
    }
    try {
        if (mode == "report") throw EProbeFailure("Raised on purpose by the failure probe");
        if (mode == "out-of-memory") throw std::bad_alloc();
    } catch (...) {
        Win32Services services;
        reportAndHalt(describeFailure(std::current_exception()), services);
    }
    return kRaisedWhileStarting ? 4 : 3;  // an unknown mode
}
