// The panorama readers as the image stage reaches them: TSimFiler::ReadImageFile on a file
// with the given extension.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talvero::fuzz {

// Properties checked besides "no crash": a failure is an Error and leaves the target as it
// was; a success is 24-bit with the size the file's header states; the file cut short never
// decodes to other pixels (it fails, or its end held nothing of the image).
int FuzzImage(const uint8_t* data, size_t size, const char* extension);

}  // namespace talvero::fuzz
