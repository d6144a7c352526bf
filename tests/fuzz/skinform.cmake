# Mask scan under hostile input.
# Always: the seed corpus (make_skinform_corpus.py) and the inputs the fuzzer found (corpus/skinform/found,
# a -merge=1 minimised set) are replayed through the fuzz entry point, with the native preset's ASan/UBSan.
add_executable(skinform_fuzz_replay ${CMAKE_CURRENT_LIST_DIR}/skinform_replay.cpp
               ${CMAKE_CURRENT_LIST_DIR}/skinform_fuzz.cpp)
target_link_libraries(skinform_fuzz_replay PRIVATE qs_rules qs_warnings)
add_test(NAME skinform_fuzz_replay COMMAND skinform_fuzz_replay ${CMAKE_CURRENT_LIST_DIR}/corpus/skinform)

# With clang (CXX=clang++ at configure time): the libFuzzer program itself plus a short run.
# Longer runs: tests/fuzz/run_skinform_fuzz.sh SECONDS, which needs no CMake configure.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_executable(skinform_fuzz ${CMAKE_CURRENT_LIST_DIR}/skinform_fuzz.cpp ${CMAKE_SOURCE_DIR}/src/skinform/bmp_region.cpp)
  target_include_directories(skinform_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(skinform_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(skinform_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  set(skinform_scratch ${CMAKE_CURRENT_BINARY_DIR}/skinform_corpus)
  file(MAKE_DIRECTORY ${skinform_scratch})
  # New inputs go to the scratch folder (first argument), never into the source tree.
  add_test(NAME skinform_fuzz_short COMMAND skinform_fuzz -runs=50000 -max_len=4096 -timeout=10
           ${skinform_scratch} ${CMAKE_CURRENT_LIST_DIR}/corpus/skinform)
endif()
