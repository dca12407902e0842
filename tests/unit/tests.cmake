# Native unit tests of the logic against the recording fake platform.
find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(unit_tests
  tests/fake/fake_platform.cpp
  tests/unit/startup_test.cpp
  tests/unit/settings_test.cpp
  tests/unit/mapping_test.cpp
  tests/unit/ui_test.cpp
)
target_link_libraries(unit_tests PRIVATE qv_logic GTest::gtest_main)
target_compile_options(unit_tests PRIVATE -Wall -Wextra -g)
gtest_discover_tests(unit_tests TEST_PREFIX "unit." DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS "native logic under ASan and UBSan")
# The shipped texts are read from the source tree's example settings file.
target_compile_definitions(unit_tests PRIVATE QV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
