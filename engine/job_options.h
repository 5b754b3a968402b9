// The job's options beyond the classic job (levelling, sampling quality, ...), declared once
// in a table. The scene header records them, the converter offers them, the window's options
// row shows and keeps them and its engine binds them, each by going over the table; adding an
// option is its field here, its row in job_options.cpp, its caption (editing/
// job_option_controls.cpp) and the stage that uses it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/enums.h"
#include "support/currency.h"

namespace talvero {

// The values themselves, a plain copy inside the engine and the job's settings.
struct JobOptions {
  // The camera pose to undo, in degrees (GPano:PosePitchDegrees and PoseRollDegrees).
  Currency LevelPitch, LevelRoll;
  TImageQuality ImageQuality = iqExact;

  bool operator==(const JobOptions&) const = default;
  bool Levelled() const { return LevelPitch != Currency() || LevelRoll != Currency(); }
};

enum class JobOptionKind {
  // On or off: written as 0 or 1, a check box, a converter flag.
  Boolean,
  // One of a few named values, its ordinal written with its name; in the window a check box
  // for the second value (two values only).
  Choice,
  // Two numbers within -Limit ... Limit each; two spin boxes, "A,B" for the converter.
  NumberPair,
};

// A value as the generic code moves it: a Boolean or ordinal in Ordinal, numbers in Numbers.
struct JobOptionValue {
  int Ordinal = 0;
  std::array<Currency, 2> Numbers{};
  bool operator==(const JobOptionValue&) const = default;
};

struct JobOptionRow {
  const char* Name = nullptr;  // the caption table of the window finds its row by it
  JobOptionKind Kind = JobOptionKind::Boolean;
  // The "sf_" keys of the scene file (the second for a pair only); written only when the
  // value differs from the default, so a default job's file keeps every byte.
  std::array<const char*, 2> SceneKeys{};
  // The keys in the options row's settings section (editing/job_option_controls.h).
  std::array<const char*, 2> IniKeys{};
  // The converter's option, its value's form in the help and the help text.
  const char* Flag = nullptr;
  const char* TypeName = nullptr;
  const char* Help = nullptr;
  // A choice: the converter's words, by ordinal (more than one word may name one value).
  std::vector<std::pair<const char*, int>> Words{};
  // A choice: the value's name in the scene file ("iqHigh").
  std::string (*ValueName)(int ordinal) = nullptr;
  int ValueCount = 2;
  // A pair: each number's limit, and what the converter says of a value it refuses.
  std::array<int64_t, 2> Limits{};  // whole degrees
  const char* PairForm = nullptr;
  const char* RangeForm = nullptr;
  // A word the converter takes instead of a value, its meaning left to the caller.
  const char* AutoWord = nullptr;
  JobOptionValue (*Get)(const JobOptions& options) = nullptr;
  void (*Set)(JobOptions& options, const JobOptionValue& value) = nullptr;

  bool IsDefault(const JobOptions& options) const { return Get(options) == Get(JobOptions{}); }
  // A pair within its limits.
  bool InRange(const JobOptionValue& value) const;
};

// In the order of the scene file's lines, the converter's help and the options row.
const std::vector<JobOptionRow>& JobOptionRows();

}  // namespace talvero
