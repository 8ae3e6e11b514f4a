# carafe-check: the launcher's own logic over this machine's files,
# environment and runtime registry, with notices, configuration files and a
# process start of the check's own that record instead of showing and
# starting. Included from the root CMakeLists.txt.
set(CARAFE_CHECK_DIR ${CMAKE_CURRENT_LIST_DIR})

add_library(carafe_check_core OBJECT
  ${CARAFE_CHECK_DIR}/capture.cpp
  ${CARAFE_CHECK_DIR}/classpath.cpp
  ${CARAFE_CHECK_DIR}/explain.cpp
  ${CARAFE_CHECK_DIR}/java_version.cpp
  ${CARAFE_CHECK_DIR}/observer.cpp
  ${CARAFE_CHECK_DIR}/report.cpp
  ${CARAFE_CHECK_DIR}/run.cpp
  ${CARAFE_CHECK_DIR}/zip_entries.cpp
)
target_link_libraries(carafe_check_core PUBLIC carafe_logic)

if(WIN32)
  add_executable(carafe-check ${CARAFE_CHECK_DIR}/main.cpp ${CARAFE_CHECK_DIR}/win32/machine.cpp
                 ${CARAFE_CHECK_DIR}/win32/check.rc)
  target_link_libraries(carafe-check PRIVATE carafe_check_core carafe_win32_machine carafe_logic)
  target_include_directories(carafe-check PRIVATE ${CMAKE_SOURCE_DIR}/src/platform/win32)
  set_source_files_properties(${CARAFE_CHECK_DIR}/win32/check.rc PROPERTIES
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/src/platform/win32/carafe.manifest;${CMAKE_SOURCE_DIR}/src/core/version.h")
  target_link_options(carafe-check PRIVATE -static -static-libgcc -static-libstdc++
                      -Wl,--gc-sections -Wl,--no-insert-timestamp
                      $<$<CONFIG:MinSizeRel,Release>:-s>)
else()
  add_executable(carafe-check ${CARAFE_CHECK_DIR}/main.cpp ${CARAFE_CHECK_DIR}/posix/machine.cpp)
  target_link_libraries(carafe-check PRIVATE carafe_check_core carafe_posix_machine carafe_logic)
  target_link_options(carafe-check PRIVATE ${CARAFE_STATIC_LINK_OPTIONS}
                      $<$<CONFIG:MinSizeRel,Release>:-s>)
endif()
