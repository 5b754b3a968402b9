#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace talvero::fuzz {

namespace {

struct FolderOwner {
  std::string Path;
  FolderOwner() {
    const char* base = std::getenv("TMPDIR");
    std::string root = base && *base ? base : (std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
    std::string pattern = root + "/talvero-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    Path = pattern;
  }
  ~FolderOwner() {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }
};

}  // namespace

const std::string& Folder() {
  static FolderOwner owner;
  return owner.Path;
}

std::string WriteInput(const std::string& name, const uint8_t* data, size_t size) {
  return WriteInput(name, std::string_view(reinterpret_cast<const char*>(data), size));
}

std::string WriteInput(const std::string& name, std::string_view bytes) {
  const std::string path = Folder() + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
      std::fclose(file) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
  return path;
}

std::string ReadBack(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

std::unique_ptr<TSimFiler> NewJob(SilentReporter& reporter) {
  auto filer = TSimFiler::Create<TSimFiler>();
  filer->SetErrorReporter(&reporter);
  filer->ResetJob();
  filer->SetSceneType(stCube);
  filer->SetCubeSuffix(csLeft);
  filer->SetImageSizeMode(ismNormal);
  filer->SetExtractImageType(eiBitmap);
  return filer;
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "\n==== property failed: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace talvero::fuzz
