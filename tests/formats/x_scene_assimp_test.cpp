// Our DirectX meshes as an independent reader sees them: Assimp's command-line tool must
// import them and find exactly the divided images as textures. Skipped without the tool.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "scene_writing.h"

namespace talvero {
namespace {

using testing::TempDir;

struct AssimpInfo {
  int Status = -1;
  std::string Output;
  int Materials = -1;
  StringList TextureRefs;
};

AssimpInfo RunAssimpInfo(const std::string& file) {
  AssimpInfo info;
#ifdef _WIN32
  (void)file;  // the Linux build runs the check; the files are the same bytes on Windows
#else
  const std::string command = "assimp info '" + file + "' 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return info;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe.get())) info.Output.append(buffer, n);
  info.Status = pclose(pipe.release());
#endif

  std::istringstream lines(info.Output);
  bool inRefs = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("Materials:")) info.Materials = std::atoi(line.c_str() + 10);
    if (line.starts_with("Texture Refs:")) {
      inRefs = true;
    } else if (inRefs && line.starts_with("    '") && line.ends_with("'")) {
      info.TextureRefs.push_back(line.substr(5, line.size() - 6));
    } else {
      inRefs = false;
    }
  }
  return info;
}

TEST(XSceneAssimpTest, CubeAndSphereImportWithTheirImagesAsTextures) {
#ifdef _WIN32
  GTEST_SKIP() << "assimp runs in the Linux build";
#endif
  if (std::system("command -v assimp >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "assimp (package assimp-utils) is not installed";
  TempDir dir;
  for (TSceneType type : {stCube, stSphere}) {
    SCOPED_TRACE(EnumValueName(type));
    auto filer = TSimFiler::Create();
    filer->ResetJob();
    filer->SetSceneFormat(sfRCP);
    filer->SetSceneType(type);
    filer->SetCubeSuffix(csZero);
    filer->SetExtractImageType(eiJpeg);
    filer->SetSceneFilename(dir.File("scene.xscn"));
    filer->SetTextureBasename("my.sky");
    filer->RCPData().SetSceneRotate(Currency::Parse("12.5"));
    filer->PrepareOutputNames();
    testing::WriteScene(*filer, type == stSphere ? WriteXSphere : WriteXCube);

    const AssimpInfo info = RunAssimpInfo(dir.File("scene.x"));
    ASSERT_EQ(info.Status, 0) << info.Output;
    EXPECT_NE(info.Output.find("Importing file ...                   OK"), std::string::npos)
        << info.Output;
    // One material per image and the transparent ground.
    EXPECT_EQ(info.Materials, type == stSphere ? 21 : 7) << info.Output;
    EXPECT_EQ(info.TextureRefs, filer->ImageNames()) << info.Output;
  }
}

}  // namespace
}  // namespace talvero
