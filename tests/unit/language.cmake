qs_unit_test(language_unit_tests ${CMAKE_CURRENT_LIST_DIR}/language_test.cpp)
