qs_unit_test(showcase_unit_tests
  ${CMAKE_CURRENT_LIST_DIR}/showcase_playlist_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/showcase_transport_test.cpp)
