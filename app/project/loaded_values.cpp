#include "app/project/loaded_values.h"

#include "engine/sim_filer.h"
#include "formats/scene_format.h"

namespace talvero {

TLoadedValues::TLoadedValues() { SetDefaults(); }

void TLoadedValues::SetDefaults() {
  FFMS.SetDefaults();
  FRCP.SetDefaults();
}

bool TLoadedValues::ReadSceneFile(TSimFiler& filer, TSceneFormat format,
                                  const std::string& fileName) {
  TSimDataHolder& read = DescriptionOf(format).Holder(filer);
  TFMSDataHolder& fms = filer.FMSData();
  TRCPDataHolder& rcp = filer.RCPData();
  // After each file read: the load-time values of the format read, and the other format's
  // values carried across.
  const bool recognised = RestoreJob(filer, format, fileName, [&] {
    if (format == sfFMS) {
      FFMS.CopyFrom(fms);
      rcp.CopyFrom(fms);
      FRCP.CopyFrom(rcp);
    } else {
      FRCP.CopyFrom(rcp);
      fms.CopyFrom(rcp);
      FFMS.CopyFrom(rcp);
    }
  });
  if (!recognised) {
    read.SetDefaults();
    (format == sfFMS ? static_cast<TSimDataHolder&>(FFMS) : FRCP).SetDefaults();
  }
  return recognised;
}

void TLoadedValues::RestoreTo(TSimFiler& filer) const {
  filer.FMSData().CopyFrom(FFMS);
  filer.RCPData().CopyFrom(FRCP);
}

}  // namespace talvero
