qs_unit_test(aspi_layer_unit_tests ${CMAKE_CURRENT_LIST_DIR}/aspi_layer_test.cpp)
