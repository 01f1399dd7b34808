# The Windows calls (app/platform/win/, the zip writer's Windows file access)
# are cross-built with MinGW-w64 as a tree of their own (tests/win/) and
# their test programs run under Wine, each with its own Wine prefix, label
# "win". Both tools are required: without them configuring fails, the tests
# are never skipped.
include(ExternalProject)

find_program(QUARZEL_MINGW_CXX x86_64-w64-mingw32-g++-posix)
if(NOT QUARZEL_MINGW_CXX)
  message(FATAL_ERROR "x86_64-w64-mingw32-g++-posix not found: install g++-mingw-w64-x86-64-posix and "
                      "mingw-w64-x86-64-dev (scripts/install-deps.sh)")
endif()
# Without Debian's wine wrapper the programs are in Wine's library folder.
find_program(QUARZEL_WINE NAMES wine wine64 PATHS /usr/lib/wine)
find_program(QUARZEL_WINESERVER NAMES wineserver wineserver64 PATHS /usr/lib/wine)
if(NOT QUARZEL_WINE OR NOT QUARZEL_WINESERVER)
  message(FATAL_ERROR "Wine not found: install wine64 (scripts/install-deps.sh)")
endif()

set(WINDOWS_TESTS_DIR ${CMAKE_BINARY_DIR}/windows)
set(WINDOWS_TESTS win_platform win_location win_sensors win_zipwriter)
set(WINDOWS_PROGRAMS)
foreach(name ${WINDOWS_TESTS})
  list(APPEND WINDOWS_PROGRAMS ${WINDOWS_TESTS_DIR}/${name}.exe)
endforeach()

# Only the build type and the compiler cache go across: flags of this build
# (sanitizers among them) mean nothing to the cross compiler.
ExternalProject_Add(quarzel_windows_calls
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/tests/win
  BINARY_DIR ${WINDOWS_TESTS_DIR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${WINDOWS_PROGRAMS}
  INSTALL_COMMAND "")

# Windows without a display driver opens no message box: Wine gets Xvfb.
set(WINE_RUN xvfb-run -a -s "-screen 0 1280x800x24" ${CMAKE_SOURCE_DIR}/tests/run-isolated.sh offscreen)
foreach(name ${WINDOWS_TESTS})
  if(name STREQUAL "win_zipwriter")
    set(runner ${CMAKE_SOURCE_DIR}/tests/win/zip-roundtrip.sh)
  else()
    set(runner ${CMAKE_SOURCE_DIR}/tests/win/run-wine.sh)
  endif()
  add_test(NAME ${name}
    COMMAND ${WINE_RUN} ${runner} ${QUARZEL_WINE} ${QUARZEL_WINESERVER} ${WINDOWS_TESTS_DIR}/${name}.exe)
  # A new Wine prefix is set up on the first start.
  set_tests_properties(${name} PROPERTIES LABELS win TIMEOUT 900)
endforeach()

# The Qt glue of the Windows answers compiles here as well, so that it keeps
# up with the layer while no Windows build with Qt exists; nothing links it.
add_library(quarzel_windows_glue OBJECT app/platform/PlatformWindows.cpp)
target_include_directories(quarzel_windows_glue PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(quarzel_windows_glue PRIVATE Qt5::Core)
target_compile_options(quarzel_windows_glue PRIVATE ${QUARZEL_WARNINGS})
