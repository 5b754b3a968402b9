// Writes the FMS scene file: a comment header with every parameter, the aircraft and pilot
// positions, the sloped ground quad, one textured quad list per divided image and the
// "fms_vista" patch.
#include <cmath>

#include "engine/vectors.h"
#include "formats/fms_scene.h"
#include "formats/line_file.h"
#include "formats/scene_header.h"
#include "formats/scene_mesh.h"
#include "support/errors.h"
#include "support/number_format.h"

namespace talvero {

namespace {

std::string General(Currency value) { return value.ToGeneralString(); }
std::string General(long double value) { return FormatGeneral(value); }

// The image name without its extension (the last "." and what follows).
std::string TextureName(const std::string& imageName) {
  const size_t dot = imageName.rfind('.');
  return dot == std::string::npos ? imageName : imageName.substr(0, dot);
}

void AppendFaceStart(StringList& lines, const std::string& imageName) {
  lines.emplace_back();
  lines.push_back("TEXTURE " + TextureName(imageName));
}

void AppendVertex(StringList& lines, const TUvPoint& uv, const TTriPoint& p) {
  lines.push_back(General(static_cast<long double>(uv.U)) + " " +
                  General(static_cast<long double>(uv.V)) + " " + std::to_string(p.X) + " " +
                  std::to_string(p.Y) + " " + std::to_string(p.Z));
}

// Builds the whole file in memory first, so that nothing is written when any part fails.
template <typename Body>
void SaveFmsScene(const JobSettings& settings, const SceneMesh& mesh, const JobContext& context,
                  TSceneType type, Body body) {
  const std::string& fileName = settings.SceneFilename;
  StringList lines;
  size_t kept = 0, keptCount = 0;
  try {
    RequireSceneMesh(mesh, settings, type == stSphere);
    JobSettings values = settings;
    values.SceneType = type;
    kept = WriteFmsHeader(lines, values);
    keptCount = values.GroundDataLines.size();
    WriteFmsGround(lines, values);
    body(lines, values);
    WriteFmsVista(lines, values);
    lines.emplace_back();
    lines.push_back("END");
  } catch (const Error& e) {
    throw Error("cannot write '" + fileName + "': " + e.what());
  }
  context.CheckCancelled();
  SaveTextLines(fileName, lines, kept, keptCount);
  context.Progress(ProgressStep::FileWritten, 0, 0, fileName);
}

}  // namespace

size_t WriteFmsHeader(StringList& lines, const JobSettings& v) {
  lines.emplace_back();
  lines.push_back(kHeaderRule);
  lines.push_back("// FMS version 2.8 scene file created by Talvero.exe");
  lines.push_back("//");
  lines.push_back(
      "// Line sf_SceneType .. sf_TextureBasename, Talvero.exe read it, please do not change.");
  lines.push_back(EnumHeaderLine("sf_SceneType", v.SceneType));
  if (v.SceneType == stCube) lines.push_back(EnumHeaderLine("sf_CubeSuffix", v.CubeSuffix));
  AppendParameterLines(lines, sfFMS, v.FMSData);
  AppendJobOptionLines(lines, v);
  const size_t groundData = lines.size();
  lines.insert(lines.end(), v.GroundDataLines.begin(), v.GroundDataLines.end());
  lines.push_back(HeaderLine("sf_TextureBasename", QuotedHeaderText(v.TextureBasename)));
  lines.push_back(kHeaderRule);
  lines.emplace_back();
  return groundData;
}

void WriteFmsGround(StringList& lines, const JobSettings& settings) {
  const TFMSDataHolder& v = settings.FMSData;
  const long double g = 1.5L * v.GetAreaRadius();
  const std::string gs = General(g);
  const TExtVector n =
      RotateExtVector({0, 0, 1}, v.GetSlopeX().ToLongDouble(), v.GetSlopeY().ToLongDouble(), 0);
  const long double z = v.GetAirCraftZ().ToLongDouble();
  // Height of the sloped plane through the aircraft, cut (not rounded) to tenths.
  auto height = [&](long double x, long double y) {
    const long double tenths = n.Z == 0 ? NAN : std::truncl((z - (n.X * x + n.Y * y) / n.Z) * 10);
    if (!(tenths >= -9223372036854775808.0L && tenths < 9223372036854775808.0L))
      throw Error("the ground slopes (SlopeX " + General(v.GetSlopeX()) + ", SlopeY " +
                  General(v.GetSlopeY()) +
                  ") make the ground vertical, so its heights cannot be written; use slopes "
                  "between -90 and 90 degrees");
    return FormatGeneralDigits(ExactDecimalDigits(static_cast<int64_t>(tenths), 1));
  };
  const std::string h0 = height(g, -g), h1 = height(-g, -g), h2 = height(-g, g), h3 = height(g, g);

  lines.push_back("AIRCRAFT_POSITION  " + General(v.GetAirCraftX()) + "  " +
                  General(v.GetAirCraftY()) + "  " + General(v.GetAirCraftZ()) + "  " +
                  General(v.GetAirCraftZ() + Currency::FromInt(1)));
  lines.push_back("PILOT_POSITION      0  0  " + General(v.GetPilotZ()) + "  FIXED");
  for (const char* line : {"", "QUADS", "", "// ground"}) lines.push_back(line);
  lines.push_back(" " + gs + " -" + gs + "  " + h0);
  lines.push_back("-" + gs + " -" + gs + "  " + h1);
  lines.push_back("-" + gs + "  " + gs + "  " + h2);
  lines.push_back(" " + gs + "  " + gs + "  " + h3);
  for (const char* line : {"", "LIGHTNING OFF", "", "// u v x y z", ""}) lines.push_back(line);
}

void WriteFmsBottom(StringList& lines, const JobSettings& settings) {
  const int32_t radius = settings.FMSData.GetAreaRadius();
  const std::string rs = std::to_string(radius);
  const auto zs = RoundHalfEvenToInt64(radius / std::sqrt(2.0L) + 1);
  const std::string z = " -" + std::to_string(zs.value_or(0));
  lines.emplace_back();
  lines.push_back("// bottom");
  lines.push_back("0 255 -" + rs + "  " + rs + z);
  lines.push_back("0 255 -" + rs + " -" + rs + z);
  lines.push_back("0 255  " + rs + " -" + rs + z);
  lines.push_back("0 255  " + rs + "  " + rs + z);
}

void WriteFmsVista(StringList& lines, const JobSettings& settings) {
  const std::string zv = General(settings.FMSData.GetAirCraftZ() - Currency::FromInt(1));
  lines.emplace_back();
  lines.push_back("// for windows vista");
  lines.push_back("TEXTURE fms_vista");
  for (const char* xy : {" -1 -1", " -1  1", "  1  1", "  1 -1"})
    lines.push_back(std::string("0 254") + xy + "  " + zv);
}

void WriteFmsCube(const JobSettings& settings, const SceneMesh& mesh, const JobContext& context) {
  SaveFmsScene(settings, mesh, context, stCube, [&](StringList& lines, const JobSettings&) {
    const auto& top = mesh.Vertices[0];
    const auto& bottom = mesh.Vertices[1];
    const auto& uv = mesh.FaceUv;
    const StringList& names = settings.ImageNames;
    auto face = [&](const std::string& name, const TTriPoint& a, const TTriPoint& b,
                    const TTriPoint& c, const TTriPoint& d) {
      AppendFaceStart(lines, name);
      AppendVertex(lines, uv[0][0], a);
      AppendVertex(lines, uv[0][1], b);
      AppendVertex(lines, uv[1][1], c);
      AppendVertex(lines, uv[1][0], d);
    };
    for (int k = 0; k < 4; ++k)
      face(names[k], top[k], bottom[k], bottom[(k + 1) % 4], top[(k + 1) % 4]);
    face(names[4], top[0], top[1], top[2], top[3]);
    face(names[5], bottom[1], bottom[0], bottom[3], bottom[2]);
  });
}

void WriteFmsSphere(const JobSettings& settings, const SceneMesh& mesh, const JobContext& context) {
  SaveFmsScene(
      settings, mesh, context, stSphere, [&](StringList& lines, const JobSettings& values) {
        const TmxTriPoint& ring = mesh.Vertices;
        const StringList& names = settings.ImageNames;
        size_t name = 0;
        // One tile: 4 quad rows of `width` quads from (firstRing, firstColumn), uv from `table`.
        auto tile = [&](int firstRing, int firstColumn, int width, const TmxUvPoint& table) {
          AppendFaceStart(lines, names[name++]);
          for (int q = 0; q < 4; ++q)
            for (int r = 0; r < width; ++r) {
              const int i = firstRing + q, j = firstColumn + r, next = (j + 1) % 32;
              AppendVertex(lines, table[q][r], ring[i][j]);
              AppendVertex(lines, table[q + 1][r], ring[i + 1][j]);
              AppendVertex(lines, table[q + 1][r + 1], ring[i + 1][next]);
              AppendVertex(lines, table[q][r + 1], ring[i][next]);
            }
        };
        for (int p = 0; p < 4; ++p) tile(0, 8 * p, 8, mesh.TopBandUv);
        for (int band = 1; band <= 2; ++band)
          for (int p = 0; p < 8; ++p) tile(4 * band, 4 * p, 4, mesh.FaceUv);
        WriteFmsBottom(lines, values);
      });
}

}  // namespace talvero
