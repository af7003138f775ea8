# What both Windows toolchain files share; each sets ISRELOC_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR, then includes this file.
set(CMAKE_SYSTEM_NAME Windows)

# The win32 thread model: isreloc runs on one thread, and the posix model would link
# winpthreads into the program for nothing.
set(CMAKE_C_COMPILER ${ISRELOC_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${ISRELOC_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${ISRELOC_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ISRELOC_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
