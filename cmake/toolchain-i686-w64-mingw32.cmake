# The program as it ships: 32-bit, the same bitness as the installers it serves. It runs on 32-bit
# and 64-bit Windows alike.
set(ISRELOC_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# CTest starts every Windows test program through Wine's usual launcher, which runs 32-bit
# programs in the WOW64 part of a 64-bit prefix, as 64-bit Windows does.
find_program(WINE_PROGRAM wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
