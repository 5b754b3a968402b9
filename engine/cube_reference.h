// The strip-by-strip cube warp: each quarter of the panorama warped through the map into a
// strip made once for all four, then copied back. It is the plain operation whose bytes the
// default cube job (cube_job.cpp) reproduces in 25 MB less; only tests and the benchmark run
// it, to compare the two.
#pragma once

#include <cstdint>

#include "engine/cube_map.h"
#include "engine/job_context.h"

namespace talvero {

class Bitmap;

// Builds the cube map and warps the four quarters of the panorama, with the progress lines of
// the default job.
void WarpCubeStrips(Bitmap& panorama, const JobContext& context);
// Inverse-maps `source` into `target` (which takes the source's size) through the map.
void WarpImage(Bitmap& target, const Bitmap& source, const TmxCurrencyUV& map,
               const JobContext& context);
// WarpImage reading the strip straight out of a wider image, from column `sourceLeft`; its
// progress is strip `strip` of the warp's four.
void WarpStrip(Bitmap& target, const Bitmap& source, int32_t sourceLeft, const TmxCurrencyUV& map,
               const JobContext& context, int strip = 0);
// Builds the top (mode 0) or bottom (mode 1) face from a copied cap strip's four triangles
// (the job draws them straight out of the warped panorama instead).
void AssembleCapFace(Bitmap& face, const Bitmap& capStrip, int mode, const JobContext& context);

}  // namespace talvero
