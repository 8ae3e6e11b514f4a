# Cross-compiles carafe32.exe for 32-bit Windows with MinGW-w64, on Linux.
set(CARAFE_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
