# What the Windows build needs beyond the toolchain file.

# The suites that are not built for Windows, each for what it needs of POSIX.
# A case that needs POSIX in a suite that runs on Windows skips itself there.
set(krv4_nur_posix_suites
  com         # file modes, read-only directories and user ids around the settings file
  e2e         # krv4sim and the program as processes on a pseudo-terminal
  editor      # signals and resource limits around the safe save
  kalibrieren # signals, resource limits and file modes around the calibration file
  sim         # the simulator's pseudo-terminal
)

# The Qt front end: Debian's rcc compresses with zstd by default, which a Qt
# built without it cannot read (no harm where Qt has it).
set(CMAKE_AUTORCC_OPTIONS --no-zstd)
# MSYS2 and other kits: KRV4_QT_WIN64 names the static Qt to build against.
if(KRV4_QT_WIN64 AND NOT CMAKE_CROSSCOMPILING)
  list(PREPEND CMAKE_PREFIX_PATH ${KRV4_QT_WIN64})
endif()
if(MINGW AND NOT CMAKE_CROSSCOMPILING)
  add_link_options(-static)
endif()

# A static Qt links only the default platform plugin (windows): the offscreen
# one is added, for the suites under Wine and for runs without a desktop.
function(krv4_qt_plugins target)
  if(TARGET Qt6::QOffscreenIntegrationPlugin AND COMMAND qt_import_plugins)
    qt_import_plugins(${target} INCLUDE Qt6::QOffscreenIntegrationPlugin)
  endif()
endfunction()

# Qt's German texts for its own dialogs, built into a program: no
# translations are installed beside a self-contained program.
function(krv4_qt_deutsch target)
  find_file(KRV4_QTBASE_DE qtbase_de.qm
            PATHS ${KRV4_QT_WIN64}/translations ${KRV4_QT_WIN64}/share/qt6/translations
                  ${KRV4_QT_WIN64}/../share/qt6/translations
                  ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS} /usr/share/qt6/translations
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT KRV4_QTBASE_DE)
    message(WARNING "qtbase_de.qm not found (Debian: qt6-translations-l10n): Qt's dialogs stay English")
    return()
  endif()
  set(qrc ${CMAKE_BINARY_DIR}/qt_de.qrc)
  file(WRITE ${qrc} "<RCC><qresource prefix=\"/i18n\"><file alias=\"qtbase_de.qm\">${KRV4_QTBASE_DE}</file></qresource></RCC>\n")
  set_target_properties(${target} PROPERTIES AUTORCC ON)
  target_sources(${target} PRIVATE ${qrc})
endfunction()

# The operator's program on Windows: a GUI program (no console window) with
# its icon, the offscreen platform beside the windows one, and German.
function(krv4_windows_programm target)
  set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/contrib/windows/krv4steuerung.rc)
  krv4_qt_plugins(${target})
  krv4_qt_deutsch(${target})
endfunction()

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
