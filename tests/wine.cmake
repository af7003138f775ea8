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

# A Wine test passes on the summary its program prints last and on nothing else, whatever its exit
# code says: a program that dies with the wineserver, or is stopped at its time-out, prints none.
# The time-outs are several times a normal run's (the unit tests take about 20 s, the end-to-end
# suite two to three minutes); a crashed wineserver has left a test hanging for good.
set(ISRELOC_WINE_SUMMARY_gtest "\\[  PASSED  \\] [0-9]+ tests?\\.")
set(ISRELOC_WINE_FAILURES_gtest "\\[  FAILED  \\]")
set(ISRELOC_WINE_TIMEOUT_gtest 180)
set(ISRELOC_WINE_SUMMARY_e2e "(^|\n)[0-9]+ passed, 0 failed, [0-9]+ known faults\r?(\n|$)")
set(ISRELOC_WINE_FAILURES_e2e "(^|\n)FAIL ")
# The end-to-end suite grew with its overlap cases (kills mid-copy, runs started together) to
# three to four minutes alone, and well over five on a machine busy with other builds.
set(ISRELOC_WINE_TIMEOUT_e2e 1200)
set(ISRELOC_WINE_SUMMARY_replay "(^|\n)[0-9]+ inputs replayed, 0 differences")
set(ISRELOC_WINE_FAILURES_replay "(^|\n)DIFFERENCE ")
set(ISRELOC_WINE_TIMEOUT_replay 600)
# Making a prefix takes about 20 s; stopping it, a moment.
set(ISRELOC_WINE_PREFIX_TIMEOUT 300)

# add_wine_prefix(FIXTURE DIR ARCH): a fixture that makes the prefix and stops its wineserver.
function(add_wine_prefix fixture directory arch)
  add_test(NAME ${fixture}_start COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh start ${directory} ${arch})
  add_test(NAME ${fixture}_stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh stop ${directory} ${arch})
  set_tests_properties(${fixture}_start PROPERTIES FIXTURES_SETUP ${fixture} RESOURCE_LOCK ${fixture}
                       TIMEOUT ${ISRELOC_WINE_PREFIX_TIMEOUT})
  set_tests_properties(${fixture}_stop PROPERTIES FIXTURES_CLEANUP ${fixture} RESOURCE_LOCK ${fixture}
                       TIMEOUT ${ISRELOC_WINE_PREFIX_TIMEOUT})
endfunction()

add_wine_prefix(wine_prefix ${ISRELOC_WINE_PREFIX} win64)

# wine_test_ends_with_summary(NAME KIND): the pass and failure patterns and time-out of a program
# of that kind: gtest (a GoogleTest binary) or e2e (the end-to-end driver).
function(wine_test_ends_with_summary name kind)
  if(NOT DEFINED ISRELOC_WINE_SUMMARY_${kind})
    message(FATAL_ERROR "unknown kind of Wine test: ${kind}")
  endif()
  set_tests_properties(${name} PROPERTIES
    PASS_REGULAR_EXPRESSION "${ISRELOC_WINE_SUMMARY_${kind}}"
    FAIL_REGULAR_EXPRESSION "${ISRELOC_WINE_FAILURES_${kind}}"
    TIMEOUT ${ISRELOC_WINE_TIMEOUT_${kind}})
endfunction()

# add_wine_test(NAME TARGET KIND [ARGS...]): runs a Windows program of this build in the 64-bit
# prefix; KIND as for wine_test_ends_with_summary.
function(add_wine_test name target kind)
  add_test(NAME ${name} COMMAND ${target} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine_prefix
    RESOURCE_LOCK wine_prefix
    ENVIRONMENT "${ISRELOC_WINE_ENVIRONMENT}")
  wine_test_ends_with_summary(${name} ${kind})
endfunction()

# add_wine32_prefix_test(NAME TARGET KIND [ARGS...]): the same in a 32-bit prefix (i686 builds only).
function(add_wine32_prefix_test name target kind)
  set(prefix ${CMAKE_BINARY_DIR}/wine-prefix-32)
  if(NOT TEST wine_prefix_32_start)
    add_wine_prefix(wine_prefix_32 ${prefix} win32)
  endif()
  add_test(NAME ${name} COMMAND ${target} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine_prefix_32
    RESOURCE_LOCK wine_prefix_32
    ENVIRONMENT "WINEPREFIX=${prefix};WINEDEBUG=-all;WINEARCH=win32;DISPLAY=")
  wine_test_ends_with_summary(${name} ${kind})
endfunction()
