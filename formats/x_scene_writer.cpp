// Writes the RCPSim scenery as a DirectX text mesh ".x": the "sf_" comment block, the
// standard templates, one mesh with a textured material per divided image and a transparent
// ground, white vertex colours; then the ".xscn" settings file beside it.
#include <array>
#include <cmath>

#include "engine/vectors.h"
#include "formats/line_file.h"
#include "formats/rcp_scene.h"
#include "formats/scene_header.h"
#include "formats/scene_mesh.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/number_format.h"

namespace talvero {

namespace {

struct XTemplate {
  const char* Name;
  const char* Guid;
  std::array<const char*, 5> Members;  // unused places stay null
};

const XTemplate kTemplates[] = {
    {"Header",
     "3D82AB43-62DA-11cf-AB39-0020AF71E433",
     {"WORD major;", "WORD minor;", "DWORD flags;"}},
    {"Vector", "3D82AB5E-62DA-11cf-AB39-0020AF71E433", {"FLOAT x;", "FLOAT y;", "FLOAT z;"}},
    {"Coords2d", "F6F23F44-7686-11cf-8F52-0040333594A3", {"FLOAT u;", "FLOAT v;"}},
    {"Matrix4x4", "F6F23F45-7686-11cf-8F52-0040333594A3", {"array FLOAT matrix[16];"}},
    {"ColorRGBA",
     "35FF44E0-6C7C-11cf-8F52-0040333594A3",
     {"FLOAT red;", "FLOAT green;", "FLOAT blue;", "FLOAT alpha;"}},
    {"ColorRGB",
     "D3E16E81-7835-11cf-8F52-0040333594A3",
     {"FLOAT red;", "FLOAT green;", "FLOAT blue;"}},
    {"IndexedColor",
     "1630B820-7842-11cf-8F52-0040333594A3",
     {"DWORD index;", "ColorRGBA indexColor;"}},
    {"Boolean", "4885AE61-78E8-11cf-8F52-0040333594A3", {"WORD truefalse;"}},
    {"Boolean2d", "4885AE63-78E8-11cf-8F52-0040333594A3", {"Boolean u;", "Boolean v;"}},
    {"MaterialWrap", "4885AE60-78E8-11cf-8F52-0040333594A3", {"Boolean u;", "Boolean v;"}},
    {"TextureFilename", "A42790E1-7810-11cf-8F52-0040333594A3", {"STRING filename;"}},
    {"Material",
     "3D82AB4D-62DA-11cf-AB39-0020AF71E433",
     {"ColorRGBA faceColor;", "FLOAT power;", "ColorRGB specularColor;", "ColorRGB emissiveColor;",
      "[...]"}},
    {"MeshFace",
     "3D82AB5F-62DA-11cf-AB39-0020AF71E433",
     {"DWORD nFaceVertexIndices;", "array DWORD faceVertexIndices[nFaceVertexIndices];"}},
    {"MeshFaceWraps",
     "4885AE62-78E8-11cf-8F52-0040333594A3",
     {"DWORD nFaceWrapValues;", "Boolean2d faceWrapValues;"}},
    {"MeshTextureCoords",
     "F6F23F40-7686-11cf-8F52-0040333594A3",
     {"DWORD nTextureCoords;", "array Coords2d textureCoords[nTextureCoords];"}},
    {"MeshMaterialList",
     "F6F23F42-7686-11cf-8F52-0040333594A3",
     {"DWORD nMaterials;", "DWORD nFaceIndexes;", "array DWORD faceIndexes[nFaceIndexes];",
      "[Material]"}},
    {"MeshNormals",
     "F6F23F43-7686-11cf-8F52-0040333594A3",
     {"DWORD nNormals;", "array Vector normals[nNormals];", "DWORD nFaceNormals;",
      "array MeshFace faceNormals[nFaceNormals];"}},
    {"MeshVertexColors",
     "1630B821-7842-11cf-8F52-0040333594A3",
     {"DWORD nVertexColors;", "array IndexedColor vertexColors[nVertexColors];"}},
    {"Mesh",
     "3D82AB44-62DA-11cf-AB39-0020AF71E433",
     {"DWORD nVertices;", "array Vector vertices[nVertices];", "DWORD nFaces;",
      "array MeshFace faces[nFaces];", "[...]"}},
};

void AppendTemplates(StringList& lines) {
  for (const XTemplate& t : kTemplates) {
    lines.push_back(std::string("template ") + t.Name + " {");
    lines.push_back(std::string(" <") + t.Guid + ">");
    for (const char* member : t.Members)
      if (member) lines.push_back(std::string(" ") + member);
    lines.push_back("}");
    lines.emplace_back();
  }
  for (const char* line : {"Header{", "1;", "0;", "1;", "}", ""}) lines.push_back(line);
}

// The texture coordinate of the ground and bottom vertices, which show no image of their own.
const char* const kPlainUv = "0.001000;0.001000;";

// The mesh as its lists are written: one entry per vertex, face and material.
struct XMesh {
  StringList Vertices;  // "X.00000;Y.00000;Z.00000;" without the list separator
  StringList Uvs;       // "U;V;" likewise
  std::vector<int> FaceMaterials;
  StringList Textures;  // image names of the textured materials; one transparent material follows

  void Add(const std::string& vertex, const std::string& uv) {
    Vertices.push_back(" " + vertex);
    Uvs.push_back("  " + uv);
  }
  void Add(const TTriPoint& p, const TUvPoint& uv) {
    Add(Coordinate(p.X) + ";" + Coordinate(p.Y) + ";" + Coordinate(p.Z) + ";",
        FormatFixed(uv.U, 6) + ";" + FormatFixed(uv.V, 6) + ";");
  }
  // A ground or bottom vertex: the height is written by the caller.
  void AddPlain(int32_t x, const std::string& y, int32_t z) {
    Add(Coordinate(x) + ";" + y + ";" + Coordinate(z) + ";", kPlainUv);
  }
  static std::string Coordinate(int32_t value) { return std::to_string(value) + ".00000"; }
};

// Each list entry ends with "," and the last one with ";" (so the list ends with ";;").
void AppendList(StringList& lines, const StringList& entries) {
  for (size_t i = 0; i < entries.size(); ++i)
    lines.push_back(entries[i] + (i + 1 < entries.size() ? "," : ";"));
}

void AppendMaterial(StringList& lines, const std::string* texture) {
  lines.push_back("  Material {");
  if (texture) {
    for (const char* line : {"   1.000000;1.000000;1.000000;1.000000;;", "   0.000000;",
                             "   0.000000;0.000000;0.000000;;", "   0.500000;0.500000;0.500000;;",
                             "   TextureFilename {"})
      lines.push_back(line);
    lines.push_back("    \"" + *texture + "\";");
    lines.push_back("   }");
  } else {
    for (const char* line : {"   0.000000;0.000000;0.000000;0.000000;;", "   0.000000;",
                             "   0.000000;0.000000;0.000000;;", "   0.000000;0.000000;0.000000;;"})
      lines.push_back(line);
  }
  lines.push_back("  }");
}

void AppendMesh(StringList& lines, const XMesh& mesh) {
  const std::string vertexCount = std::to_string(mesh.Vertices.size()) + ";";
  const size_t faces = mesh.FaceMaterials.size();
  lines.push_back("Mesh {");
  lines.push_back(" " + vertexCount);
  AppendList(lines, mesh.Vertices);

  lines.emplace_back();
  lines.push_back(" " + std::to_string(faces) + ";");
  StringList faceEntries;
  for (size_t f = 0; f < faces; ++f)
    faceEntries.push_back(" 4;" + std::to_string(4 * f) + "," + std::to_string(4 * f + 1) + "," +
                          std::to_string(4 * f + 2) + "," + std::to_string(4 * f + 3) + ";");
  AppendList(lines, faceEntries);

  lines.emplace_back();
  lines.push_back(" MeshMaterialList {");
  lines.push_back("  " + std::to_string(mesh.Textures.size() + 1) + ";");
  lines.push_back("  " + std::to_string(faces) + ";");
  // This list closes with ";;" after its last index instead of a separator.
  for (size_t f = 0; f < faces; ++f)
    lines.push_back("  " + std::to_string(mesh.FaceMaterials[f]) + (f + 1 < faces ? "," : ";;"));
  for (const std::string& texture : mesh.Textures) AppendMaterial(lines, &texture);
  AppendMaterial(lines, nullptr);
  lines.push_back(" }");

  lines.push_back(" MeshTextureCoords {");
  lines.push_back("  " + vertexCount);
  AppendList(lines, mesh.Uvs);
  lines.push_back(" }");

  lines.push_back(" MeshVertexColors {");
  lines.push_back("  " + vertexCount);
  StringList colours;
  for (size_t n = 0; n < mesh.Vertices.size(); ++n)
    colours.push_back("  " + std::to_string(n) + ";1.000000;1.000000;1.000000;1.000000;");
  AppendList(lines, colours);
  lines.push_back(" }");
  lines.push_back("}");
}

// A double quote would end the name early and corrupt the mesh file, so such a name is
// refused before anything is written.
void RequireQuotableNames(const StringList& names) {
  for (const std::string& name : names)
    if (name.find('"') != std::string::npos)
      throw Error("the image name " + name +
                  " holds a double quote, which a DirectX mesh file cannot store");
}

// Builds both files in memory, saves the ".x" file and only then the ".xscn" file.
template <typename Body>
void SaveXScene(const JobSettings& settings, const SceneMesh& mesh, const JobContext& context,
                TSceneType type, Body body) {
  const std::string xName = XFileName(settings.SceneFilename);
  StringList lines, xscn;
  try {
    RequireSceneMesh(mesh, settings, type == stSphere);
    RequireQuotableNames(settings.ImageNames);
    JobSettings values = settings;
    values.SceneType = type;
    lines.push_back("xof 0302txt 0064");
    AppendXHeader(lines, values);
    AppendTemplates(lines);
    XMesh mesh;
    body(mesh, values);
    AppendMesh(lines, mesh);
    xscn = XscnLines(values);
  } catch (const Error& e) {
    throw Error("cannot write '" + xName + "': " + e.what());
  }
  context.CheckCancelled();
  SaveTextLines(xName, lines);
  context.Progress(ProgressStep::FileWritten, 0, 0, xName);
  context.CheckCancelled();
  const std::string xscnName = XscnFileName(settings.SceneFilename);
  SaveTextLines(xscnName, xscn);
  context.Progress(ProgressStep::FileWritten, 0, 0, xscnName);
}

}  // namespace

std::string XFileName(const std::string& sceneFilename) {
  return ChangeFileExt(sceneFilename, kXExtension);
}

std::string XscnFileName(const std::string& sceneFilename) {
  return ChangeFileExt(sceneFilename, kXscnExtension);
}

void AppendXHeader(StringList& lines, const JobSettings& v) {
  lines.emplace_back();
  lines.push_back(kHeaderRule);
  lines.push_back("// DirectX Scene file ( XFile format ) created by Talvero.exe");
  lines.push_back("//");
  lines.push_back("// Line 9 or 10 below, Talvero.exe read it, please do not change.");
  lines.push_back(EnumHeaderLine("sf_SceneType", v.SceneType));
  if (v.SceneType == stCube) lines.push_back(EnumHeaderLine("sf_CubeSuffix", v.CubeSuffix));
  AppendParameterLines(lines, sfRCP, v.RCPData);
  AppendJobOptionLines(lines, v);
  lines.push_back(HeaderLine("sf_TextureBasename", QuotedHeaderText(v.TextureBasename)));
  lines.push_back(kHeaderRule);
  lines.emplace_back();
}

void WriteXCube(const JobSettings& settings, const SceneMesh& scene, const JobContext& context) {
  SaveXScene(settings, scene, context, stCube, [&](XMesh& mesh, const JobSettings& values) {
    const auto& top = scene.Vertices[0];
    const auto& bottom = scene.Vertices[1];
    const auto& ground = scene.Vertices[2];
    const auto& uv = scene.FaceUv;
    auto face = [&](const TTriPoint& a, const TTriPoint& b, const TTriPoint& c,
                    const TTriPoint& d) {
      mesh.Add(a, uv[0][0]);
      mesh.Add(b, uv[1][0]);
      mesh.Add(c, uv[1][1]);
      mesh.Add(d, uv[0][1]);
      mesh.FaceMaterials.push_back(static_cast<int>(mesh.FaceMaterials.size()));
    };
    for (int k = 0; k < 4; ++k) face(top[k], top[(k + 1) % 4], bottom[(k + 1) % 4], bottom[k]);
    face(top[0], top[3], top[2], top[1]);
    face(bottom[1], bottom[2], bottom[3], bottom[0]);
    const std::string y = values.RCPData.GetAirCraftY().ToFixedString(5);
    for (const TTriPoint& p : ground) mesh.AddPlain(p.X, y, p.Z);
    mesh.FaceMaterials.push_back(6);
    mesh.Textures = settings.ImageNames;
  });
}

void WriteXSphere(const JobSettings& settings, const SceneMesh& scene, const JobContext& context) {
  SaveXScene(settings, scene, context, stSphere, [&](XMesh& mesh, const JobSettings& values) {
    const TmxTriPoint& ring = scene.Vertices;
    int material = 0;
    // One tile: 4 quad rows of `width` quads from (firstRing, firstColumn), uv from `table`.
    auto tile = [&](int firstRing, int firstColumn, int width, const TmxUvPoint& table) {
      for (int q = 0; q < 4; ++q)
        for (int r = 0; r < width; ++r) {
          const int i = firstRing + q, j = firstColumn + r, next = (j + 1) % 32;
          mesh.Add(ring[i][j], table[q][r]);
          mesh.Add(ring[i][next], table[q][r + 1]);
          mesh.Add(ring[i + 1][next], table[q + 1][r + 1]);
          mesh.Add(ring[i + 1][j], table[q + 1][r]);
          mesh.FaceMaterials.push_back(material);
        }
      ++material;
    };
    for (int p = 0; p < 4; ++p) tile(0, 8 * p, 8, scene.TopBandUv);
    for (int band = 1; band <= 2; ++band)
      for (int p = 0; p < 8; ++p) tile(4 * band, 4 * p, 4, scene.FaceUv);

    // Ground and bottom squares, not turned by the scene rotation.
    const int32_t r = values.RCPData.GetAreaRadius();
    const int32_t corners[4][2] = {{-r, r}, {r, r}, {r, -r}, {-r, -r}};
    const std::string groundY = values.RCPData.GetAirCraftY().ToFixedString(5);
    for (const auto& [x, z] : corners) mesh.AddPlain(x, groundY, z);
    const std::string bottomY =
        XMesh::Coordinate(RoundHalfAway(-static_cast<long double>(r) / std::sqrt(2.0L)));
    for (const auto& [x, z] : corners) mesh.AddPlain(x, bottomY, z);
    mesh.FaceMaterials.push_back(20);
    mesh.FaceMaterials.push_back(19);  // the bottom shows the last tile's image
    mesh.Textures = settings.ImageNames;
  });
}

}  // namespace talvero
