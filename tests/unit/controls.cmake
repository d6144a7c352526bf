qs_unit_test(controls_unit_tests
  ${CMAKE_CURRENT_LIST_DIR}/controls_frame_clock_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/controls_gif_compose_test.cpp)
