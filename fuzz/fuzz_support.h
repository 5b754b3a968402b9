// Shared pieces of the fuzz targets: a private folder for the files the readers open, a
// silent error box, the converter's fresh job, and property checks that stop the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/error_reporter.h"
#include "engine/sim_filer.h"

namespace talvero::fuzz {

// The readers take file names, so every input goes through a file in a folder of its own
// (in /dev/shm where there is one), removed when the process ends.
const std::string& Folder();
// Writes `size` bytes as Folder()/name and returns the path.
std::string WriteInput(const std::string& name, const uint8_t* data, size_t size);
std::string WriteInput(const std::string& name, std::string_view bytes);
// The file's bytes, or empty when there is none.
std::string ReadBack(const std::string& path);
void RemoveFile(const std::string& path);

// Counts the job messages instead of showing them.
class SilentReporter : public TErrorReporter {
 public:
  void ShowError(const std::string&) override { ++FCount; }
  int Count() const { return FCount; }

 private:
  int FCount = 0;
};

// An engine with the window's defaults, as the converter starts a job, reporting into
// `reporter`.
std::unique_ptr<TSimFiler> NewJob(SilentReporter& reporter);

// A property that does not hold: prints what and aborts, so that libFuzzer keeps the input.
[[noreturn]] void Fail(const std::string& what);
inline void Check(bool condition, const std::string& what) {
  if (!condition) Fail(what);
}

}  // namespace talvero::fuzz
