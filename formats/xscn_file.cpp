// The RCPSim settings file ".xscn": light settings and the aircraft's start position, with
// Japanese comments (code page 932 on disk).
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

std::string Triple(const TColorTriple& c) {
  return FormatXscnNumber(c.R) + "," + FormatXscnNumber(c.G) + "," + FormatXscnNumber(c.B);
}

Currency Fixed(const LineTokenizer& t) { return Currency::FromLongDouble(t.NumberValue()); }

// Three values, each two tokens on (over "=" or ","), as in "Diffuse=1.0,1.0,1.0".
TColorTriple ReadColor(LineTokenizer& t) {
  Currency c[3];
  for (Currency& value : c) {
    t.Skip(2);
    value = Fixed(t);
  }
  return {c[0], c[1], c[2]};
}

// At "Light": the key follows the period.
void ReadLight(TRCPDataHolder& data, LineTokenizer& t) {
  t.Skip(2);
  if (t.IsSymbol("Direction")) {
    int32_t d[3];
    for (int32_t& value : d) {
      t.Skip(2);
      value = CheckedInt32(t.IntValue(), "Light.Direction");
    }
    data.SetLightDirection({d[0], d[1], d[2]});
  } else if (t.IsSymbol("Diffuse")) {
    data.SetLightDiffuse(ReadColor(t));
  } else if (t.IsSymbol("Specular")) {
    data.SetLightSpecular(ReadColor(t));
  } else if (t.IsSymbol("Ambient")) {
    data.SetLightAmbient(ReadColor(t));
  }
}

// At "Plane": "Position=X,0,Z" (the Y value is not used) or "Direction=degrees".
void ReadPlane(TRCPDataHolder& data, LineTokenizer& t) {
  t.Skip(2);
  if (t.IsSymbol("Position")) {
    t.Skip(2);
    data.SetAirCraftX(Fixed(t));
    t.Skip(4);
    data.SetAirCraftZ(Fixed(t));
  } else if (t.IsSymbol("Direction")) {
    t.Skip(2);
    data.SetAirCraftRotate(Fixed(t));
  }
}

}  // namespace

std::string FormatXscnNumber(Currency value) {
  const std::string general = value.ToGeneralString();
  return HasPeriod(general) ? general : value.ToFixedString(1);
}

StringList XscnLines(const JobSettings& settings) {
  const TRCPDataHolder& v = settings.RCPData;
  const TIntVector d = v.GetLightDirection();
  return {
      "//xファイルの座標系で設定",
      "//X=画面の右方向",
      "//Y=画面の上方向",
      "//Z=画面の奥方向",
      "//視点は原点に固定",
      "//地面は、風景のXファイルに透明のポリゴンで指定",
      "//現在のところ、水平な地面だけに対応しています。",
      "",
      "//機体用のライト設定(R,G,Bは0～1の範囲)",
      "Light.Direction=" + std::to_string(d.X) + "," + std::to_string(d.Y) + "," +
          std::to_string(d.Z) + "\t\t//光線の進行方向X,Y,Z(m)",
      "Light.Diffuse=" + Triple(v.GetLightDiffuse()) + "\t//3D光の色 R,G,B",
      "Light.Specular=" + Triple(v.GetLightSpecular()) + "\t//反射光の色 R,G,B",
      "Light.Ambient=" + Triple(v.GetLightAmbient()) + "\t//均一光の色 R,G,B",
      "",
      "//機体の初期位置",
      "Plane.Position=" + FormatXscnNumber(v.GetAirCraftX()) + ",0," +
          FormatXscnNumber(v.GetAirCraftZ()) + "\t\t//位置X,Y,Z(m)、Yは未使用",
      "Plane.Direction=" + FormatXscnNumber(v.GetAirCraftRotate()) + "\t\t//向き(deg)、右まわり",
  };
}

void WriteXscn(const JobSettings& settings, const JobContext& context) {
  const std::string fileName = XscnFileName(settings.SceneFilename);
  const StringList lines = XscnLines(settings);
  context.CheckCancelled();
  SaveTextLines(fileName, lines);
  context.Progress(ProgressStep::FileWritten, 0, 0, fileName);
}

bool ReadXscn(TSimFiler& filer, const std::string& fileName) {
  const StringList lines = LoadTextLines(fileName);
  TRCPDataHolder& data = filer.RCPData();
  bool result = false;
  for (size_t i = 0; i < lines.size(); ++i)
    AtLine(fileName, i, [&] {
      // Keys count wherever they stand in the line.
      for (LineTokenizer t(lines[i]); !t.AtEnd(); t.Next()) {
        if (t.IsSymbol("Light")) ReadLight(data, t);
        if (t.IsSymbol("Plane")) {
          ReadPlane(data, t);
          result = true;
        }
      }
    });
  return result;
}

}  // namespace talvero
