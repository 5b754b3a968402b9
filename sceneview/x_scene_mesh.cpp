// The geometry of a DirectX text mesh ".x": every Mesh (inside Frames, with their transform
// matrices), its faces, materials and texture coordinates. RCPSim has y up and looks from
// the origin; a material without image and with zero opacity is its ground.
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string_view>

#include "formats/line_file.h"
#include "formats/rcp_scene.h"
#include "sceneview/scene_model.h"
#include "sceneview/scene_model_building.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/number_format.h"
#include "support/string_utils.h"

namespace talvero {

namespace {

// Longest face the reader takes (a fan of triangles); far above anything a modeller writes.
constexpr int64_t kMaxFaceCorners = 1024;

// Other: any single character of the template syntax ([, ], ...), meaningless in data.
enum class XToken { End, Name, Number, String, Open, Close, Guid, Other };

class XLexer {
 public:
  XLexer(const std::string& fileName, std::string text)
      : FFileName(fileName), FText(std::move(text)) {
    Advance();
  }

  XToken Kind() const { return FKind; }
  const std::string& Text() const { return FTokenText; }
  void Advance();

  [[noreturn]] void Fail(const std::string& problem) const { FailAt(FTokenLine, problem); }
  [[noreturn]] void FailAt(size_t line, const std::string& problem) const {
    throw ParseError("'" + FFileName + "', line " + std::to_string(line) + ": " + problem);
  }

  // The next number, passing over the list separators.
  double NumberValue() {
    if (FKind != XToken::Number) Fail("a number was expected, not " + Describe());
    const auto value = ParseFloat(FTokenText);
    if (!value || !std::isfinite(static_cast<double>(*value)))
      Fail("'" + FTokenText + "' is not a number");
    Advance();
    return static_cast<double>(*value);
  }
  int64_t CountValue(int64_t limit, const char* what) {
    const size_t line = FTokenLine;
    const double value = NumberValue();
    if (value != std::floor(value) || value < 0 || value > static_cast<double>(limit))
      FailAt(line, std::string("the ") + what + " count must be a whole number from 0 to " +
                       std::to_string(limit));
    return static_cast<int64_t>(value);
  }
  std::string Describe() const {
    switch (FKind) {
      case XToken::End:
        return "the end of the file";
      case XToken::Open:
        return "'{'";
      case XToken::Close:
        return "'}'";
      default:
        return "'" + FTokenText + "'";
    }
  }
  void Expect(XToken kind, const char* what) {
    if (FKind != kind) Fail(std::string(what) + " was expected, not " + Describe());
    Advance();
  }
  // Passes over the rest of an object whose "{" has been read, nested objects included.
  void SkipObject() {
    int depth = 1;
    while (depth > 0) {
      if (FKind == XToken::End) Fail("the file ends inside an object");
      if (FKind == XToken::Open) ++depth;
      if (FKind == XToken::Close) --depth;
      Advance();
    }
  }

 private:
  const std::string& FFileName;
  std::string FText;
  size_t FPos = 0;
  size_t FLine = 1;
  size_t FTokenLine = 1;
  XToken FKind = XToken::End;
  std::string FTokenText;
};

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         static_cast<unsigned char>(c) >= 0x80;
}

void XLexer::Advance() {
  // Separators, blanks and comments count for nothing between tokens.
  for (;;) {
    while (FPos < FText.size() && (static_cast<unsigned char>(FText[FPos]) <= ' ' ||
                                   FText[FPos] == ';' || FText[FPos] == ',')) {
      if (FText[FPos] == '\n') ++FLine;
      ++FPos;
    }
    const bool slashes = FText.compare(FPos, 2, "//") == 0;
    if (FPos < FText.size() && (slashes || FText[FPos] == '#')) {
      while (FPos < FText.size() && FText[FPos] != '\n') ++FPos;
      continue;
    }
    break;
  }
  FTokenLine = FLine;
  FTokenText.clear();
  if (FPos >= FText.size()) {
    FKind = XToken::End;
    return;
  }
  const char c = FText[FPos];
  if (c == '{' || c == '}') {
    FKind = c == '{' ? XToken::Open : XToken::Close;
    FTokenText = c;
    ++FPos;
  } else if (c == '"') {
    const size_t end = FText.find('"', FPos + 1);
    if (end == std::string::npos || FText.find('\n', FPos) < end) Fail("a string has no end");
    FKind = XToken::String;
    FTokenText = FText.substr(FPos + 1, end - FPos - 1);
    FPos = end + 1;
  } else if (c == '<') {
    const size_t end = FText.find('>', FPos);
    if (end == std::string::npos) Fail("a GUID has no closing '>'");
    FKind = XToken::Guid;
    FPos = end + 1;
  } else if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') {
    const size_t start = FPos;
    while (FPos < FText.size() &&
           ((FText[FPos] >= '0' && FText[FPos] <= '9') || FText[FPos] == '.' ||
            FText[FPos] == 'e' || FText[FPos] == 'E' || FText[FPos] == '-' || FText[FPos] == '+'))
      ++FPos;
    FKind = XToken::Number;
    FTokenText = FText.substr(start, FPos - start);
  } else if (IsNameStart(c) || static_cast<unsigned char>(c) >= 0x80) {
    const size_t start = FPos;
    while (FPos < FText.size() && IsNameChar(FText[FPos])) ++FPos;
    FKind = XToken::Name;
    FTokenText = FText.substr(start, FPos - start);
  } else {
    FKind = XToken::Other;
    FTokenText = c;
    ++FPos;
  }
}

// A row-vector transform, as DirectX writes its matrices: p' = p · M.
struct Matrix {
  std::array<double, 16> M{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  Vec3 Apply(Vec3 p) const {
    return {p.X * M[0] + p.Y * M[4] + p.Z * M[8] + M[12],
            p.X * M[1] + p.Y * M[5] + p.Z * M[9] + M[13],
            p.X * M[2] + p.Y * M[6] + p.Z * M[10] + M[14]};
  }
  // This transform followed by `outer`.
  Matrix Then(const Matrix& outer) const {
    Matrix r;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        double sum = 0;
        for (int k = 0; k < 4; ++k) sum += M[4 * i + k] * outer.M[4 * k + j];
        r.M[4 * i + j] = sum;
      }
    return r;
  }
};

struct XMaterial {
  std::array<double, 4> FaceColour{1, 1, 1, 1};
  std::string Texture;
  bool HasTexture = false;
};

class XMeshReader {
 public:
  XMeshReader(const std::string& fileName, SceneModel& model)
      : FFileName(fileName), FFolder(ExtractFilePath(fileName)), FBuild(model) {}

  void Read() {
    StringList lines = LoadTextLines(FFileName);
    if (lines.empty() || lines[0].compare(0, 3, "xof") != 0)
      throw ParseError("'" + FFileName + "' is not a DirectX mesh file (no \"xof\" header)");
    if (lines[0].find("txt") == std::string::npos)
      throw ParseError("'" + FFileName + "' is a binary or compressed DirectX file; only the " +
                       "text form can be shown");
    lines[0].clear();
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    XLexer lexer(FFileName, std::move(text));
    while (lexer.Kind() != XToken::End) Object(lexer, Matrix{});
  }

 private:
  // One data object or template at the current token; `transform` places its meshes.
  void Object(XLexer& x, const Matrix& transform) {
    if (x.Kind() == XToken::Open) {  // a reference {Name}: nothing to draw
      x.Advance();
      x.SkipObject();
      return;
    }
    if (x.Kind() != XToken::Name) x.Fail("an object was expected, not " + x.Describe());
    const std::string type = x.Text();
    x.Advance();
    std::string name;
    if (x.Kind() == XToken::Name) {
      name = x.Text();
      x.Advance();
    }
    x.Expect(XToken::Open, "'{'");
    if (x.Kind() == XToken::Guid) x.Advance();
    if (type == "template") {
      x.SkipObject();
    } else if (type == "Frame") {
      Frame(x, transform);
    } else if (type == "Mesh") {
      Mesh(x, transform);
    } else if (type == "Material") {
      FNamedMaterials[name] = Material(x);
    } else {
      x.SkipObject();
    }
  }

  void Frame(XLexer& x, const Matrix& parent) {
    // The frame's matrix comes first in the files modellers write; it places what follows.
    Matrix local;
    while (x.Kind() != XToken::Close) {
      if (x.Kind() == XToken::End) x.Fail("the file ends inside a Frame");
      if (x.Kind() == XToken::Name && x.Text() == "FrameTransformMatrix") {
        x.Advance();
        if (x.Kind() == XToken::Name) x.Advance();
        x.Expect(XToken::Open, "'{'");
        for (double& m : local.M) m = x.NumberValue();
        x.Expect(XToken::Close, "'}'");
        continue;
      }
      Object(x, local.Then(parent));
    }
    x.Advance();
  }

  XMaterial Material(XLexer& x) {
    XMaterial m;
    for (double& c : m.FaceColour) c = x.NumberValue();
    for (int i = 0; i < 7; ++i) x.NumberValue();  // power, specular and emissive colours
    while (x.Kind() != XToken::Close) {
      if (x.Kind() == XToken::End) x.Fail("the file ends inside a Material");
      if (x.Kind() == XToken::Name && SameTextIgnoreCase(x.Text(), "TextureFilename")) {
        x.Advance();
        if (x.Kind() == XToken::Name) x.Advance();
        x.Expect(XToken::Open, "'{'");
        if (x.Kind() != XToken::String) x.Fail("a texture file name was expected");
        m.Texture = x.Text();
        m.HasTexture = true;
        x.Advance();
        x.Expect(XToken::Close, "'}'");
        continue;
      }
      Object(x, Matrix{});  // effect data and the like: not drawn
    }
    x.Advance();
    return m;
  }

  void Mesh(XLexer& x, const Matrix& transform) {
    const int64_t vertexCount = x.CountValue(kMaxSceneTriangles * 3, "vertex");
    std::vector<Vec3> points;
    for (int64_t i = 0; i < vertexCount; ++i) {
      const double px = x.NumberValue(), py = x.NumberValue(), pz = x.NumberValue();
      points.push_back(transform.Apply({px, py, pz}));
    }
    const int64_t faceCount = x.CountValue(kMaxSceneTriangles, "face");
    std::vector<std::vector<int64_t>> faces;
    for (int64_t f = 0; f < faceCount; ++f) {
      const int64_t corners = x.CountValue(kMaxFaceCorners, "face corner");
      std::vector<int64_t> face;
      for (int64_t c = 0; c < corners; ++c) {
        const int64_t index = x.CountValue(vertexCount - 1, "vertex index");
        face.push_back(index);
      }
      faces.push_back(std::move(face));
    }
    std::vector<std::array<double, 2>> uvs;
    std::vector<XMaterial> materials;
    std::vector<int64_t> faceMaterials;
    while (x.Kind() != XToken::Close) {
      if (x.Kind() == XToken::End) x.Fail("the file ends inside a Mesh");
      if (x.Kind() == XToken::Name && x.Text() == "MeshTextureCoords") {
        Header(x);
        const int64_t count = x.CountValue(kMaxSceneTriangles * 3, "texture coordinate");
        uvs.clear();
        for (int64_t i = 0; i < count; ++i) {
          const double u = x.NumberValue(), v = x.NumberValue();
          uvs.push_back({u, v});
        }
        x.Expect(XToken::Close, "'}'");
      } else if (x.Kind() == XToken::Name && x.Text() == "MeshMaterialList") {
        Header(x);
        const int64_t count = x.CountValue(1 << 16, "material");
        const int64_t indexCount = x.CountValue(faceCount, "face material");
        faceMaterials.clear();
        for (int64_t i = 0; i < indexCount; ++i) {
          const int64_t index = x.CountValue(count > 0 ? count - 1 : 0, "material index");
          faceMaterials.push_back(index);
        }
        materials.clear();
        while (x.Kind() != XToken::Close) {
          if (x.Kind() == XToken::End) x.Fail("the file ends inside a MeshMaterialList");
          if (x.Kind() == XToken::Open) {  // {Name}: a material defined before
            x.Advance();
            if (x.Kind() != XToken::Name) x.Fail("a material name was expected");
            const auto found = FNamedMaterials.find(x.Text());
            if (found == FNamedMaterials.end()) x.Fail("no material named '" + x.Text() + "'");
            materials.push_back(found->second);
            x.Advance();
            x.Expect(XToken::Close, "'}'");
          } else if (x.Kind() == XToken::Name && x.Text() == "Material") {
            Header(x);
            materials.push_back(Material(x));
          } else {
            Object(x, Matrix{});
          }
        }
        x.Advance();
        if (static_cast<int64_t>(materials.size()) < count)
          x.Fail("the material list names " + std::to_string(count) + " materials but holds " +
                 std::to_string(materials.size()));
      } else {
        Object(x, transform);  // normals, vertex colours and others: not drawn
      }
    }
    x.Advance();

    // Materials of this mesh as the model's materials (-1: ground, not painted).
    std::vector<int32_t> modelMaterials;
    for (const XMaterial& m : materials) {
      if (m.HasTexture)
        modelMaterials.push_back(
            FBuild.ImageMaterial(m.Texture, FindSceneImage(FFolder, m.Texture)));
      else if (m.FaceColour[3] <= 0)
        modelMaterials.push_back(-1);
      else
        modelMaterials.push_back(FBuild.ColourMaterial(Colour(m.FaceColour)));
    }
    const int32_t plain = FBuild.ColourMaterial(Rgb{255, 255, 255});
    for (size_t f = 0; f < faces.size(); ++f) {
      // A shorter list than the faces leaves the rest with its last material.
      int32_t material = plain;
      if (!faceMaterials.empty())
        material = modelMaterials[faceMaterials[std::min(f, faceMaterials.size() - 1)]];
      if (material < 0) {
        std::vector<Vec3> corners;
        for (int64_t index : faces[f]) corners.push_back(points[index]);
        FBuild.AddGround(std::move(corners));
        continue;
      }
      std::vector<SceneVertex> corners;
      for (int64_t index : faces[f]) {
        SceneVertex v{points[index]};
        if (static_cast<size_t>(index) < uvs.size()) {
          v.U = SceneModelBuilder::TextureCoordinate(uvs[index][0]);
          v.V = SceneModelBuilder::TextureCoordinate(uvs[index][1]);
        }
        corners.push_back(v);
      }
      FBuild.AddPolygon(corners, material);
    }
  }

  // The type name has been seen: its optional name, "{" and optional GUID.
  static void Header(XLexer& x) {
    x.Advance();
    if (x.Kind() == XToken::Name) x.Advance();
    x.Expect(XToken::Open, "'{'");
    if (x.Kind() == XToken::Guid) x.Advance();
  }

  static Rgb Colour(const std::array<double, 4>& c) {
    auto channel = [](double v) {
      return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    return {channel(c[0]), channel(c[1]), channel(c[2])};
  }

  const std::string& FFileName;
  const std::string FFolder;
  SceneModelBuilder FBuild;
  std::map<std::string, XMaterial> FNamedMaterials;
};

}  // namespace

SceneModel ReadXSceneModel(const std::string& fileName) {
  SceneModel model;
  model.FileName = XFileName(fileName);
  model.Format = sfRCP;
  // y up, the front face towards +x with -z on its right; the eye at the origin.
  model.Forward = {1, 0, 0};
  model.Right = {0, 0, -1};
  model.Up = {0, 1, 0};
  model.Front = FrontFace::Clockwise;
  if (!FileExists(model.FileName))
    throw FileError("cannot read the mesh '" + model.FileName + "': no such file");
  XMeshReader(model.FileName, model).Read();
  return model;
}

}  // namespace talvero
