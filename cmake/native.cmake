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
target_include_directories(qv_logic PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(qv_logic PRIVATE ${QV_PRODUCT_FLAGS} -Werror -g)

include(${CMAKE_SOURCE_DIR}/tests/unit/tests.cmake)

option(QV_WINE_TESTS "Cross-build quorvane.exe and test it under Wine" ON)
if(QV_WINE_TESTS)
  include(${CMAKE_SOURCE_DIR}/tests/wine/tests.cmake)
endif()
