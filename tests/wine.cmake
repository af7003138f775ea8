# Windows test programs run under Wine in throw-away prefixes of this build's own, made before the
# first of them and whose wineserver is stopped after the last, so nothing outlives a test run.
#
# The main prefix is a 64-bit one, as nearly every Windows machine is: the x86_64 build runs there
# natively and the i686 build under WOW64, where its registry view and "Program Files (x86)" are
# what 32-bit programs meet on 64-bit Windows. The i686 build's end-to-end suite also runs once in
# a 32-bit prefix, as on 32-bit Windows.
set(ISRELOC_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(ISRELOC_WINE_ENVIRONMENT "WINEPREFIX=${ISRELOC_WINE_PREFIX};WINEDEBUG=-all;WINEARCH=win64;DISPLAY=")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  # Every program Wine starts from here goes through the 64-bit loader too.
  list(APPEND ISRELOC_WINE_ENVIRONMENT "WINELOADER=${WINE_PROGRAM}")
endif()

# add_wine_prefix(FIXTURE DIR ARCH): a fixture that makes the prefix and stops its wineserver.
function(add_wine_prefix fixture directory arch)
  add_test(NAME ${fixture}_start COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh start ${directory} ${arch})
  add_test(NAME ${fixture}_stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh stop ${directory} ${arch})
  set_tests_properties(${fixture}_start PROPERTIES FIXTURES_SETUP ${fixture} RESOURCE_LOCK ${fixture})
  set_tests_properties(${fixture}_stop PROPERTIES FIXTURES_CLEANUP ${fixture} RESOURCE_LOCK ${fixture})
endfunction()

add_wine_prefix(wine_prefix ${ISRELOC_WINE_PREFIX} win64)

# add_wine_test(NAME TARGET [ARGS...]): runs a Windows program of this build in the 64-bit prefix.
function(add_wine_test name target)
  add_test(NAME ${name} COMMAND ${target} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine_prefix
    RESOURCE_LOCK wine_prefix
    ENVIRONMENT "${ISRELOC_WINE_ENVIRONMENT}")
endfunction()

# add_wine32_prefix_test(NAME TARGET [ARGS...]): the same in a 32-bit prefix (i686 builds only).
function(add_wine32_prefix_test name target)
  set(prefix ${CMAKE_BINARY_DIR}/wine-prefix-32)
  if(NOT TEST wine_prefix_32_start)
    add_wine_prefix(wine_prefix_32 ${prefix} win32)
  endif()
  add_test(NAME ${name} COMMAND ${target} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine_prefix_32
    RESOURCE_LOCK wine_prefix_32
    ENVIRONMENT "WINEPREFIX=${prefix};WINEDEBUG=-all;WINEARCH=win32;DISPLAY=")
endfunction()
