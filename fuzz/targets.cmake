# The fuzz targets and the pieces they share. The fuzz build links them with libFuzzer; the
# test suites build the same sources to replay the inputs the fuzzers found.
set(TALVERO_FUZZERS bmp jpeg tiff png fms_scene x_scene xscn tokenizer cp932 ini)
set(TALVERO_FUZZ_SUPPORT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_support.cpp ${CMAKE_CURRENT_LIST_DIR}/image_fuzzer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scene_fuzzer.cpp)
