#include "engine/job_options.h"

namespace talvero {

bool JobOptionRow::InRange(const JobOptionValue& value) const {
  for (size_t i = 0; i < 2; ++i) {
    const Currency limit = Currency::FromRaw(Limits[i] * Currency::kScale);
    if (value.Numbers[i] < Currency() - limit || value.Numbers[i] > limit) return false;
  }
  return true;
}

const std::vector<JobOptionRow>& JobOptionRows() {
  static const std::vector<JobOptionRow> kRows = {
      {
          .Name = "level",
          .Kind = JobOptionKind::NumberPair,
          .SceneKeys = {"sf_LevelPitch", "sf_LevelRoll"},
          .IniKeys = {"Pitch", "Roll"},
          .Flag = "--level",
          .TypeName = "PITCH,ROLL|auto",
          .Help = "Level a tilted panorama: undo the pose the camera was held in, in\n"
                  "degrees (pitch: the view centre's elevation, roll: positive turns the\n"
                  "horizon counter-clockwise; as GPano:PosePitchDegrees/PoseRollDegrees);\n"
                  "auto takes them from the panorama's XMP. Default: 0,0 (as it is)",
          .Limits = {90, 180},
          .PairForm = "is not PITCH,ROLL (two numbers in degrees) or auto",
          .RangeForm = "is out of range (pitch -90 to 90, roll -180 to 180)",
          .AutoWord = "auto",
          .Get =
              [](const JobOptions& o) {
                return JobOptionValue{.Numbers = {o.LevelPitch, o.LevelRoll}};
              },
          .Set =
              [](JobOptions& o, const JobOptionValue& v) {
                o.LevelPitch = v.Numbers[0];
                o.LevelRoll = v.Numbers[1];
              },
      },
      {
          .Name = "quality",
          .Kind = JobOptionKind::Choice,
          .SceneKeys = {"sf_Quality", nullptr},
          .IniKeys = {"HighQuality", nullptr},
          .Flag = "--quality",
          .TypeName = nullptr,
          .Help = "exact: the classic sampling. high: each pixel filtered over the\n"
                  "panorama pixels it covers (no moire in small faces) and smooth\n"
                  "enlargement. Default: exact",
          .Words = {{"exact", iqExact}, {"high", iqHigh}},
          .ValueName = [](int v) { return EnumValueName(static_cast<TImageQuality>(v)); },
          .ValueCount = EnumCount<TImageQuality>(),
          .Get = [](const JobOptions& o) { return JobOptionValue{.Ordinal = o.ImageQuality}; },
          .Set =
              [](JobOptions& o, const JobOptionValue& v) {
                o.ImageQuality = static_cast<TImageQuality>(v.Ordinal);
              },
      },
  };
  return kRows;
}

}  // namespace talvero
