// Every input a fuzzer found, replayed through the same fuzz target in the normal suites:
// tests/data/fuzz/<target>/ holds the inputs, each a file that once crashed the target or
// broke one of its property checks. A replay that fails aborts with the target's message;
// the file's name is printed first.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "common/test_support.h"
#include "fuzz_targets.h"  // TALVERO_FUZZ_TARGETS, made by the build from its list

#define TALVERO_DECLARE(name) extern "C" int TalveroFuzz_##name(const uint8_t* data, std::size_t size);
TALVERO_FUZZ_TARGETS(TALVERO_DECLARE)
#undef TALVERO_DECLARE

namespace {

using Target = int (*)(const uint8_t*, std::size_t);

const std::map<std::string, Target>& Targets() {
#define TALVERO_ENTRY(name) {#name, &TalveroFuzz_##name},
  static const std::map<std::string, Target> targets{TALVERO_FUZZ_TARGETS(TALVERO_ENTRY)};
#undef TALVERO_ENTRY
  return targets;
}

std::filesystem::path Inputs() {
  return std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "fuzz";
}

TEST(FuzzFindings, EveryFolderNamesATarget) {
  ASSERT_TRUE(std::filesystem::is_directory(Inputs())) << Inputs();
  for (const auto& entry : std::filesystem::directory_iterator(Inputs())) {
    if (!entry.is_directory()) continue;
    EXPECT_TRUE(Targets().count(entry.path().filename().string())) << entry.path();
  }
}

class FuzzFindingsReplay : public testing::TestWithParam<std::string> {};

TEST_P(FuzzFindingsReplay, EveryInputPassesTheTargetsChecks) {
  const std::filesystem::path folder = Inputs() / GetParam();
  if (!std::filesystem::is_directory(folder)) return;  // nothing found for this target yet
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::fprintf(stderr, "replaying %s\n", file.string().c_str());
    std::fflush(stderr);
    const std::string bytes = talvero::testing::ReadAll(file.string());
    EXPECT_EQ(Targets().at(GetParam())(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0)
        << file;
  }
}

std::vector<std::string> Names() {
  std::vector<std::string> names;
  for (const auto& [name, target] : Targets()) names.push_back(name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzFindingsReplay, testing::ValuesIn(Names()),
                         [](const auto& info) { return info.param; });

}  // namespace
