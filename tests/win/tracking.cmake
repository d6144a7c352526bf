# Pointer tracking, the speed meter, the click and the re-apply timer, in process.
qs_form_test(tracking_tests ${CMAKE_CURRENT_LIST_DIR}/tracking_test.cpp)
