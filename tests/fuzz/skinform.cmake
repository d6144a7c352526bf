# Mask scan under hostile input. The corpus: the seeds (make_skinform_corpus.py) and the inputs the
# fuzzer found (corpus/skinform/found, a -merge=1 minimised set).
# Longer runs: tests/fuzz/run_skinform_fuzz.sh SECONDS, which needs no CMake configure.
qs_fuzz_target(skinform MAX_LEN 4096 SOURCES ${CMAKE_SOURCE_DIR}/src/skinform/bmp_region.cpp)
