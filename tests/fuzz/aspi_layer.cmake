# The ASPI layer's request rules under hostile records.
# Always: the seed corpus (make_aspi_layer_corpus.py: every request code, CDB lengths 0 and 17,
# transfers over the limit, null and foreign buffers, adapters, targets and LUNs out of range) is
# replayed through the fuzz entry point, with the native preset's ASan/UBSan.
add_executable(aspi_layer_fuzz_replay ${CMAKE_CURRENT_LIST_DIR}/skinform_replay.cpp
               ${CMAKE_CURRENT_LIST_DIR}/aspi_layer_fuzz.cpp)
target_link_libraries(aspi_layer_fuzz_replay PRIVATE qs_rules qs_warnings)
add_test(NAME aspi_layer_fuzz_replay COMMAND aspi_layer_fuzz_replay ${CMAKE_CURRENT_LIST_DIR}/corpus/aspi_layer)

# With clang: the libFuzzer program and a short run, new inputs into a scratch folder.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_executable(aspi_layer_fuzz ${CMAKE_CURRENT_LIST_DIR}/aspi_layer_fuzz.cpp ${CMAKE_SOURCE_DIR}/src/aspi/aspi_layer.cpp
                 ${CMAKE_SOURCE_DIR}/src/aspi/device_table.cpp ${CMAKE_SOURCE_DIR}/src/aspi/command_direction.cpp)
  target_include_directories(aspi_layer_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(aspi_layer_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(aspi_layer_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  set(aspi_scratch ${CMAKE_CURRENT_BINARY_DIR}/aspi_layer_corpus)
  file(MAKE_DIRECTORY ${aspi_scratch})
  add_test(NAME aspi_layer_fuzz_short COMMAND aspi_layer_fuzz -runs=50000 -max_len=512 -timeout=10
           ${aspi_scratch} ${CMAKE_CURRENT_LIST_DIR}/corpus/aspi_layer)
endif()
