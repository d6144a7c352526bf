qs_e2e_test(aspi_layer_e2e aspi_layer_test.py)
