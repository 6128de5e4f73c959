# Cross-compiles for 64-bit Windows with Debian's posix-threaded mingw-w64,
# and runs whatever the build executes (tests, benchmarks) under Wine.
# The CFUtils package installs this file beside its CMake config, for programs
# that use the library:
#   cmake -DCMAKE_TOOLCHAIN_FILE=<prefix>/lib/cmake/CFUtils/mingw-w64.cmake ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CFU_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${CFU_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CFU_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${CFU_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CFU_TRIPLE})
# Installed, the file makes its own install prefix a search root and prefix,
# so that find_package(CFUtils) needs nothing more, also where packages are
# searched only under the roots.
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/CFUtilsConfig.cmake)
  get_filename_component(CFU_PACKAGE_PREFIX ${CMAKE_CURRENT_LIST_DIR}/../../.. ABSOLUTE)
  list(APPEND CMAKE_FIND_ROOT_PATH ${CFU_PACKAGE_PREFIX})
  if(NOT CFU_PACKAGE_PREFIX IN_LIST CMAKE_PREFIX_PATH)
    list(APPEND CMAKE_PREFIX_PATH ${CFU_PACKAGE_PREFIX})
  endif()
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
