// The scene mesh shared by the scene writers: integer vertices around the pilot's eye and the
// texture-coordinate tables of the divided images. It exists for one scene file: the scene
// stage builds it for the job's format and type and releases it when the file is written.
#pragma once

#include "engine/job_context.h"
#include "engine/job_settings.h"
#include "engine/vectors.h"

namespace talvero {

struct SceneMesh {
  TmxTriPoint Vertices;
  TmxUvPoint TopBandUv;
  TmxUvPoint FaceUv;
  // The usable texture range of a face and its inset, in the file's texture units.
  double UvSpan = 0;
  double UvMargin = 0;
};

// Builds the mesh for the settings' format and type (each fill allocates fresh arrays of its
// own shape), reporting the step.
void InitMeshArrays(SceneMesh& mesh, const JobSettings& settings, const JobContext& context);
// Releases all three arrays, whatever the scene type.
void FreeMeshArrays(SceneMesh& mesh);
// The fills of each format and type, from that format's parameters in the settings.
void FillFmsCube(SceneMesh& mesh, const JobSettings& settings);
void FillRcpCube(SceneMesh& mesh, const JobSettings& settings);
void FillFmsSphere(SceneMesh& mesh, const JobSettings& settings);
void FillRcpSphere(SceneMesh& mesh, const JobSettings& settings);

// The writers index the mesh arrays and the image names directly; Error when they do not
// have the shape of the scene type (cube: 3 x 4 vertices, 6 names; sphere: 13 x 32, 20 names).
void RequireSceneMesh(const SceneMesh& mesh, const JobSettings& settings, bool sphere);

}  // namespace talvero
