# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers. The -posix
# variants bring winpthreads, so std::thread and std::mutex work.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
find_program(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
find_program(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)
if(NOT CMAKE_C_COMPILER OR NOT CMAKE_CXX_COMPILER)
  message(FATAL_ERROR "The MinGW-w64 cross compilers (${MINGW_TRIPLET}-g++-posix) are missing: "
                      "install g++-mingw-w64-x86-64-posix and mingw-w64-x86-64-dev")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static programs need none of the compiler's DLLs beside them under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
