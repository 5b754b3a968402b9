// The three scene readers as "--from-scene" reaches them, and the round trip a restored job
// makes: read, write the scene again, read that file back.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talvero::fuzz {

enum class SceneInput { Fms, X, Xscn };

// Properties besides "no crash": the readers raise only Errors; a file that was read and
// then written gives the same job when read again (the written numbers within their two
// decimals of the header); that job, written and read again, stays the same, and is
// written as the same bytes.
int FuzzScene(const uint8_t* data, size_t size, SceneInput kind);

}  // namespace talvero::fuzz
