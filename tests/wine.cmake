# Windows test programs run under Wine in a throw-away prefix of this build's own, made before the
# first of them and whose wineserver is stopped after the last, so nothing outlives a test run.
set(ISRELOC_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(ISRELOC_WINE_ENVIRONMENT "WINEPREFIX=${ISRELOC_WINE_PREFIX};WINEDEBUG=-all;WINEARCH=win32;DISPLAY=")

add_test(NAME wine_prefix_start COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh start ${ISRELOC_WINE_PREFIX})
add_test(NAME wine_prefix_stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh stop ${ISRELOC_WINE_PREFIX})
set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine RESOURCE_LOCK wine_prefix)
set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine RESOURCE_LOCK wine_prefix)

# add_wine_test(NAME TARGET [ARGS...]): runs a Windows program of this build under Wine.
function(add_wine_test name target)
  add_test(NAME ${name} COMMAND ${target} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine
    RESOURCE_LOCK wine_prefix
    ENVIRONMENT "${ISRELOC_WINE_ENVIRONMENT}")
endfunction()
