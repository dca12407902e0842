# The cross builds as part of the native one, and the tests that run the
# program of the width this machine can run under Wine, in a prefix of
# their own.
include(ExternalProject)

find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Both widths are always built: the tests read both executables' headers.
foreach(width i686 x86_64)
  if(width STREQUAL "i686")
    set(dir win32)
  else()
    set(dir win64)
  endif()
  find_program(QV_MINGW_CXX_${width} ${width}-w64-mingw32-g++-win32 REQUIRED)
  ExternalProject_Add(quorvane_${dir}
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/${dir}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-${width}.cmake
      -DCMAKE_BUILD_TYPE=MinSizeRel
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
  )
endforeach()

# Which program and which Wine: decided at every configure, so that
# QV_WINE64=1 takes effect on the next build.
set(QV_WORLD_PY ${CMAKE_SOURCE_DIR}/tests/wine/world.py)
execute_process(COMMAND ${Python3_EXECUTABLE} ${QV_WORLD_PY} pick
  RESULT_VARIABLE pick_failed OUTPUT_VARIABLE picked ERROR_VARIABLE why_not
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(pick_failed)
  # Not a configure error: the unit tests still run, and this test fails
  # with the reason, so nothing reads as a Wine run that passed.
  message(WARNING "${why_not}")
  add_test(NAME wine.unavailable COMMAND ${Python3_EXECUTABLE} ${QV_WORLD_PY} pick)
  return()
endif()
string(REPLACE "\n" ";" picked "${picked}")
list(GET picked 0 QV_WIDTH)
list(GET picked 1 QV_WINE_LABEL)
list(GET picked 2 why)
message(STATUS "Wine tests: ${QV_WINE_LABEL} (${why})")

set(QV_WORLD ${CMAKE_BINARY_DIR}/wine)
set(QV_WINE_ENV QV_WORLD=${QV_WORLD} QV_WIDTH=${QV_WIDTH}
    QV_BIN=${CMAKE_BINARY_DIR}/${QV_WIDTH} QV_BUILD=${CMAKE_BINARY_DIR}
    PYTHONDONTWRITEBYTECODE=1)

add_test(NAME wine.world.setup
  COMMAND ${Python3_EXECUTABLE} ${QV_WORLD_PY} setup ${QV_WORLD})
add_test(NAME wine.world.teardown
  COMMAND ${Python3_EXECUTABLE} ${QV_WORLD_PY} teardown ${QV_WORLD})
set_tests_properties(wine.world.setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 300
  RESOURCE_LOCK wine ENVIRONMENT "${QV_WINE_ENV}" LABELS "${QV_WINE_LABEL}")
set_tests_properties(wine.world.teardown PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60
  RESOURCE_LOCK wine LABELS "${QV_WINE_LABEL}")

add_test(NAME bench.budgets
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/bench/budgets.py --quick)
set_tests_properties(bench.budgets PROPERTIES ENVIRONMENT "${QV_WINE_ENV}"
  FIXTURES_REQUIRED wine RESOURCE_LOCK wine LABELS "benchmarks, printed only" TIMEOUT 600)

# The release, made once as scripts/release.sh makes it (a work tree with
# changes is taken, and its archive says so), for wine.release to check; from
# a clean tree (as in CI) it is made a second time in a clone, otherwise set
# up, and the two archives must be the same bytes.
add_test(NAME release.build COMMAND ${CMAKE_SOURCE_DIR}/scripts/release.sh --dirty --check)
set_tests_properties(release.build PROPERTIES FIXTURES_SETUP release TIMEOUT 900
  RESOURCE_LOCK wine LABELS "release")

foreach(name startup mapping setup subdialogs about bad_input soak release package)
  add_test(NAME wine.${name}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wine/test_${name}.py)
  set_tests_properties(wine.${name} PROPERTIES
    ENVIRONMENT "${QV_WINE_ENV}"
    FIXTURES_REQUIRED wine
    RESOURCE_LOCK wine
    LABELS "${QV_WINE_LABEL}"
    TIMEOUT 900)
endforeach()
set_tests_properties(wine.release wine.package PROPERTIES FIXTURES_REQUIRED "wine;release")
