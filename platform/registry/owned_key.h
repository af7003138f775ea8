#pragma once
// Owns one registry key handle and closes it through the seam on every path out of the scope
// that opened it, including the paths an exception takes.
#include <utility>

#include "platform/registry/registry_api.h"

class OwnedKey {
public:
    OwnedKey(RegistryApi& api, RegistryHandle handle) : api_(&api), handle_(handle) {}
    ~OwnedKey() { reset(); }
    OwnedKey(OwnedKey&& other) noexcept : api_(other.api_), handle_(std::exchange(other.handle_, kNoKey)) {}
    OwnedKey& operator=(OwnedKey&& other) noexcept {
        if (this != &other) {
            reset();
            api_ = other.api_;
            handle_ = std::exchange(other.handle_, kNoKey);
        }
        return *this;
    }
    OwnedKey(const OwnedKey&) = delete;
    OwnedKey& operator=(const OwnedKey&) = delete;

    RegistryHandle get() const { return handle_; }
    explicit operator bool() const { return handle_ != kNoKey; }

    // Closes the handle now; a close that fails leaves nothing the caller could do.
    void reset() {
        if (handle_ != kNoKey) api_->regCloseKey(std::exchange(handle_, kNoKey));
    }

private:
    RegistryApi* api_;
    RegistryHandle handle_;
};
