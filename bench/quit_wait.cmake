# quit_wait_bench: the drive wait's cost once the quit has been seen (run by bench/aspi_wait_cpu.sh).
add_executable(quit_wait_bench ${CMAKE_CURRENT_LIST_DIR}/quit_wait_bench.cpp)
target_link_libraries(quit_wait_bench PRIVATE qs_app qs_resources qs_warnings)
set_target_properties(quit_wait_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
