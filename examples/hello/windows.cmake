# The example as Windows users get it: carafe.exe branded as Hello.exe with
# the example's icon, beside carafe.exe. Branding runs on the build machine,
# with its own build of carafe-brand (src/brand).
set(HELLO_EXE ${CMAKE_BINARY_DIR}/Hello.exe)
set(HELLO_ICON ${CMAKE_CURRENT_LIST_DIR}/hello.ico)
add_custom_command(
  OUTPUT ${HELLO_EXE}
  COMMAND ${CARAFE_BRAND_HOST} $<TARGET_FILE:carafe> ${HELLO_EXE} --icon ${HELLO_ICON}
          --description "Hello" --product "carafe example" --app-version ${PROJECT_VERSION}
          --company "The carafe authors"
  DEPENDS carafe carafe_brand_host ${CARAFE_BRAND_HOST} ${HELLO_ICON}
  COMMENT "Branding carafe.exe as Hello.exe"
  VERBATIM)
add_custom_target(hello_exe ALL DEPENDS ${HELLO_EXE})
