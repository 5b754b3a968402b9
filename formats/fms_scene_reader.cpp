// Reads an FMS scene file back into the job: the "sf_" header of files written here, or
// the aircraft, pilot, ground and first texture of scene files of other origin.
#include <optional>

#include "engine/sim_filer.h"
#include "formats/fms_scene.h"
#include "formats/line_file.h"
#include "formats/line_tokenizer.h"
#include "formats/scene_header.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/string_utils.h"
#include "support/text_catalogue.h"
#include "support/text_encoding.h"

namespace talvero {

namespace {

const char* const kUnusableScene = "Talvero.exe では扱えないシーンファイルです。";

// Offset of the first symbol `name` at or after `from` in the line; npos when there is none.
// Only ground-data markers are looked for this way: a line the tokenizer refuses holds no
// marker from the point of refusal on, and is not an error here.
size_t FindSymbol(const std::string& line, std::string_view name, size_t from = 0) {
  try {
    for (LineTokenizer t(line); !t.AtEnd(); t.Next())
      if (t.Position() >= from && t.IsSymbol(name)) return t.Position();
  } catch (const Error&) {
  }
  return std::string::npos;
}

struct FmsReader {
  TSimFiler& filer;
  const StringList& bytes;    // the lines as the file holds them
  const StringList& lines;    // decoded
  size_t dataEnd = 0;         // lines before it belong to a ground-data block
  bool unterminated = false;  // a block start without an end: no later start has one
  bool quadsPending = false;
  bool positionSeen = false;
  long double positionZ = 0;
  size_t errorLine = 0;  // 0-based index of the line an error belongs to

  Currency Fixed(long double value) const { return Currency::FromLongDouble(value); }

  void AircraftPosition(LineTokenizer& t) {
    do t.Next();
    while (!t.AtEnd() && !t.IsNumber());
    if (t.IsNumber()) {
      filer.FMSData().SetAirCraftX(Fixed(t.NumberValue()));
      t.Next();
      if (t.IsNumber()) {
        filer.FMSData().SetAirCraftY(Fixed(t.NumberValue()));
        t.Next();
      }
    }
    filer.SetSceneFormat(sfFMS);
  }

  void PilotPosition(LineTokenizer& t) {
    t.Skip(3);
    if (t.IsNumber()) filer.FMSData().SetPilotZ(Fixed(t.NumberValue()));
  }

  void Position(LineTokenizer& t) {
    positionSeen = true;
    t.Skip(3);
    if (t.IsNumber()) positionZ = t.NumberValue();
    t.SkipToEnd();
  }

  // The aircraft stands on the mean height of the first ground quad: the third number of
  // each of its four lines. Lines past the end of a truncated file count as lines without
  // a height.
  void GroundQuad(size_t first) {
    long double sum = 0;
    for (size_t i = first; i < first + 4 && i < lines.size(); ++i) {
      errorLine = i;
      LineTokenizer corner(lines[i]);
      corner.Skip(2);
      if (corner.IsNumber()) sum += corner.NumberValue();
    }
    errorLine = first;
    filer.FMSData().SetAirCraftZ(Fixed(positionZ + sum / 4));
    quadsPending = false;
  }

  bool Texture(LineTokenizer& t) {
    t.Next();
    const std::string rest(t.Rest());
    const std::string suffix = AfterLastUnderscore(rest);
    const char first = suffix.empty() ? '\0' : suffix[0];
    bool known = false;
    if (suffix.size() == 1) {
      known = first >= '0' && first <= '5';
      if (known) filer.SetSceneType(stCube);
    } else if (first == '1' || first == '2' || first == '3') {
      known = true;
      filer.SetSceneType(stSphere);
    } else if (!suffix.empty() &&
               std::string_view("BFLRTbflrt").find(first) != std::string_view::npos) {
      known = true;
      filer.SetSceneType(stCube);
    }
    if (!known) {
      filer.ShowError(Localized("TEXTURE セクションの画像ファイル名が判別できません。\r\n%1",
                                {Localized(kUnusableScene)}));
      return false;
    }
    filer.SetTextureBasename(BeforeLastUnderscore(rest));
    return true;
  }

  // The ground-data block that starts on line i: from the line holding "sf_GroundDataStart"
  // to the line holding the next "sf_GroundDataEnd", both whole. Its lines are data, kept as
  // bytes and never read for keys: the writer copies them into every later header, where a
  // key would be read again and override the job's own values. A start without an end makes
  // no block. Returns whether line i starts one.
  bool GroundDataBlock(size_t i) {
    if (unterminated) return false;
    const size_t start = FindSymbol(lines[i], "sf_GroundDataStart");
    if (start == std::string::npos) return false;
    size_t last = i;
    if (FindSymbol(lines[i], "sf_GroundDataEnd", start + 1) == std::string::npos) {
      do ++last;
      while (last < lines.size() &&
             FindSymbol(lines[last], "sf_GroundDataEnd") == std::string::npos);
      if (last == lines.size()) {
        unterminated = true;
        return false;
      }
    }
    StringList& kept = filer.GroundDataLines();
    kept.insert(kept.end(), bytes.begin() + i, bytes.begin() + last + 1);
    dataEnd = last + 1;
    return true;
  }

  // Runs the checks on every token of line i; a value means reading ends with that result.
  std::optional<bool> Line(size_t i) {
    if (i < dataEnd || GroundDataBlock(i)) return std::nullopt;
    LineTokenizer t(lines[i]);
    // Each check looks at the token where the previous one left the tokenizer.
    while (!t.AtEnd()) {
      if (t.IsSymbol("sf_SceneType")) {
        ResetJobOptions(filer);
        filer.SetSceneType(ReadOrdinalValue<TSceneType>(t, "sf_SceneType"));
      }
      ReadJobOption(t, filer);
      if (t.IsSymbol("sf_CubeSuffix"))
        filer.SetCubeSuffix(ReadOrdinalValue<TCubeSuffix>(t, "sf_CubeSuffix"));
      ReadParameterValue(t, sfFMS, filer.FMSData());
      if (t.IsSymbol("sf_TextureBasename")) {
        filer.SetTextureBasename(ReadStringValue(t));
        return true;
      }
      if (t.IsSymbol("AIRCRAFT_POSITION")) AircraftPosition(t);
      if (t.IsSymbol("PILOT_POSITION")) PilotPosition(t);
      if (t.Kind() == TokenKind::Float && t.Text() == "3D") {
        t.Next();
        if (t.IsSymbol("_LANDSCAPE")) {
          filer.ShowError(Localized("3D_LANDSCAPE セクションが見つかりました。\r\n%1",
                                    {Localized(kUnusableScene)}));
          return false;
        }
      }
      if (t.IsSymbol("QUADS")) quadsPending = true;
      if (t.IsSymbol("POSITION") && !positionSeen) Position(t);
      if (t.IsNumber() && quadsPending) GroundQuad(i);
      if (t.IsSymbol("TEXTURE")) return Texture(t);
      t.Next();
    }
    return std::nullopt;
  }
};

}  // namespace

bool ReadFmsScene(TSimFiler& filer, const std::string& fileName) {
  if (!FileExists(fileName)) return false;
  filer.GroundDataLines().clear();
  const StringList bytes = LoadFileLines(fileName);
  StringList lines;
  lines.reserve(bytes.size());
  for (const std::string& line : bytes) lines.push_back(Cp932ToUtf8(line));
  FmsReader reader{filer, bytes, lines};
  for (size_t i = 0; i < lines.size(); ++i) {
    reader.errorLine = i;
    try {
      if (const auto result = reader.Line(i)) return *result;
    } catch (...) {
      RethrowAtLine(fileName, reader.errorLine + 1);
    }
  }
  return false;
}

}  // namespace talvero
