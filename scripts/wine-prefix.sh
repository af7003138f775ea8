#!/usr/bin/env bash
# Makes or stops a throw-away, headless 32-bit Wine prefix.
#   wine-prefix.sh start DIR   a fresh prefix in DIR whose message boxes are real but invisible
#                              windows (the null graphics driver), its wineserver stopped again
#   wine-prefix.sh stop DIR    stops DIR's wineserver and everything still running in it
set -euo pipefail
action=${1:?usage: wine-prefix.sh start|stop DIR}
export WINEPREFIX=${2:?usage: wine-prefix.sh start|stop DIR}
export WINEARCH=win32 WINEDEBUG=-all DISPLAY=

case "$action" in
  start)
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    # The driver is chosen when the wineserver starts: restart it so the setting takes effect.
    wineserver -k
    wineserver -w
    echo "wine prefix ready: $WINEPREFIX"
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    echo "wine prefix stopped: $WINEPREFIX"
    ;;
  *)
    echo "usage: wine-prefix.sh start|stop DIR" >&2
    exit 2
    ;;
esac
