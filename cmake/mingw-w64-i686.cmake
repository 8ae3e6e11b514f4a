# Cross-compiles carafe32.exe for 32-bit Windows with MinGW-w64 (posix thread
# model), on Linux.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CARAFE_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${CARAFE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CARAFE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${CARAFE_MINGW_PREFIX}-windres)

# Libraries and headers come from the MinGW-w64 tree only; programs run
# during the build (python3, ...) are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${CARAFE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
