// The checks a stage makes before it writes anything, over the job's settings. A failing check
// shows its message and answers false.
#pragma once

#include "engine/job_context.h"
#include "engine/job_settings.h"

namespace talvero {

// True when the scene settings are complete; shared by both stages.
bool CheckSceneJob(const JobSettings& settings, const JobContext& context);
// True when the image stage may run.
bool CheckImageJob(const JobSettings& settings, const JobContext& context);

}  // namespace talvero
