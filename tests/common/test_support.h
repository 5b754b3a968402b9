// Shared helpers of the test suites.
#pragma once

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/error_reporter.h"
#include "support/currency.h"
#include "support/file_util.h"

namespace talvero::testing {

// Records every error box instead of showing it.
class RecordingErrorReporter : public TErrorReporter {
 public:
  void ShowError(const std::string& message) override { Messages.push_back(message); }
  std::vector<std::string> Messages;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    // create_directory makes a new folder or reports an existing one, as mkdtemp does, and
    // works on Windows too.
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100 && FPath.empty(); ++attempt) {
      const auto path = std::filesystem::temp_directory_path() /
                        ("talvero-test-" + std::to_string(random() % 1000000000));
      if (std::filesystem::create_directory(path)) FPath = path;
    }
    if (FPath.empty()) throw std::runtime_error("cannot create a temporary folder");
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  // The full path of a file in the folder, as text with the folder separator.
  std::string File(const std::string& name) const { return (FPath / name).string(); }
  // The folder with a trailing separator.
  std::string Folder() const { return FPath.string() + "/"; }

  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string path = File(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

 private:
  std::filesystem::path FPath;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A golden file of tests/formats/golden, kept with LF line ends in the repository, as the
// CR LF bytes a writer makes. Empty when the file is missing.
inline std::string Golden(const std::string& name) {
  const auto path =
      std::filesystem::path(__FILE__).parent_path().parent_path() / "formats" / "golden" / name;
  std::string crlf;
  for (char c : ReadAll(path.string())) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return crlf;
}

// The message of the exception of type E that `action` throws; a test failure (and an empty
// text) when it throws none.
template <typename E, typename Action>
std::string MessageOf(Action&& action, const std::string& what) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  }
  ADD_FAILURE() << "no error for " << what;
  return {};
}

// Fixed-point values between -limit and limit that use all four decimals.
inline Currency RandomCurrency(std::mt19937& random, int limit) {
  return Currency::FromRaw(
      std::uniform_int_distribution<int64_t>(-limit * 10000LL, limit * 10000LL)(random));
}

#ifndef _WIN32
// The user id `RunUnprivileged` runs as when the tests run as root ("nobody").
inline constexpr uid_t kUnprivilegedId = 65534;

// Runs `action` without the power to override file permissions: as it is when the tests run
// as an ordinary user, else in a child process as kUnprivilegedId. Returns what `action`
// returned ("crashed" when the child did not finish). Folders it uses must be open to that
// user.
inline std::string RunUnprivileged(const std::function<std::string()>& action) {
  if (::geteuid() != 0) return action();
  int ends[2];
  if (::pipe(ends) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ends[0]);
    std::string result = "cannot drop privileges";
    if (::setgid(kUnprivilegedId) == 0 && ::setuid(kUnprivilegedId) == 0) {
      try {
        result = action();
      } catch (const std::exception& e) {
        result = std::string("exception: ") + e.what();
      }
    }
    const ssize_t written = ::write(ends[1], result.data(), result.size());
    ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
  }
  ::close(ends[1]);
  std::string result;
  char buffer[512];
  for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;)
    result.append(buffer, static_cast<size_t>(n));
  ::close(ends[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? result : "crashed";
}
#endif

// Base names that scene files must carry through unchanged.
inline constexpr const char* kAwkwardBasenames[] = {"scene", "my sky", "空の景色", "it's", "a_b.c"};

}  // namespace talvero::testing
