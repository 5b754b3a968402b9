// The parameter values of the last scene file read, which "読込時の値に戻す" puts back: both
// formats' values, the one not read carried across from the one read, as the job's are.
// Defaults until a scene file is read, and again after New.
#pragma once

#include <string>

#include "engine/data_holders.h"
#include "engine/enums.h"

namespace talvero {

class TSimFiler;

class TLoadedValues {
 public:
  TLoadedValues();

  TFMSDataHolder& FMS() { return FFMS; }
  TRCPDataHolder& RCP() { return FRCP; }

  // Restores the job of `filer` from the scene file `fileName` of `format` (RestoreJob). True
  // when the file was recognised: these then hold its values. Otherwise the values of
  // `format`, in the job and here, are its defaults.
  bool ReadSceneFile(TSimFiler& filer, TSceneFormat format, const std::string& fileName);
  // Puts these values back into the job.
  void RestoreTo(TSimFiler& filer) const;
  void SetDefaults();

 private:
  TFMSDataHolder FFMS;
  TRCPDataHolder FRCP;
};

}  // namespace talvero
