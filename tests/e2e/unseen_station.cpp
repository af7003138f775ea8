#include "unseen_station.h"

#include <windows.h>

namespace {

const char* const kStationName = "isreloc-e2e-unseen";
const char* const kDesktopName = "Default";

std::string makeUnseenDesktop() {
    // Created without WSF_VISIBLE, which only the interactive station has. A desktop is made in
    // the station that is the process's own at the time, so the driver steps into it briefly.
    const HWINSTA own = GetProcessWindowStation();
    const HWINSTA station = CreateWindowStationA(kStationName, 0, WINSTA_ALL_ACCESS, nullptr);
    if (station == nullptr || !SetProcessWindowStation(station)) return "";
    const HDESK desktop = CreateDesktopA(kDesktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(own);
    if (desktop == nullptr) return "";
    // Both handles stay open for the driver's life: the station lives as long as a handle does.
    return std::string(kStationName) + "\\" + kDesktopName;
}

}  // namespace

std::string unseenDesktop() {
    static const std::string desktop = makeUnseenDesktop();
    return desktop;
}

std::string desktopOfItsOwn() {
    static char station[256] = "";
    static DWORD needed = 0;
    static const bool made = CreateDesktopA("isreloc-e2e-own", nullptr, nullptr, 0, GENERIC_ALL, nullptr) &&
                             GetUserObjectInformationA(GetProcessWindowStation(), UOI_NAME, station, sizeof station, &needed);
    return made ? std::string(station) + "\\isreloc-e2e-own" : "";
}
