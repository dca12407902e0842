# The cross build as part of the native one, and the tests that run its
# programs under Wine in a prefix of their own.
include(ExternalProject)

find_program(QV_MINGW_CXX i686-w64-mingw32-g++-win32 REQUIRED)
find_program(QV_WINE wine REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(QV_WIN32_DIR ${CMAKE_BINARY_DIR}/win32)
ExternalProject_Add(quorvane_win32
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${QV_WIN32_DIR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake
    -DCMAKE_BUILD_TYPE=MinSizeRel
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
)

set(QV_WORLD ${CMAKE_BINARY_DIR}/wine)
set(QV_WINE_ENV QV_WORLD=${QV_WORLD} QV_BIN=${QV_WIN32_DIR} PYTHONDONTWRITEBYTECODE=1)

add_test(NAME wine.world.setup
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wine/world.py setup ${QV_WORLD})
add_test(NAME wine.world.teardown
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wine/world.py teardown ${QV_WORLD})
set_tests_properties(wine.world.setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 300
  RESOURCE_LOCK wine ENVIRONMENT "${QV_WINE_ENV}")
set_tests_properties(wine.world.teardown PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60
  RESOURCE_LOCK wine)

foreach(name startup settings dialogs mapping setup subdialogs about bad_input soak)
  add_test(NAME wine.${name}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wine/test_${name}.py)
  set_tests_properties(wine.${name} PROPERTIES
    ENVIRONMENT "${QV_WINE_ENV}"
    FIXTURES_REQUIRED wine
    RESOURCE_LOCK wine
    TIMEOUT 900)
endforeach()
