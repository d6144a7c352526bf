# ASPIshim.dll driven in-process under Wine. Each test program gets a folder of its own, so that
# the test ASPI layer copied beside it never lands beside other programs' tests.
set(qs_aspishim_tests ${CMAKE_BINARY_DIR}/tests/aspishim)
# Wine keeps its builtin WNASPI32.DLL unless told to prefer a native one; with no native one
# present, "n" makes the layer missing altogether.
set(qs_aspishim_env "WINEDLLOVERRIDES=mscoree,mshtml=\;wnaspi32=n")

function(qs_aspishim_test name folder)
  qs_wine_test(${name} ${CMAKE_CURRENT_LIST_DIR}/${name}.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE qs_warnings qs_rules)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${qs_aspishim_tests}/${folder})
  add_dependencies(${name} ASPIshim ${ARGN})
  set(files $<TARGET_FILE:ASPIshim>)
  foreach(dll IN LISTS ARGN)
    list(APPEND files $<TARGET_FILE:${dll}>)
  endforeach()
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${files} $<TARGET_FILE_DIR:${name}>)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${qs_aspishim_env}")
endfunction()

qs_aspishim_test(aspishim_test with_layer fakeaspi)
qs_aspishim_test(aspishim_sync_test with_layer fakeaspi)
qs_aspishim_test(aspishim_nolayer_test no_layer)
target_compile_definitions(aspishim_nolayer_test PRIVATE QS_FAKEASPI_UNIX_DIR="${QS_FAKEASPI_DIR}")
