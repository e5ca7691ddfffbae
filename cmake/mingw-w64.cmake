# Cross-build for 64-bit Windows with Debian's mingw-w64 (posix thread model,
# for std::thread and std::mutex). Programs and tests run under Wine.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(krv4_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${krv4_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${krv4_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${krv4_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${krv4_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Self-contained programs: no run-time DLLs of the compiler to ship or find.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
find_program(KRV4_WINE NAMES wine wine64)
if(KRV4_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KRV4_WINE})
endif()
