# Cross-compiles with MinGW-w64 (posix thread model), on Linux, for the
# processor that the including toolchain file names in CARAFE_MINGW_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${CARAFE_MINGW_PROCESSOR})

set(CARAFE_MINGW_PREFIX ${CARAFE_MINGW_PROCESSOR}-w64-mingw32)
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
