#pragma once
// Included before everything else in the Windows test programs. GoogleTest's Notification is
// built on std::mutex and std::condition_variable, which the win32 thread model of GCC 12 (the
// model isreloc is built with, so that no threads library is linked into it) does not have.
// GoogleTest lets a build bring its own Notification; this one waits on an atomic flag. Only
// GoogleTest's thread helpers use it, and the tests run on one thread.
#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { notified_.store(true); }
    void WaitForNotification() {
        while (!notified_.load()) {
        }
    }

private:
    std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
