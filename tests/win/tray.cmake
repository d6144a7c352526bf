# The tray icon, the subclass window procedure and the hot spots, driven on a real frmMain.
# The test program runs from a folder of its own that holds what QuietSpin finds beside itself:
# the skin folder and SkinForm.dll.
qs_wine_test(tray_wine_tests ${CMAKE_CURRENT_LIST_DIR}/tray_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tray_hotspots_test.cpp)
target_link_libraries(tray_wine_tests PRIVATE qs_app qs_resources qs_warnings)
set(tray_program_dir ${CMAKE_CURRENT_BINARY_DIR}/tray_program)
set_target_properties(tray_wine_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${tray_program_dir})
add_dependencies(tray_wine_tests SkinForm)
add_custom_command(TARGET tray_wine_tests POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${QS_DIST_DIR}/GIF ${tray_program_dir}/GIF
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:SkinForm> ${tray_program_dir}
  VERBATIM)
# The skin is drawn by the asset generator, which is only known once every folder has been read.
function(tray_tests_after_assets)
  if(TARGET qs_assets)
    add_dependencies(tray_wine_tests qs_assets)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL tray_tests_after_assets)
