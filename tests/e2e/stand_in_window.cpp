#include "stand_in_window.h"

namespace {

const char* const kClassName = "IsrelocE2eInstallerWindow";

bool classRegistered() {
    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassA(&windowClass) != 0;
    }();
    return registered;
}

}  // namespace

StandInWindow::StandInWindow() {
    if (!classRegistered()) return;
    // Not WS_VISIBLE: the tool only asks whether the handle still names a window.
    window_.reset(CreateWindowExA(0, kClassName, "isreloc e2e installer", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
}

std::string StandInWindow::decimalHandle() const {
    return std::to_string(reinterpret_cast<uintptr_t>(window_.get()));
}
