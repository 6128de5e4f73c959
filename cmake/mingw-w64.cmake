# Cross-compiles for 64-bit Windows with Debian's posix-threaded mingw-w64,
# and runs whatever the build executes (tests, benchmarks) under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CFU_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${CFU_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CFU_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${CFU_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CFU_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# A fresh Wine prefix has no mingw runtime DLLs: link the runtime in.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
