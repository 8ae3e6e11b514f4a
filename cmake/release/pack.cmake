# Writes carafe-<version>-windows.zip and carafe-<version>-linux-x86_64.tar.gz
# from the components that CPack has staged; run by CPack's External
# generator. The Windows programs are signed first when a certificate is
# given. Times come from SOURCE_DATE_EPOCH and entries are sorted, so that
# two builds of one commit give the same archives.
set(stage ${CPACK_TEMPORARY_DIRECTORY})
set(version ${CPACK_PACKAGE_VERSION})
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is not set: run scripts/release")
endif()
set(epoch $ENV{SOURCE_DATE_EPOCH})

if(CPACK_CARAFE_SIGN_PKCS12)
  # The password goes to osslsigncode in a file of the caller's umask, never
  # on a command line.
  set(password ${CPACK_TOPLEVEL_DIRECTORY}/signing-password)
  file(WRITE ${password} "$ENV{CARAFE_SIGN_PASSWORD}")
  # The Linux archive's launchers, which carafe-pack packs, too.
  file(GLOB_RECURSE programs ${stage}/windows/*.exe ${stage}/linux/*.exe)
  list(SORT programs)
  foreach(program IN LISTS programs)
    execute_process(
      COMMAND osslsigncode sign -pkcs12 ${CPACK_CARAFE_SIGN_PKCS12} -readpass ${password}
              -n carafe -h sha256 -time ${epoch} -in ${program} -out ${program}.signed
      RESULT_VARIABLE signed OUTPUT_QUIET)
    if(NOT signed EQUAL 0)
      file(REMOVE ${password})
      message(FATAL_ERROR "osslsigncode could not sign ${program}")
    endif()
    file(RENAME ${program}.signed ${program})
    message(STATUS "signed ${program}")
  endforeach()
  file(REMOVE ${password})
endif()

set(built)
foreach(archive "windows;zip;windows" "linux;tar.gz;linux-x86_64")
  list(GET archive 0 component)
  list(GET archive 1 format)
  list(GET archive 2 suffix)
  set(name carafe-${version}-${suffix})
  set(file ${CPACK_CARAFE_OUTPUT}/${name}.${format})
  execute_process(
    COMMAND python3 ${CPACK_CARAFE_ARCHIVE_WRITER} ${format} ${stage}/${component} ${name} ${file}
            ${epoch}
    RESULT_VARIABLE written)
  if(NOT written EQUAL 0)
    message(FATAL_ERROR "could not write ${file}")
  endif()
  list(APPEND built ${file})
endforeach()
set(CPACK_EXTERNAL_BUILT_PACKAGES ${built})
