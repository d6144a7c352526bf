# pointer_move_bench: times pointer moves over the real frmMain (run it with bench/pointer_move.sh).
add_executable(pointer_move_bench ${CMAKE_CURRENT_LIST_DIR}/pointer_move_bench.cpp)
target_link_libraries(pointer_move_bench PRIVATE qs_app qs_resources qs_warnings)
set_target_properties(pointer_move_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
