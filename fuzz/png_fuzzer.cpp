// The PNG panorama reader, reached through the image stage's entry point.
#include "fuzz/image_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return talvero::fuzz::FuzzImage(data, size, ".png");
}
