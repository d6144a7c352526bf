# Our ASPI layer against direct pass-through on the drive tier's guest (aspi_throughput.sh).
add_executable(aspi_throughput_bench ${CMAKE_CURRENT_LIST_DIR}/aspi_throughput.cpp)
target_link_libraries(aspi_throughput_bench PRIVATE qs_warnings)
target_include_directories(aspi_throughput_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/drives)
