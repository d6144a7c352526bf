# SkinForm.dll loaded in-process under Wine, as QuietSpin loads it: by LoadLibrary from the folder
# of the program. The test program gets a folder of its own with a copy of the library.
qs_wine_test(skinform_wine_tests ${CMAKE_CURRENT_LIST_DIR}/skinform_test.cpp)
target_include_directories(skinform_wine_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(skinform_wine_tests PRIVATE qs_warnings gdi32 user32)
set_target_properties(skinform_wine_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/skinform)
# A target of its own rather than a post-build step: a rebuilt library must be copied again even
# when the test program itself did not change.
add_custom_target(skinform_wine_tests_dll ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tests/skinform
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:SkinForm> ${CMAKE_BINARY_DIR}/tests/skinform
  DEPENDS SkinForm)
add_dependencies(skinform_wine_tests skinform_wine_tests_dll)
