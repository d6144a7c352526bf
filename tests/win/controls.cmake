qs_wine_test(controls_wine_tests ${CMAKE_CURRENT_LIST_DIR}/controls_test.cpp)
target_link_libraries(controls_wine_tests PRIVATE qs_app qs_warnings)
