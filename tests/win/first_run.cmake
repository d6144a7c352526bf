# The first-run marker, the install branch and the restart, in-process under Wine. The program
# folder of the test is its own: the tests put INSTASPI.BAT there and take it away again.
qs_wine_test(first_run_test ${CMAKE_CURRENT_LIST_DIR}/first_run_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/first_run_form_test.cpp)
target_include_directories(first_run_test PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(first_run_test PRIVATE qs_app qs_resources qs_warnings)
set_target_properties(first_run_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/first_run)

# Not a test: the end-to-end tests run it to read the texts and buttons of an open message box.
add_executable(first_run_box_probe ${CMAKE_CURRENT_LIST_DIR}/first_run_box_probe.cpp)
target_link_libraries(first_run_box_probe PRIVATE qs_warnings)
