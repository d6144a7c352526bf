# qs_form_test(name src...): an in-process test that loads the real frmMain. It is built into a
# folder of its own that holds what the program folder holds (the GIF skin folder and
# SkinForm.dll), so the program-folder rule finds the skin beside the test program.
function(qs_form_test name)
  set(dir ${CMAKE_BINARY_DIR}/tests/form/${name})
  qs_wine_test(${name} ${ARGN} ${CMAKE_SOURCE_DIR}/tests/win/support/form_fixture.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/win)
  target_link_libraries(${name} PRIVATE qs_app qs_resources qs_warnings)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${dir})
  add_dependencies(${name} SkinForm)
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:SkinForm> ${dir}/
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${QS_DIST_DIR}/GIF ${dir}/GIF)
  # Deferred arguments are expanded when the call runs: bake the name in now.
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY \"${CMAKE_SOURCE_DIR}\" CALL qs_form_test_after_assets ${name})")
endfunction()

function(qs_form_test_after_assets name)
  if(TARGET qs_assets)
    add_dependencies(${name} qs_assets)
  endif()
endfunction()
