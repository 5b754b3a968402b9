// The six faces of the default cube job, cut out of the warped panorama, resampled and
// written; the top and bottom faces may be made ahead of their turn while the warp goes on.
#pragma once

#include <memory>
#include <vector>

#include "engine/job_context.h"
#include "engine/job_settings.h"

namespace talvero {

class Bitmap;

// A face made and encoded into its temporary file ahead of its turn, on a thread of its own.
struct EarlyFace;
// Starts face i (4 top, 5 bottom) of a panorama whose rows of that face are final.
std::shared_ptr<EarlyFace> StartEarlyFace(const Bitmap& panorama, int i,
                                          const JobSettings& settings, const JobContext& context);
// Cuts, assembles, resamples and writes the six faces of a warped panorama, taking the faces
// of `early` (by index, where set) as they were made.
void WriteCubeFaces(const Bitmap& panorama, const JobSettings& settings, const JobContext& context,
                    const std::vector<std::shared_ptr<EarlyFace>>& early = {});

}  // namespace talvero
