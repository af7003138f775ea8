#include <windows.h>
#include <sddl.h>

#include <memory>

#include "platform/services/kernel_handle_win32.h"
#include "platform/services/services_win32.h"

namespace {

// isreloc's own name in the global namespace, so that runs in every session (an engine's as
// SYSTEM in session 0, a person's at the desktop) share one lock. Never Windows Installer's
// execute mutex: the installer that starts isreloc may hold that one while it waits.
const wchar_t* const kMoveLockName = L"Global\\isreloc.ProductMove";
// Only SYSTEM and the administrators may open it, as only they can move a product (isreloc
// runs elevated): a program without those rights cannot hold it and stop every relocation.
const wchar_t* const kMoveLockSecurity = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

class HeldMutex final : public HeldMoveLock {
public:
    explicit HeldMutex(KernelHandle mutex) : mutex_(std::move(mutex)) {}
    ~HeldMutex() override { ReleaseMutex(mutex_.get()); }

private:
    KernelHandle mutex_;
};

KernelHandle openMoveLock() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kMoveLockSecurity, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return KernelHandle();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    KernelHandle mutex(CreateMutexW(&attributes, FALSE, kMoveLockName));
    LocalFree(descriptor);
    return mutex;
}

}  // namespace

MoveLockGrant Win32Services::takeMoveLock(uint32_t waitMilliseconds) {
    MoveLockGrant grant;
    KernelHandle mutex = openMoveLock();
    if (!mutex) return grant;
    // A run killed while it held the mutex leaves it abandoned: the next wait gets it, and is told.
    const DWORD waited = WaitForSingleObject(mutex.get(), waitMilliseconds);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return grant;
    grant.answer = waited == WAIT_ABANDONED ? MoveLockGrant::Answer::takenOver : MoveLockGrant::Answer::taken;
    grant.held = std::make_unique<HeldMutex>(std::move(mutex));
    return grant;
}
