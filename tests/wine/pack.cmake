# carafe-pack end to end under Wine: the real carafe.exe packed by the build
# machine's carafe-pack into a folder and an installer, the folder's exe
# started, the installer installed, upgraded and removed by Wine's msiexec;
# and carafe-pack.exe under Wine writing the same folder and zip.
# Included from tests/wine/CMakeLists.txt.
add_test(NAME pack_e2e
         COMMAND ${CARAFE_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/pack_test.py
                 --pack ${CARAFE_PACK_HOST}
                 --pack-exe $<TARGET_FILE:carafe-pack>
                 --launchers ${CMAKE_BINARY_DIR}
                 --icon ${PROJECT_SOURCE_DIR}/examples/hello/hello.ico
                 --javaw $<TARGET_FILE:fake_javaw>
                 --java $<TARGET_FILE:fake_java>
                 --runner $<TARGET_FILE:wine_runner>)
set_tests_properties(pack_e2e PROPERTIES TIMEOUT 1200)
