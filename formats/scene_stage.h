// The scene half of a job over the job's settings: check, build the mesh, write the scene
// file of the format and type (and, where the format has one, the vista texture when it is
// missing), release the mesh. TSimFiler::RunSceneStage forwards here.
#pragma once

#include "engine/job_context.h"
#include "engine/job_settings.h"

namespace talvero {

// Validation failures are shown and end the stage; file errors are exceptions.
// Settings.ImageNames must have been prepared: the writers take the texture names from them.
void RunSceneStage(const JobSettings& settings, const JobContext& context);

}  // namespace talvero
