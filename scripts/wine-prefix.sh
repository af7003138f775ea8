#!/usr/bin/env bash
# Makes or stops a throw-away, headless Wine prefix.
#   wine-prefix.sh start DIR [win64|win32]   a fresh prefix in DIR (64-bit by default) whose
#                                            message boxes are real but invisible windows (the null
#                                            graphics driver), its wineserver stopped again
#   wine-prefix.sh stop DIR                  stops DIR's wineserver and everything still running in it
# A 64-bit prefix is made through Wine's 64-bit loader, so that it can be made on a host that
# runs no 32-bit code; it then gets what 64-bit Windows has in its 32-bit registry view even when
# Wine could not set that up itself: ProgramFilesDir = "C:\Program Files (x86)", and the folder.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-lib.sh"
action=${1:?usage: wine-prefix.sh start|stop DIR [win64|win32]}
export WINEPREFIX=${2:?usage: wine-prefix.sh start|stop DIR [win64|win32]}
arch=${3:-win64}
export WINEARCH=$arch WINEDEBUG=-all DISPLAY=

case "$arch" in
  win64) loader=$(wine64_loader) || { echo "Wine's 64-bit loader is missing" >&2; exit 1; }
         export WINELOADER=$loader ;;
  win32) loader=wine ;;
  *) echo "unknown prefix kind: $arch" >&2; exit 2 ;;
esac

case "$action" in
  start)
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    "$loader" wineboot -i >/dev/null 2>&1
    "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    if [[ "$arch" == win64 ]]; then
      current_version='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion'
      if ! "$loader" reg query "$current_version" /v ProgramFilesDir /reg:32 >/dev/null 2>&1; then
        "$loader" reg add "$current_version" /v ProgramFilesDir /d 'C:\Program Files (x86)' /reg:32 /f >/dev/null
        echo "seeded ProgramFilesDir in the 32-bit view"
      fi
      mkdir -p "$WINEPREFIX/drive_c/Program Files (x86)"
    fi
    # The driver is chosen when the wineserver starts: restart it so the setting takes effect.
    wineserver -k
    wineserver -w
    echo "wine prefix ready ($arch): $WINEPREFIX"
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    echo "wine prefix stopped: $WINEPREFIX"
    ;;
  *)
    echo "usage: wine-prefix.sh start|stop DIR [win64|win32]" >&2
    exit 2
    ;;
esac
