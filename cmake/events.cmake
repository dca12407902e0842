# The events' message table: windmc writes the header the logic takes the
# event IDs from (so no ID is reported without its message), and the table
# the program carries. The same bytes from either width's windmc.
find_program(QV_WINDMC NAMES x86_64-w64-mingw32-windmc i686-w64-mingw32-windmc REQUIRED)
set(QV_GENERATED ${CMAKE_BINARY_DIR}/generated)
set(QV_EVENTS_MC ${CMAKE_SOURCE_DIR}/resources/quorvane_events.mc)
add_custom_command(
  OUTPUT ${QV_GENERATED}/quorvane_events.h ${QV_GENERATED}/MSG00409.bin
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QV_GENERATED}
  COMMAND ${QV_WINDMC} -c -h ${QV_GENERATED} -r ${QV_GENERATED} ${QV_EVENTS_MC}
  DEPENDS ${QV_EVENTS_MC}
  COMMENT "Compiling the events' message table")
add_custom_target(qv_events DEPENDS ${QV_GENERATED}/quorvane_events.h ${QV_GENERATED}/MSG00409.bin)
