// The DirectX .x reader (with its .xscn partner absent), reached as the converter's --from-scene reaches it.
#include "fuzz/scene_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return talvero::fuzz::FuzzScene(data, size, talvero::fuzz::SceneInput::X);
}
