# The native build: the logic under AddressSanitizer and UBSan, its unit
# tests, the cross build as an external project, and the Wine tests.
include(CTest)

option(QV_SANITIZE "Build the logic and its tests with ASan and UBSan" ON)
if(QV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

add_library(qv_logic STATIC ${QV_LOGIC_SOURCES})
target_include_directories(qv_logic PUBLIC ${CMAKE_SOURCE_DIR} ${QV_GENERATED})
add_dependencies(qv_logic qv_events)
target_compile_options(qv_logic PRIVATE ${QV_PRODUCT_FLAGS} -Werror -g)

include(${CMAKE_SOURCE_DIR}/tests/unit/tests.cmake)

# Every benchmark runs once, in its shortest form, so that none rots unseen;
# it prints its figures and asserts none.
add_test(NAME bench.macros COMMAND ${CMAKE_SOURCE_DIR}/bench/macros.sh 20000 100)
set_tests_properties(bench.macros PROPERTIES LABELS "benchmarks, printed only" TIMEOUT 300)

option(QV_WINE_TESTS "Cross-build quorvane.exe and test it under Wine" ON)
if(QV_WINE_TESTS)
  include(${CMAKE_SOURCE_DIR}/tests/wine/tests.cmake)
endif()
