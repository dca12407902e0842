# The cross build: quorvane.exe and the Windows helpers of the Wine tests.
enable_language(RC)

# Stack canaries in every function with a local array (the fixed texts),
# from the static libssp: about 3 KiB a program.
set(QV_SIZE_FLAGS -Os -ffunction-sections -fdata-sections
    -fno-asynchronous-unwind-tables -fno-unwind-tables -fstack-protector-strong)
# Terminal-Server-aware: on a Remote Desktop host the Windows directory is
# the real one, not each user's private copy. No link time in the header:
# the same sources give the same bytes, the release's and the tests' alike.
set(QV_LINK_FLAGS -static -s -Wl,--gc-sections -Wl,--nxcompat
    -Wl,--dynamicbase -Wl,--tsaware -Wl,--no-insert-timestamp)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The i686 code registers no exception handler (no fs:0 chain): saying so
  # lets Windows refuse any handler an attacker plants.
  list(APPEND QV_LINK_FLAGS -Wl,--no-seh)
else()
  list(APPEND QV_LINK_FLAGS -Wl,--high-entropy-va)
endif()
# Only KnownDLLs are imported; mpr, shell32, ole32, oleaut32, version,
# comdlg32, iphlpapi and wtsapi32 are loaded by their full path on first use,
# comctl32 through the manifest (platform/win32/system_library.h).
set(QV_SYSTEM_LIBS user32 gdi32 advapi32 kernel32)

add_library(qv_logic STATIC ${QV_LOGIC_SOURCES})
target_include_directories(qv_logic PUBLIC ${CMAKE_SOURCE_DIR} ${QV_GENERATED})
add_dependencies(qv_logic qv_events)
target_compile_options(qv_logic PRIVATE ${QV_PRODUCT_FLAGS} ${QV_SIZE_FLAGS})

add_library(qv_win32 STATIC platform/win32/win32_platform.cpp platform/win32/system_library.cpp
  platform/win32/network_watch.cpp
  ui/dialog_runner_win32.cpp mapping/credentials_win32.cpp picture/picture_win32.cpp)
target_link_libraries(qv_win32 PUBLIC qv_logic ${QV_SYSTEM_LIBS})
target_link_options(qv_win32 INTERFACE -fstack-protector-strong)
target_compile_options(qv_win32 PRIVATE ${QV_PRODUCT_FLAGS} ${QV_SIZE_FLAGS})

add_library(qv_app OBJECT startup/winmain.cpp ui/setup_dialog_win32.cpp
  ui/sub_dialogs_win32.cpp ui/about_dialog_win32.cpp)
target_link_libraries(qv_app PUBLIC qv_win32)
target_compile_options(qv_app PRIVATE ${QV_PRODUCT_FLAGS} ${QV_SIZE_FLAGS})

# One executable per version block: the product, and for the tests copies
# that differ only in "FileVersion" / "InternalName" (or have no block).
function(qv_program target output file_version internal_name)
  set(QV_RESOURCE_DIR ${CMAKE_SOURCE_DIR}/resources)
  set(QV_FILE_VERSION ${file_version})
  set(QV_INTERNAL_NAME ${internal_name})
  set(rc ${CMAKE_BINARY_DIR}/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/resources/quorvane.rc.in ${rc} @ONLY)
  # The resource compiler's inputs are not scanned: a new picture or icon
  # must still rebuild the program.
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/resources/about.jpg;${CMAKE_SOURCE_DIR}/resources/quorvane.ico;${CMAKE_SOURCE_DIR}/resources/quorvane.manifest;${QV_GENERATED}/MSG00409.bin")
  add_executable(${target} WIN32 $<TARGET_OBJECTS:qv_app> ${rc})
  add_dependencies(${target} qv_events)
  target_link_libraries(${target} PRIVATE qv_win32)
  target_link_options(${target} PRIVATE ${QV_LINK_FLAGS})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output})
endfunction()

qv_program(quorvane quorvane "1.2005,06,10" Quorvane)

option(QV_TEST_HELPERS "Build the Windows helpers of the Wine tests" ON)
if(QV_TEST_HELPERS)
  include(${CMAKE_SOURCE_DIR}/tests/wine/helpers.cmake)
endif()
