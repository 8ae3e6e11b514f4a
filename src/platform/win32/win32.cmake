# The Windows programs, statically linked so that they need nothing but the
# system's own DLLs, and kept small: carafe.exe (GUI), carafe-console.exe
# (console) and, from a 64-bit build, carafe32.exe (the GUI program for
# 32-bit Windows, built with the i686 toolchain in a build of its own).
enable_language(RC)

set(CARAFE_WIN32_DIR ${CMAKE_CURRENT_LIST_DIR})

# The name of the GUI program; the 32-bit build calls it carafe32.
set(CARAFE_LAUNCHER_NAME carafe CACHE STRING "File name of the GUI launcher, without .exe")

# The machine's services (files, directories, the environment, the registry)
# apart from the launcher's own ways to report and to start Java, so that the
# programs beside the launcher can use the first with ways of their own.
add_library(carafe_win32_machine OBJECT
  ${CMAKE_SOURCE_DIR}/src/platform/file_whole.cpp
  ${CARAFE_WIN32_DIR}/console_text.cpp
  ${CARAFE_WIN32_DIR}/directories.cpp
  ${CARAFE_WIN32_DIR}/environment.cpp
  ${CARAFE_WIN32_DIR}/file_access.cpp
  ${CARAFE_WIN32_DIR}/file_facts.cpp
  ${CARAFE_WIN32_DIR}/long_path.cpp
  ${CARAFE_WIN32_DIR}/registry.cpp
  ${CARAFE_WIN32_DIR}/system_message.cpp
)
target_link_libraries(carafe_win32_machine PUBLIC carafe_logic)
add_library(carafe_win32 OBJECT
  ${CMAKE_SOURCE_DIR}/src/platform/files.cpp
  ${CARAFE_WIN32_DIR}/cache_files.cpp
  ${CARAFE_WIN32_DIR}/java_inside.cpp
  ${CARAFE_WIN32_DIR}/job.cpp
  ${CARAFE_WIN32_DIR}/output.cpp
  ${CARAFE_WIN32_DIR}/private_file.cpp
  ${CARAFE_WIN32_DIR}/process.cpp
  ${CARAFE_WIN32_DIR}/program_file.cpp
)
target_link_libraries(carafe_win32 PUBLIC carafe_win32_machine carafe_logic)
# "-A" functions throughout: the launcher's texts are 8-bit, in the process's code
# page, which the manifest makes UTF-8.
# NOGDI: wingdi.h defines ERROR, which is also the name of a notice style.
target_compile_definitions(carafe_win32_machine PUBLIC WIN32_LEAN_AND_MEAN NOGDI NOMINMAX
                           _WIN32_WINNT=0x0600)

# Unused functions and data are dropped when linking.
foreach(library carafe_logic carafe_win32_machine carafe_win32)
  target_compile_options(${library} PRIVATE -ffunction-sections -fdata-sections)
endforeach()

# The resources: the version shown in the file's properties, and the manifest.
# The resource script finds core/version.h through carafe_logic's include
# directory, and the manifest beside itself.
set_source_files_properties(${CARAFE_WIN32_DIR}/carafe.rc PROPERTIES
  OBJECT_DEPENDS "${CARAFE_WIN32_DIR}/carafe.manifest;${CMAKE_SOURCE_DIR}/src/core/version.h")

# One launcher: the shared objects with what its subsystem has of its own.
function(carafe_add_launcher target output_name subsystem_source)
  add_executable(${target} ${ARGN} ${CARAFE_WIN32_DIR}/main.cpp ${subsystem_source}
                 ${CARAFE_WIN32_DIR}/carafe.rc)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output_name})
  target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections)
  target_link_libraries(${target} PRIVATE carafe_win32 carafe_win32_machine carafe_logic)
  target_include_directories(${target} PRIVATE ${CARAFE_WIN32_DIR})
  # No link time in the header: two builds of one commit give the same bytes.
  target_link_options(${target} PRIVATE
    -static -static-libgcc -static-libstdc++
    -Wl,--gc-sections -Wl,--no-insert-timestamp
    $<$<CONFIG:MinSizeRel,Release>:-s>
  )
endfunction()

carafe_add_launcher(carafe ${CARAFE_LAUNCHER_NAME} ${CARAFE_WIN32_DIR}/gui.cpp WIN32)
carafe_add_launcher(carafe-console carafe-console ${CARAFE_WIN32_DIR}/console.cpp)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  option(CARAFE_BUILD_32 "Also build carafe32.exe, with i686-w64-mingw32" ON)
  find_program(CARAFE_I686_COMPILER i686-w64-mingw32-g++-posix)
  if(CARAFE_BUILD_32 AND CARAFE_I686_COMPILER)
    include(ExternalProject)
    ExternalProject_Add(carafe32
      SOURCE_DIR ${PROJECT_SOURCE_DIR}
      BINARY_DIR ${CMAKE_BINARY_DIR}/i686
      CMAKE_ARGS
        -G ${CMAKE_GENERATOR}
        -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-i686.cmake
        -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
        -DCARAFE_LAUNCHER_NAME=carafe32
        -DCARAFE_TESTS=OFF
        -DCARAFE_EXAMPLES=OFF
        -DCARAFE_WERROR=${CARAFE_WERROR}
        -DCARAFE_REPRODUCIBLE=${CARAFE_REPRODUCIBLE}
      BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target carafe
      INSTALL_COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/carafe32.exe ${CMAKE_BINARY_DIR}/carafe32.exe
      BUILD_ALWAYS ON
      BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/carafe32.exe
      USES_TERMINAL_BUILD ON)
    set(CARAFE_EXE32 ${CMAKE_BINARY_DIR}/carafe32.exe CACHE INTERNAL "carafe32.exe")
  else()
    message(STATUS "carafe32.exe is not built: i686-w64-mingw32-g++-posix was not found")
    unset(CARAFE_EXE32 CACHE)
  endif()
endif()
