# frmMain as created, and the skin on the loaded window.
qs_form_test(layout_wine_tests ${CMAKE_CURRENT_LIST_DIR}/layout_test.cpp ${CMAKE_CURRENT_LIST_DIR}/layout_skin_test.cpp)
