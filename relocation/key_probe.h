#pragma once
// Whether there is a key: the one probe every decision takes, with three answers. Only the
// registry's "not found" says a key is absent; a key that is there but cannot be opened (no
// rights, a failing registry) proves nothing, and a run never takes it for a free name or for a
// product that is not installed.
#include <string>

#include "platform/registry/owned_key.h"

enum class KeyProbe { absent, present, unreadable };

// The key at an absolute path below HKEY_LOCAL_MACHINE ("\SOFTWARE\..."), opened for reading
// (held by the caller when present) and what the probe found.
struct ReadableKey {
    KeyProbe probe;
    OwnedKey key;
};
ReadableKey openKeyForReading(RegistryApi& api, const std::string& absolutePath);

// The same answer without keeping the key open.
KeyProbe probeKey(RegistryApi& api, const std::string& absolutePath);

// The key opened with the rights to change it; empty when the run may not change it (or it is not
// there). The caller holds it.
OwnedKey openKeyForWriting(RegistryApi& api, const std::string& absolutePath);
