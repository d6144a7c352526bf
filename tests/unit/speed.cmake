qs_unit_test(speed_unit_tests
  ${CMAKE_CURRENT_LIST_DIR}/speed_srb_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/speed_command_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/speed_rules_test.cpp)
