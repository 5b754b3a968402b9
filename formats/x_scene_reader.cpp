// Reads a DirectX mesh ".x" back into the job: the "sf_" comment block of files written here,
// or, for meshes of other origin, the scene type and ground height guessed from the mesh and
// the base name taken from the first texture.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "engine/sim_filer.h"
#include "formats/line_file.h"
#include "formats/line_tokenizer.h"
#include "formats/rcp_scene.h"
#include "formats/scene_header.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/string_utils.h"

namespace talvero {

namespace {

// True when lines[i] exists and starts with a double quote.
bool StartsWithQuote(const std::string& fileName, const StringList& lines, size_t i) {
  return i < lines.size() &&
         AtLine(fileName, i, [&] { return LineTokenizer(lines[i]).IsCharacter('"'); });
}

// The vertex's y on a vertex line: its second float (integer tokens do not count).
std::optional<long double> VertexY(const std::string& line) {
  LineTokenizer t(line);
  for (int floats = 0; !t.AtEnd(); t.Next())
    if (t.Kind() == TokenKind::Float && ++floats == 2) return t.NumberValue();
  return std::nullopt;
}

// The horizontal quads of the vertex lines, each line read once. Every "Mesh" line takes the
// lines after its count as its vertices, up to the end of the file; read again for each of
// them, a file of many such lines cost the square of its size.
class VertexQuads {
 public:
  VertexQuads(const std::string& fileName, const StringList& lines)
      : FFileName(fileName), FLines(lines) {}

  struct Flat {
    size_t Count = 0;                // horizontal quads (four vertices of one y)
    std::vector<long double> First;  // the y of the first three of them
  };

  // The vertices of lines [first, end) taken four at a time, as one mesh reads them. The
  // error of the first line in the range that cannot be read is raised, located.
  Flat Among(size_t first, size_t end) {
    if (first < FStart) Restart(first);
    ReadUpTo(end);
    if (const auto bad = std::lower_bound(FBadLines.begin(), FBadLines.end(), first);
        bad != FBadLines.end() && *bad < end)
      AtLine(FFileName, *bad, [&] { VertexY(FLines[*bad]); });
    const auto compact = [this](size_t line) {
      return static_cast<size_t>(std::lower_bound(FYLines.begin(), FYLines.end(), line) -
                                 FYLines.begin());
    };
    const size_t from = compact(first), to = compact(end);
    Flat flat;
    if (to - from < 4) return flat;
    // The quads start at from, from + 4, ...; the last one ends at or before `to`.
    const size_t last = from + (to - from) / 4 * 4 - 4;
    const std::vector<size_t>& starts = FFlatStarts[from % 4];
    const auto begin = std::lower_bound(starts.begin(), starts.end(), from);
    const auto stop = std::upper_bound(begin, starts.end(), last);
    flat.Count = static_cast<size_t>(stop - begin);
    for (auto it = begin; it != stop && flat.First.size() < 3; ++it) flat.First.push_back(FY[*it]);
    return flat;
  }

 private:
  void Restart(size_t first) {
    FStart = FRead = first;
    FYLines.clear();
    FY.clear();
    FBadLines.clear();
    for (auto& starts : FFlatStarts) starts.clear();
  }

  void ReadUpTo(size_t end) {
    for (; FRead < end; ++FRead) {
      std::optional<long double> y;
      try {
        y = VertexY(FLines[FRead]);
      } catch (const Error&) {
        FBadLines.push_back(FRead);  // raised when a mesh reaches it
        continue;
      }
      if (!y) continue;
      FYLines.push_back(FRead);
      FY.push_back(*y);
      const size_t n = FY.size();
      if (n >= 4 && FY[n - 4] == FY[n - 3] && FY[n - 4] == FY[n - 2] && FY[n - 4] == FY[n - 1])
        FFlatStarts[(n - 4) % 4].push_back(n - 4);
    }
  }

  const std::string& FFileName;
  const StringList& FLines;
  size_t FStart = SIZE_MAX, FRead = 0;  // the lines [FStart, FRead) are read
  std::vector<size_t> FYLines;          // the lines that hold a y, in order
  std::vector<long double> FY;          // their y
  std::vector<size_t> FFlatStarts[4];   // indexes into FY of the horizontal quads, by index % 4
  std::vector<size_t> FBadLines;
};

// For ".x" files without the comment block: the scene type and the ground from the
// horizontal quads of the mesh whose "Mesh" line is lines[i]; nothing without a vertex count.
void AnalyseXMesh(TSimFiler& filer, const std::string& fileName, const StringList& lines,
                  size_t i, VertexQuads& quads) {
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

  const VertexQuads::Flat flat = quads.Among(i + 2, i + 2 + vertexLines);
  std::vector<long double> levels = flat.First;
  std::sort(levels.begin(), levels.end(), std::greater<>());
  long double y = 0;
  if (flat.Count == 3) {
    // Top, ground and bottom of a cube: the aircraft stands on the middle one.
    filer.SetSceneType(stCube);
    y = levels[1];
  } else {
    // Otherwise the highest of the first three kept.
    filer.SetSceneType(stSphere);
    if (!levels.empty()) y = levels[0];
  }
  AtLine(fileName, i, [&] { filer.RCPData().SetAirCraftY(Currency::FromLongDouble(y)); });
}

}  // namespace

bool ReadXScene(TSimFiler& filer, const std::string& fileName) {
  if (!FileExists(fileName)) return false;
  const StringList lines = LoadTextLines(fileName);
  VertexQuads quads(fileName, lines);
  for (size_t i = 0; i < lines.size(); ++i) {
    LineTokenizer t = AtLine(fileName, i, [&] { return LineTokenizer(lines[i]); });
    // Each check looks at the token where the previous one left the tokenizer.
    while (!t.AtEnd()) {
      const bool headerDone = AtLine(fileName, i, [&] {
        if (t.IsSymbol("sf_SceneType")) {
          ResetJobOptions(filer);
          filer.SetSceneType(ReadOrdinalValue<TSceneType>(t, "sf_SceneType"));
        }
        ReadJobOption(t, filer);
        if (t.IsSymbol("sf_CubeSuffix"))
          filer.SetCubeSuffix(ReadOrdinalValue<TCubeSuffix>(t, "sf_CubeSuffix"));
        ReadParameterValue(t, sfRCP, filer.RCPData());
        if (!t.IsSymbol("sf_TextureBasename")) return false;
        filer.SetTextureBasename(ReadStringValue(t));
        return true;
      });
      if (headerDone) return true;
      if (t.Position() == 0 && t.IsSymbol("Mesh")) AnalyseXMesh(filer, fileName, lines, i, quads);
      if (t.IsSymbol("TextureFilename") && StartsWithQuote(fileName, lines, i + 1)) {
        ReadXTextureName(filer, fileName, lines, i);
        return true;
      }
      AtLine(fileName, i, [&] { t.Next(); });
    }
  }
  return false;
}

void ReadXTextureName(TSimFiler& filer, const std::string& fileName, const StringList& lines,
                      size_t i) {
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
  filer.SetTextureBasename(BeforeLastUnderscore(name));
  if (filer.GetSceneType() == stCube)
    filer.SetCubeSuffix(AfterLastUnderscore(name).size() == 1 ? csZero : csLeft);
}

}  // namespace talvero
