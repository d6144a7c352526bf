qs_form_test(form_smoke_tests ${CMAKE_CURRENT_LIST_DIR}/form_smoke_test.cpp)
