#pragma once
// A stand-in for an installer's window: hidden, of a class of its own, owned by the thread that
// made it (only that thread may destroy it, so the driver's thread makes and destroys it).
#include <windows.h>

#include <string>

#include "unique_handle.h"

class StandInWindow {
public:
    // Makes the window; valid() says whether that worked.
    StandInWindow();
    bool valid() const { return window_.get() != nullptr; }
    bool alive() const { return valid() && IsWindow(window_.get()); }
    // The handle in decimal, as an installer passes it on a command line.
    std::string decimalHandle() const;
    void destroy() { window_.reset(); }

private:
    UniqueHandle<HWND, BOOL, DestroyWindow> window_;
};
