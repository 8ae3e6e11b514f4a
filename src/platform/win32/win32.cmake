# carafe.exe: the Windows GUI program, statically linked so that it needs
# nothing but the system's own DLLs, and kept small.
enable_language(RC)

set(CARAFE_WIN32_DIR ${CMAKE_CURRENT_LIST_DIR})

add_library(carafe_win32 OBJECT
  ${CARAFE_WIN32_DIR}/environment.cpp
  ${CARAFE_WIN32_DIR}/files.cpp
  ${CARAFE_WIN32_DIR}/notices.cpp
  ${CARAFE_WIN32_DIR}/process.cpp
  ${CARAFE_WIN32_DIR}/registry.cpp
)
target_link_libraries(carafe_win32 PUBLIC carafe_logic)
# "-A" functions throughout: the launcher's texts are 8-bit, in the process's code
# page, which the manifest makes UTF-8.
# NOGDI: wingdi.h defines ERROR, which is also the name of a notice style.
target_compile_definitions(carafe_win32 PUBLIC WIN32_LEAN_AND_MEAN NOGDI NOMINMAX _WIN32_WINNT=0x0600)

# Unused functions and data are dropped when linking.
foreach(library carafe_logic carafe_win32)
  target_compile_options(${library} PRIVATE -ffunction-sections -fdata-sections)
endforeach()

add_executable(carafe WIN32
  ${CARAFE_WIN32_DIR}/main.cpp
  ${CARAFE_WIN32_DIR}/carafe.rc
)
target_link_libraries(carafe PRIVATE carafe_win32 carafe_logic)
# The resource script finds core/version.h through carafe_logic's include
# directory, and the manifest beside itself.
target_include_directories(carafe PRIVATE ${CARAFE_WIN32_DIR})
set_source_files_properties(${CARAFE_WIN32_DIR}/carafe.rc PROPERTIES
  OBJECT_DEPENDS "${CARAFE_WIN32_DIR}/carafe.manifest;${CMAKE_SOURCE_DIR}/src/core/version.h")
target_link_options(carafe PRIVATE
  -static -static-libgcc -static-libstdc++
  -Wl,--gc-sections
  $<$<CONFIG:MinSizeRel,Release>:-s>
)
