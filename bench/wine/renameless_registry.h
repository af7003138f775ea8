#pragma once
// The registry as a system without RegRenameKey offers it: every rename refused the way such a
// system refuses it, every other call passed on and tallied. A key moved through it takes the
// copy path, exactly as it would there.
#include "profiling_registry.h"

class RenamelessRegistryApi : public ProfilingRegistryApi {
public:
    using ProfilingRegistryApi::ProfilingRegistryApi;

    int32_t regRenameKey(RegistryHandle, const char16_t*, const char16_t*) override { return kErrorCallNotImplemented; }
};
