#!/usr/bin/env bash
# The main job, for real: builds isreloc.exe, makes a scratch 64-bit Wine prefix holding a sample
# product installed the way a 32-bit InstallShield installer leaves it (its entry in the registry's
# 32-bit view, its maintenance directory under "Program Files (x86)"), runs install mode as an
# installer would and then the uninstall through Wine's own "uninstaller" the way Windows runs it
# from the list of programs, and shows the uninstall key and the maintenance directory before,
# between and after.
#
# It runs the i686 isreloc.exe (the build that ships) under WOW64 where this host can run 32-bit
# programs, and the x86_64 build otherwise (or with ISRELOC_WINE64_ONLY=1), and says which.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/wine-lib.sh

bash scripts/ensure-tools.sh
probe_wine32 build/wine32-probe
if [[ "$WINE32_STATUS" == yes ]]; then
  preset=mingw
  echo "running the i686 isreloc.exe, the build that ships, under WOW64 in a 64-bit prefix"
  launcher=wine
else
  preset=mingw64
  echo "running the x86_64 isreloc.exe: 32-bit Windows programs cannot run here (${WINE32_STATUS#no: })"
  launcher=$(wine64_loader)
  export WINELOADER=$launcher
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target isreloc probe run_answering >/dev/null
bin=build/$preset/bin

export WINEPREFIX=$PWD/build/demo/wine-prefix WINEARCH=win64 WINEDEBUG=-all DISPLAY=
trap 'bash scripts/wine-prefix.sh stop "$WINEPREFIX" >/dev/null' EXIT
bash scripts/wine-prefix.sh start "$WINEPREFIX" win64 >/dev/null

guid='{6C1E2F4A-8B3D-4E5F-9A0B-1C2D3E4F5A6B}'
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
program_files="$WINEPREFIX/drive_c/Program Files (x86)"
maintenance="$program_files/InstallShield Installation Information"
export ISRELOC_PROBE_LOG='C:\started.log'
started_log="$WINEPREFIX/drive_c/started.log"

# Every registry command works in the 32-bit view, where 32-bit installers write and isreloc looks.
reg32() { "$launcher" reg "$@" /reg:32; }

# The sample product: its maintenance directory with setup.exe (a small program that only notes
# how it was started) and its uninstall entry; isreloc lives beside the product's own files.
mkdir -p "$maintenance/$guid" "$program_files/Sample Product"
cp "$bin/probe.exe" "$maintenance/$guid/setup.exe"
cp "$bin/isreloc.exe" "$program_files/Sample Product/isreloc.exe"
product_command="\"C:\\Program Files (x86)\\InstallShield Installation Information\\$guid\\setup.exe\" -runfromtemp -l0x0409 -removeonly"
reg32 add "$uninstall_key\\$guid" /v DisplayName /d "Sample Product" /f >/dev/null
reg32 add "$uninstall_key\\$guid" /v DisplayVersion /d "1.0.0" /f >/dev/null
reg32 add "$uninstall_key\\$guid" /v UninstallString /d "$product_command" /f >/dev/null
reg32 add "$uninstall_key\\$guid" /v EstimatedSize /t REG_DWORD /d 1024 /f >/dev/null
reg32 add "$uninstall_key\\$guid\\Features\\Main" /v Selected /t REG_DWORD /d 1 /f >/dev/null

show() {
  echo
  echo "---- $1"
  echo "maintenance directories in C:\\Program Files (x86)\\InstallShield Installation Information:"
  ls -1 "$maintenance" | sed 's/^/    /'
  echo "the product's uninstall key (32-bit view), with its values and subkeys:"
  for key in "$guid" "${guid}_0"; do
    if reg32 query "$uninstall_key\\$key" >/dev/null 2>&1; then
      reg32 query "$uninstall_key\\$key" /s | tr -d '\r' | sed '/^$/d; s/^/    /'
    fi
  done
}

show "before: the product as its installer left it"

echo
echo "==> install mode, as the installer starts it when it has finished (window 0: it is already gone)"
isreloc_path="C:\\Program Files (x86)\\Sample Product\\isreloc.exe"
install_command="\"$isreloc_path\" -hwnd\"0\" -guid\"$guid\""
echo "    $install_command"
# Started with exactly that command line; any message box it shows is printed and closed.
"$launcher" "$bin/run_answering.exe" "$isreloc_path" "$install_command"
show "between: relocated to ${guid}_0, UninstallString now runs isreloc"

echo
echo "==> uninstall from the list of programs: Wine's uninstaller runs the entry's UninstallString"
echo "    uninstaller --remove ${guid}_0"
timeout 120 "$launcher" uninstaller --remove "${guid}_0"
# isreloc starts the product's own uninstaller and ends; give it a moment to note how it was started.
for _ in $(seq 1 50); do [[ -s "$started_log" ]] && break; sleep 0.2; done
show "after: restored, and the product's own uninstaller started"
echo
echo "started by isreloc: $(tr -d '\r' < "$started_log" 2>/dev/null || echo '(nothing)')"
