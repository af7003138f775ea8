#include "platform/failure/failure.h"

#include "platform/services/run_log.h"
#include "platform/services/services.h"

namespace {

// The fallback is reached from std::terminate, which carries nothing: the route in force has to
// be found without being handed in.
FallbackRoute* activeRoute = nullptr;

}  // namespace

FallbackRoute::FallbackRoute(Services& services, RunLog& log, uint32_t exitCode)
    : services_(services), log_(log), exitCode_(exitCode), previous_(activeRoute) {
    activeRoute = this;
}

FallbackRoute::~FallbackRoute() { activeRoute = previous_; }

FallbackRoute* FallbackRoute::active() { return activeRoute; }

void FallbackRoute::report(const std::string& text) {
    services_.showMessage(text, kFallbackCaption, kFallbackFlags);
    log_.write("exit code " + std::to_string(exitCode_));
}
