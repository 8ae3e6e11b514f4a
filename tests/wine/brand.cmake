# carafe-brand end to end: the real carafe.exe branded by the build machine's
# carafe-brand, read back by icoutils, objdump, osslsigncode and, under Wine,
# by Windows' own functions (brand_check.exe), then started as in the suite's
# typical start. Included from tests/wine/CMakeLists.txt.
add_executable(brand_check brand_check.cpp)
target_link_libraries(brand_check PRIVATE carafe_warnings version gdi32 shell32)
target_compile_definitions(brand_check PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_options(brand_check PRIVATE -static -static-libgcc -static-libstdc++)

add_test(NAME brand_e2e
         COMMAND ${CARAFE_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/brand_test.py
                 --brand ${CARAFE_BRAND_HOST}
                 --brand-exe $<TARGET_FILE:carafe-brand>
                 --exe $<TARGET_FILE:carafe>
                 $<$<BOOL:${CARAFE_EXE32}>:--exe32=${CARAFE_EXE32}>
                 --icon ${PROJECT_SOURCE_DIR}/examples/hello/hello.ico
                 --check $<TARGET_FILE:brand_check>
                 --objdump ${CMAKE_OBJDUMP}
                 --javaw $<TARGET_FILE:fake_javaw>
                 --java $<TARGET_FILE:fake_java>
                 --runner $<TARGET_FILE:wine_runner>)
set_tests_properties(brand_e2e PROPERTIES TIMEOUT 900)
