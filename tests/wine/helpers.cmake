# Windows helpers of the Wine tests and the benchmarks, built by the cross build.

# Copies of the program that differ only in their version block, to stand
# for an older release, a foreign program of the same name, and a build
# without a version block.
qv_program(quorvane_older quorvane-older "1.2004,12,31" Quorvane)
qv_program(quorvane_newer quorvane-newer "1.2005,06,11" Quorvane)
qv_program(quorvane_foreign quorvane-foreign "9.9999,99,99" "Other Tool")
add_executable(quorvane_noversion WIN32 $<TARGET_OBJECTS:qv_app>)
target_link_libraries(quorvane_noversion PRIVATE qv_win32)
target_link_options(quorvane_noversion PRIVATE ${QV_LINK_FLAGS})
set_target_properties(quorvane_noversion PROPERTIES OUTPUT_NAME quorvane-noversion)

# The driver carries the program's picture as its own resource 600.
set(QV_DRIVER_RC ${CMAKE_BINARY_DIR}/qvdriver.rc)
file(WRITE ${QV_DRIVER_RC} "LANGUAGE 0x09, 0x01\n600 IMAGE \"${CMAKE_SOURCE_DIR}/resources/about.jpg\"\n")
set_source_files_properties(${QV_DRIVER_RC} PROPERTIES OBJECT_DEPENDS
  ${CMAKE_SOURCE_DIR}/resources/about.jpg)
add_executable(qvdriver tests/wine/qvdriver.cpp ui/about_dialog_win32.cpp
  ui/setup_dialog_win32.cpp ui/sub_dialogs_win32.cpp ${QV_DRIVER_RC})
target_link_libraries(qvdriver PRIVATE qv_win32 version advapi32 psapi)
target_link_options(qvdriver PRIVATE -static)

# Yardsticks of bench/budgets.py.
foreach(yardstick minimal minimal_keystate minimal_connect minimal_dialog minimal_idle)
  add_executable(${yardstick} WIN32 bench/${yardstick}.c)
  target_link_options(${yardstick} PRIVATE -static -s)
endforeach()
target_link_libraries(minimal_connect PRIVATE mpr)
target_link_libraries(minimal_dialog PRIVATE mpr)
# The same dialog with the program's manifest (Common Controls 6, DPI
# awareness), so that the budgets compare like with like.
file(WRITE ${CMAKE_BINARY_DIR}/minimal_manifest.rc "1 24 \"${CMAKE_SOURCE_DIR}/resources/quorvane.manifest\"\n")
add_executable(minimal_dialog_manifest WIN32 bench/minimal_dialog.c ${CMAKE_BINARY_DIR}/minimal_manifest.rc)
target_link_options(minimal_dialog_manifest PRIVATE -static -s)
target_link_libraries(minimal_dialog_manifest PRIVATE mpr)
# The setup dialog's own template and controls from a procedure that does
# nothing else: the floor the program's time to its dialog is measured against.
add_executable(setup_floor WIN32 bench/setup_floor.cpp ${CMAKE_BINARY_DIR}/minimal_manifest.rc)
target_link_libraries(setup_floor PRIVATE qv_win32)
target_link_options(setup_floor PRIVATE ${QV_LINK_FLAGS})

# The test world's file server (a network provider) and substitution tool.
add_library(qvnet SHARED tests/wine/qvnet.cpp)
target_include_directories(qvnet PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(qvnet PRIVATE -static -Wl,--kill-at)
set_target_properties(qvnet PROPERTIES PREFIX "" OUTPUT_NAME qvnet)
# A planted mpr.dll, for the test that the program never loads one from its folder.
add_library(planted_mpr SHARED tests/wine/planted_mpr.c tests/wine/planted_mpr.def)
target_link_options(planted_mpr PRIVATE -static -Wl,--kill-at -Wl,--enable-stdcall-fixup)
set_target_properties(planted_mpr PROPERTIES PREFIX "" OUTPUT_NAME planted_mpr)
add_executable(qvsubst tests/wine/subst.cpp)
target_include_directories(qvsubst PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(qvsubst PRIVATE -static)
set_target_properties(qvsubst PROPERTIES OUTPUT_NAME subst)
