# What the Windows build needs beyond the toolchain file.

# Suites that drive POSIX processes, signals or user ids.
set(krv4_nur_posix_suites com e2e editor kalibrieren qt)

# GoogleTest: an installed one (a native Windows build), else Debian's
# sources built with the cross compiler. Without either, no test suites.
find_package(GTest QUIET)
if(NOT TARGET GTest::gtest AND EXISTS /usr/src/googletest/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()

# CLI11 is headers only; the system's copy is used through a folder that
# holds nothing but them, so that no Linux header reaches the cross compiler.
if(NOT CLI11_DIR AND EXISTS /usr/include/CLI/CLI.hpp)
  set(krv4_cli11 ${CMAKE_BINARY_DIR}/cli11)
  file(MAKE_DIRECTORY ${krv4_cli11}/include)
  file(CREATE_LINK /usr/include/CLI ${krv4_cli11}/include/CLI SYMBOLIC)
  file(WRITE ${krv4_cli11}/CLI11Config.cmake
       "if(NOT TARGET CLI11::CLI11)\n"
       "  add_library(CLI11::CLI11 INTERFACE IMPORTED)\n"
       "  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${krv4_cli11}/include)\n"
       "endif()\n")
  set(CLI11_DIR ${krv4_cli11} CACHE PATH "" FORCE)
endif()
# krv4 needs CLI11; a Windows build without it builds the program alone.
find_package(CLI11 QUIET)

# localtime_r and friends, as the C library of Linux has them.
add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS)
