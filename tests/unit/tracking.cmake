# The pointer tracker's areas and levels at their edges.
qs_unit_test(tracking_unit_tests ${CMAKE_CURRENT_LIST_DIR}/tracking_test.cpp)
