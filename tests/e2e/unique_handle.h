#pragma once
// Owns one system handle and closes it on every path out, the paths a failed check takes included.
// Null is "no handle": callers turn INVALID_HANDLE_VALUE into null before handing it over.
#include <windows.h>

#include <utility>

template <typename Handle, typename CloseResult, CloseResult(WINAPI* Close)(Handle)>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Handle())) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(std::exchange(other.handle_, Handle()));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    // For calls that hand a new handle out through a pointer.
    Handle* receive() {
        reset();
        return &handle_;
    }
    void reset(Handle handle = Handle()) {
        if (handle_ != Handle()) Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Handle();
};

using UniqueKernelHandle = UniqueHandle<HANDLE, BOOL, CloseHandle>;
using UniqueRegistryKey = UniqueHandle<HKEY, LONG, RegCloseKey>;
