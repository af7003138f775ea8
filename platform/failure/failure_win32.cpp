#include "platform/failure/failure.h"

#include <windows.h>

#include "platform/services/services.h"
#include "platform/text/exception.h"

namespace {

struct ModulePlace {
    std::string name;
    uint32_t offset;
};

// The full path, however long: paths beyond MAX_PATH exist and a cut name would mislead.
std::string moduleFilePath(HMODULE module) {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return "";
        if (length < path.size() || path.size() >= 65536) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string fileNamePart(const std::string& path) {
    const std::size_t lastBackslash = path.rfind('\\');
    return lastBackslash == std::string::npos ? path : path.substr(lastBackslash + 1);
}

// How far an address lies past a base, as the report's eight hexadecimal digits show it: any
// place inside a module fits, in a 64-bit process too.
uint32_t offsetFrom(const void* address, uintptr_t base) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(address) - base);
}

// The loaded image that holds the address; an address in no image is shown against the
// program's own file, counted from where its code section usually starts.
ModulePlace locateAddress(const void* address) {
    if (address != nullptr) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(address, &region, sizeof region) == sizeof region && region.Type == MEM_IMAGE &&
            region.AllocationBase != nullptr) {
            const std::string path = moduleFilePath(static_cast<HMODULE>(region.AllocationBase));
            if (!path.empty())
                return {fileNamePart(path), offsetFrom(address, reinterpret_cast<uintptr_t>(region.AllocationBase))};
        }
    }
    return {fileNamePart(moduleFilePath(nullptr)), address != nullptr ? offsetFrom(address, 0x1000) : 0};
}

// The fallback box shows the failure's absolute address in eight hexadecimal digits. A 64-bit
// address does not fit them, so a 64-bit build shows its place in its module instead.
uint32_t fallbackAddress(const void* address) {
    if (sizeof address > sizeof(uint32_t)) return locateAddress(address).offset;
    return offsetFrom(address, 0);
}

// A program built without the string table (the test programs) still reports in full.
std::string loadReportText(UINT resource, const char* builtIn) {
    char buffer[1024];
    const int length = LoadStringA(GetModuleHandleA(nullptr), resource, buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string(builtIn);
}

// Without allocating: std::terminate may be the answer to an exhausted heap.
const void* raiseAddressOf(std::exception_ptr failure) noexcept {
    if (!failure) return nullptr;
    try {
        std::rethrow_exception(failure);
    } catch (const Exception& raised) {
        return raised.raiseAddress();
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

// std::terminate's default handler. The C++ runtime's own one prints a demangled report to a
// console this program does not have, and linking it brings in the demangler and the printf
// family; defining it here keeps that out of the program and makes the plain box the answer to
// std::terminate from the first instruction on, static initialisers included.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    showFallbackAndHalt(kRaisedFailureErrorNumber, raiseAddressOf(std::current_exception()));
}
}  // namespace __gnu_cxx

void reportFailure(const FailureDescription& failure, Services& services) {
    const ModulePlace place = locateAddress(failure.raiseAddress);
    const std::string text = failureReportText(failure.className, place.name, place.offset, failure.message,
                                               loadReportText(kReportFormatResource, kReportFormat));
    services.showMessage(text, loadReportText(kReportCaptionResource, kReportCaption), kTaskModalError);
}

void reportAndHalt(const FailureDescription& failure, Services& services) {
    reportFailure(failure, services);
    haltProcess(1);
}

void haltProcess(uint32_t exitCode) { ExitProcess(exitCode); }

void showFallbackAndHalt(uint32_t errorNumber, const void* address) {
    // The template itself stands in when even these few bytes cannot be allocated.
    char text[32] = "Runtime error     at 00000000";
    try {
        const std::string filled = fallbackReportText(errorNumber, fallbackAddress(address));
        lstrcpynA(text, filled.c_str(), sizeof text);
    } catch (...) {
    }
    // A failure while the route itself reports ends with the plain box.
    static bool routing = false;
    if (FallbackRoute* route = FallbackRoute::active(); route != nullptr && !routing) {
        routing = true;
        try {
            route->report(text);
        } catch (...) {
        }
        ExitProcess(route->exitCode());
    }
    MessageBoxA(nullptr, text, kFallbackCaption, kFallbackFlags);
    ExitProcess(errorNumber);
}
