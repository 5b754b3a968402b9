// Writing files in order on several threads: failures and cancellations in file order, as
// one thread would meet them.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "common/test_support.h"
#include "support/ordered_writes.h"

namespace talvero {
namespace {

using testing::TempDir;

std::set<std::string> Entries(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    names.insert(entry.path().filename().string());
  return names;
}

class OrderedWritesTest : public ::testing::TestWithParam<int> {
 protected:
  // File k is "k.txt" holding its number; `fail(k)` may throw in its encoder.
  template <typename Fail>
  void Run(int count, Fail fail, const CancellationFlag* cancel = nullptr) {
    WriteFilesInOrder(
        count,
        [&](int k) {
          return OrderedFile{dir.File(std::to_string(k) + ".txt"),
                             [this, k] { announced.push_back(k); },
                             [fail, k](AtomicFileWriter& file) {
                               file.Write(std::to_string(k));
                               fail(k);
                             }};
        },
        cancel, GetParam());
  }

  TempDir dir;
  std::vector<int> announced;
};

TEST_P(OrderedWritesTest, AnEarlierFailureWinsOverALaterOneThatCameFirst) {
  const std::string message = testing::MessageOf<Error>(
      [&] {
        Run(6, [](int k) {
          if (k == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            throw Error("file 1");
          }
          if (k >= 2) throw Error("file " + std::to_string(k));
        });
      },
      "failing encoders");
  EXPECT_EQ(message, "file 1");
  EXPECT_EQ(announced, (std::vector<int>{0, 1}));
  EXPECT_EQ(Entries(dir), std::set<std::string>{"0.txt"});  // no temporary file either
}

TEST_P(OrderedWritesTest, AFailingPreparationComesAfterTheFilesBeforeIt) {
  EXPECT_THROW(WriteFilesInOrder(
                   4,
                   [&](int k) {
                     if (k == 2) throw ConvertError("prepare 2");
                     return OrderedFile{dir.File(std::to_string(k) + ".txt"),
                                        [this, k] { announced.push_back(k); },
                                        [](AtomicFileWriter& file) {
                                          std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                          file.Write("x");
                                        }};
                   },
                   nullptr, GetParam()),
               ConvertError);
  EXPECT_EQ(announced, (std::vector<int>{0, 1}));
  EXPECT_EQ(Entries(dir), (std::set<std::string>{"0.txt", "1.txt"}));
}

TEST_P(OrderedWritesTest, ACancelDuringAnAnnouncementKeepsThatFileOut) {
  CancellationFlag cancel;
  EXPECT_THROW(WriteFilesInOrder(
                   5,
                   [&](int k) {
                     return OrderedFile{dir.File(std::to_string(k) + ".txt"),
                                        [&, k] {
                                          announced.push_back(k);
                                          if (k == 3) cancel.Cancel();
                                        },
                                        [k](AtomicFileWriter& file) { file.Write(std::to_string(k)); }};
                   },
                   &cancel, GetParam()),
               CancelledError);
  EXPECT_EQ(announced, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(Entries(dir), (std::set<std::string>{"0.txt", "1.txt", "2.txt"}));
}

INSTANTIATE_TEST_SUITE_P(Threads, OrderedWritesTest, ::testing::Values(1, 4));

}  // namespace
}  // namespace talvero
