#pragma once
// Owns one kernel handle and closes it on every path out. Null and INVALID_HANDLE_VALUE are both
// "no handle", since the system's calls use either to say they made none.
#include <windows.h>

#include <utility>

class KernelHandle {
public:
    KernelHandle() = default;
    explicit KernelHandle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    KernelHandle(KernelHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    KernelHandle& operator=(KernelHandle&& other) noexcept {
        if (this != &other) {
            close();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    ~KernelHandle() { close(); }

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    void close() {
        if (handle_ != nullptr) CloseHandle(handle_);
        handle_ = nullptr;
    }

    HANDLE handle_ = nullptr;
};
