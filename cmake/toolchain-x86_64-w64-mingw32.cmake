# The same program built for x86_64: for 64-bit Windows without its 32-bit subsystem (Server Core
# with WOW64 removed), and for build hosts whose kernel runs no 32-bit code. It works in the
# registry's 32-bit view all the same, so it sees the uninstall entries the 32-bit build sees.
set(ISRELOC_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# Wine's 64-bit loader, called directly: the usual launcher prefers the 32-bit loader, which
# cannot start at all on a host without 32-bit support.
find_program(WINE_PROGRAM wine64 PATHS /usr/lib/wine /usr/lib64/wine /usr/lib/x86_64-linux-gnu/wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
