qs_unit_test(aspicheck_unit_tests ${CMAKE_CURRENT_LIST_DIR}/aspicheck_verdict_test.cpp)
