# The ASPI layer's request rules under hostile records. The seed corpus (make_aspi_layer_corpus.py):
# every request code, CDB lengths 0 and 17, transfers over the limit, null and foreign buffers,
# adapters, targets and LUNs out of range.
qs_fuzz_target(aspi_layer MAX_LEN 512 SOURCES ${CMAKE_SOURCE_DIR}/src/aspi/aspi_layer.cpp
               ${CMAKE_SOURCE_DIR}/src/aspi/device_table.cpp ${CMAKE_SOURCE_DIR}/src/aspi/command_direction.cpp)
