# Cross-compiles carafe.exe and the other Windows programs for 64-bit Windows
# with MinGW-w64, on Linux.
set(CARAFE_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
