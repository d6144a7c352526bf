qs_unit_test(skinform_unit_tests ${CMAKE_CURRENT_LIST_DIR}/skinform_test.cpp
             ${CMAKE_CURRENT_LIST_DIR}/skinform_hostile_test.cpp)
target_include_directories(skinform_unit_tests PRIVATE ${CMAKE_SOURCE_DIR})
