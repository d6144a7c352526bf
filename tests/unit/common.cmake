qs_unit_test(common_unit_tests ${CMAKE_CURRENT_LIST_DIR}/program_path_test.cpp)
