#pragma once
// A window station of the driver's own making, as a service has one: no one can see it, so a box
// shown there is never answered. A program started on its desktop meets what isreloc meets when
// a deployment engine runs it as SYSTEM in session 0.
#include <string>

// "station\desktop" for STARTUPINFO.lpDesktop, made on first use and kept for the driver's life;
// empty when Windows (or Wine) would not make it.
std::string unseenDesktop();
// A desktop of its own on the driver's station, where no program has shown a window yet.
std::string desktopOfItsOwn();
