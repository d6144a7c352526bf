qs_wine_test(aspi_layer_wine_tests ${CMAKE_CURRENT_LIST_DIR}/aspi_layer_test.cpp)
target_link_libraries(aspi_layer_wine_tests PRIVATE qs_aspi_service qs_warnings version)
target_compile_definitions(aspi_layer_wine_tests PRIVATE QS_WNASPI32_PATH="$<TARGET_FILE:qs_wnaspi32>")
add_dependencies(aspi_layer_wine_tests qs_wnaspi32)
# Wine prefers its builtin layer of the same name unless told to load the file itself.
set_tests_properties(aspi_layer_wine_tests PROPERTIES ENVIRONMENT "WINEDLLOVERRIDES=mscoree,mshtml=\\;wnaspi32=n")

# Loads the layer by name; the end-to-end test runs it after INSTASPI.BAT has installed the layer.
add_executable(aspi_layer_probe ${CMAKE_CURRENT_LIST_DIR}/aspi_layer_probe.cpp)
target_link_libraries(aspi_layer_probe PRIVATE qs_warnings)
