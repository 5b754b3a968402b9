// Reads a DirectX mesh ".x" back into the job: the "sf_" comment block of files written here,
// or, for meshes of other origin, the scene type and ground height guessed from the mesh and
// the base name taken from the first texture.
#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>

#include "engine/sim_filer.h"
#include "formats/line_file.h"
#include "formats/line_tokenizer.h"
#include "formats/scene_header.h"
#include "support/file_util.h"
#include "support/string_utils.h"

namespace talvero {

namespace {

// True when lines[i] exists and starts with a double quote.
bool StartsWithQuote(const std::string& fileName, const StringList& lines, size_t i) {
  return i < lines.size() &&
         AtLine(fileName, i, [&] { return LineTokenizer(lines[i]).IsCharacter('"'); });
}

}  // namespace

bool TSimFiler::ReadXScene(const std::string& fileName) {
  if (!FileExists(fileName)) return false;
  const StringList lines = LoadTextLines(fileName);
  TRCPDataHolder& data = RCPData();
  using Setter = void (TRCPDataHolder::*)(Currency);
  static const std::pair<const char*, Setter> kNumbers[] = {
      {"sf_SceneRotate", &TRCPDataHolder::SetSceneRotate},
      {"sf_SlopeX", &TRCPDataHolder::SetSlopeX},
      {"sf_SlopeZ", &TRCPDataHolder::SetSlopeZ},
      {"sf_AirCraftX", &TRCPDataHolder::SetAirCraftX},
      {"sf_AirCraftY", &TRCPDataHolder::SetAirCraftY},
      {"sf_AirCraftZ", &TRCPDataHolder::SetAirCraftZ}};

  for (size_t i = 0; i < lines.size(); ++i) {
    LineTokenizer t = AtLine(fileName, i, [&] { return LineTokenizer(lines[i]); });
    // Each check looks at the token where the previous one left the tokenizer.
    while (!t.AtEnd()) {
      const bool headerDone = AtLine(fileName, i, [&] {
        if (t.IsSymbol("sf_SceneType"))
          SetSceneType(ReadOrdinalValue<TSceneType>(t, "sf_SceneType"));
        if (t.IsSymbol("sf_CubeSuffix"))
          SetCubeSuffix(ReadOrdinalValue<TCubeSuffix>(t, "sf_CubeSuffix"));
        if (t.IsSymbol("sf_AreaRadius")) data.SetAreaRadius(ReadInt32Value(t, "sf_AreaRadius"));
        for (const auto& [key, setter] : kNumbers)
          if (t.IsSymbol(key)) (data.*setter)(Currency::FromLongDouble(ReadNumberValue(t)));
        if (!t.IsSymbol("sf_TextureBasename")) return false;
        SetTextureBasename(ReadStringValue(t));
        return true;
      });
      if (headerDone) return true;
      if (t.Position() == 0 && t.IsSymbol("Mesh")) AnalyseXMesh(fileName, lines, i);
      if (t.IsSymbol("TextureFilename") && StartsWithQuote(fileName, lines, i + 1)) {
        ReadXTextureName(fileName, lines, i);
        return true;
      }
      AtLine(fileName, i, [&] { t.Next(); });
    }
  }
  return false;
}

void TSimFiler::AnalyseXMesh(const std::string& fileName, const StringList& lines, size_t i) {
  if (i + 1 >= lines.size()) return;
  const std::optional<int64_t> announced = AtLine(fileName, i + 1, [&] {
    const LineTokenizer t(lines[i + 1]);
    return t.Kind() == TokenKind::Integer ? std::optional(t.IntValue()) : std::nullopt;
  });
  if (!announced) return;
  // A negative count lists no vertex, as 0 does.
  const int64_t count = std::max<int64_t>(*announced, 0);
  // A count beyond the end of the file (a damaged file, or several vertices to a line) is
  // cut to the lines there are: the file is never read past its end.
  const size_t available = lines.size() - (i + 2);
  const size_t vertexLines =
      static_cast<uint64_t>(count) < available ? static_cast<size_t>(count) : available;

  std::vector<long double> levels;  // the y of horizontal quads, at most three kept
  size_t levelCount = 0;
  long double quad[4];
  int collected = 0;
  for (size_t k = i + 2; k < i + 2 + vertexLines; ++k)
    AtLine(fileName, k, [&] {
      // The second float of the line is the vertex's y; integer tokens do not count.
      LineTokenizer t(lines[k]);
      for (int floats = 0; !t.AtEnd(); t.Next())
        if (t.Kind() == TokenKind::Float && ++floats == 2) break;
      if (t.AtEnd()) return;
      quad[collected++] = t.NumberValue();
      if (collected < 4) return;
      collected = 0;
      if (quad[0] == quad[1] && quad[0] == quad[2] && quad[0] == quad[3]) {
        if (levels.size() < 3) levels.push_back(quad[0]);
        ++levelCount;
      }
    });
  std::sort(levels.begin(), levels.end(), std::greater<>());

  long double y = 0;
  if (levelCount == 3) {
    // Top, ground and bottom of a cube: the aircraft stands on the middle one.
    SetSceneType(stCube);
    y = levels[1];
  } else {
    SetSceneType(stSphere);
    if (!levels.empty()) y = levels[0];
  }
  AtLine(fileName, i, [&] { RCPData().SetAirCraftY(Currency::FromLongDouble(y)); });
}

void TSimFiler::ReadXTextureName(const std::string& fileName, const StringList& lines, size_t i) {
  if (i + 1 >= lines.size()) return;
  // The first symbol of the line: the image name up to its first period (or other character
  // that cannot continue a symbol). Characters beyond ASCII count as letters, so that a
  // Japanese name is kept whole rather than cut to the symbol after it.
  const std::string& line = lines[i + 1];
  const auto inName = [](unsigned char c) { return c >= 0x80 || c == '_' || std::isalnum(c); };
  const std::string name = AtLine(fileName, i + 1, [&] {
    for (LineTokenizer t(line); !t.AtEnd(); t.Next()) {
      const unsigned char first = static_cast<unsigned char>(line[t.Position()]);
      if (t.Kind() != TokenKind::Symbol && first < 0x80) continue;
      size_t end = t.Position();
      while (end < line.size() && inName(static_cast<unsigned char>(line[end]))) ++end;
      return line.substr(t.Position(), end - t.Position());
    }
    return std::string();
  });
  if (name.empty()) return;
  SetTextureBasename(BeforeLastUnderscore(name));
  if (GetSceneType() == stCube)
    SetCubeSuffix(AfterLastUnderscore(name).size() == 1 ? csZero : csLeft);
}

}  // namespace talvero
