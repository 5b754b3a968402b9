// The camera pose of a panorama's XMP: GPano:PosePitchDegrees and GPano:PoseRollDegrees in
// either form XMP allows, under any prefix bound to the GPano namespace, within their
// ranges; no other property, and only the XMP of a PNG or TIFF file.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <optional>
#include <string>
#include <vector>

#include "common/png_test_writer.h"
#include "common/test_support.h"
#include "imaging/xmp_pose.h"

namespace talvero {
namespace {

using testing::PngLayout;
using testing::TempDir;

// A whole packet as cameras write it, the GPano namespace bound to `prefix`: `attributes`
// on the description, `elements` inside it.
std::string PosePacket(const std::string& attributes, const std::string& elements = "",
                       const std::string& prefix = "GPano") {
  return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
         "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
         " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
         "  <rdf:Description rdf:about=\"\" xmlns:" +
         prefix + "=\"http://ns.google.com/photos/1.0/panorama/\"\n    " + attributes + ">\n" +
         elements + "  </rdf:Description>\n </rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
}

struct PoseCase {
  const char* Name;
  std::string Xmp;
  std::optional<CameraPose> Expected;
};

std::string DescribePose(const std::optional<CameraPose>& pose) {
  return pose ? "pitch " + std::to_string(pose->Pitch) + ", roll " + std::to_string(pose->Roll)
              : "no pose";
}

void ExpectPose(const std::optional<CameraPose>& actual, const std::optional<CameraPose>& expected,
                const std::string& what) {
  ASSERT_EQ(actual.has_value(), expected.has_value())
      << what << ": " << DescribePose(actual) << " instead of " << DescribePose(expected);
  if (!expected) return;
  EXPECT_DOUBLE_EQ(actual->Pitch, expected->Pitch) << what;
  EXPECT_DOUBLE_EQ(actual->Roll, expected->Roll) << what;
}

TEST(XmpPose, ThePoseIsTakenFromItsTwoPropertiesWithinTheirRanges) {
  const std::string cutOff = PosePacket("GPano:PosePitchDegrees=\"35\"");
  const std::vector<PoseCase> cases = {
      {"attributes", PosePacket("GPano:PosePitchDegrees=\"2.5\" GPano:PoseRollDegrees=\"-7.25\""),
       CameraPose{2.5, -7.25}},
      {"elements",
       PosePacket("",
                  "   <GPano:PosePitchDegrees>2.5</GPano:PosePitchDegrees>\n"
                  "   <GPano:PoseRollDegrees>\n     -7.25\n   </GPano:PoseRollDegrees>\n"),
       CameraPose{2.5, -7.25}},
      {"single quotes", PosePacket("GPano:PosePitchDegrees='-3' GPano:PoseRollDegrees='4'"),
       CameraPose{-3, 4}},
      {"another prefix",
       PosePacket("pano:PosePitchDegrees=\"1.5\" pano:PoseRollDegrees=\"2\"", "", "pano"),
       CameraPose{1.5, 2}},
      {"spaces around the equals sign",
       PosePacket("GPano:PosePitchDegrees = \"6\"\n    GPano:PoseRollDegrees\t=\t'-8'"),
       CameraPose{6, -8}},
      {"roll alone", PosePacket("GPano:PoseRollDegrees=\"30\""), CameraPose{0, 30}},
      {"pitch alone", PosePacket("GPano:PosePitchDegrees=\"-12\""), CameraPose{-12, 0}},
      {"the limits", PosePacket("GPano:PosePitchDegrees=\"-90\" GPano:PoseRollDegrees=\"-180\""),
       CameraPose{-90, -180}},
      {"the other limits",
       PosePacket("GPano:PosePitchDegrees=\"90\" GPano:PoseRollDegrees=\"180\""),
       CameraPose{90, 180}},
      {"pitch 95 beside a roll",
       PosePacket("GPano:PosePitchDegrees=\"95\" GPano:PoseRollDegrees=\"10\""), CameraPose{0, 10}},
      {"pitch 95 alone", PosePacket("GPano:PosePitchDegrees=\"95\""), std::nullopt},
      {"roll beyond a half turn", PosePacket("GPano:PoseRollDegrees=\"180.5\""), std::nullopt},
      {"other angles of the namespace",
       PosePacket("GPano:InitialViewPitchDegrees=\"10\" GPano:InitialViewRollDegrees=\"5\" "
                  "GPano:PoseHeadingDegrees=\"90\""),
       std::nullopt},
      {"longer names",
       PosePacket("GPano:PosePitchDegreesX=\"5\" GPano:PoseRollDegrees=\"1\" "
                  "GPano:PoseRollDegreesOffset=\"7\""),
       CameraPose{0, 1}},
      {"names without a prefix", PosePacket("xPosePitchDegrees=\"5\" PoseRollDegrees=\"6\""),
       std::nullopt},
      {"not numbers", PosePacket("GPano:PosePitchDegrees=\"NaN\" GPano:PoseRollDegrees=\"inf\""),
       std::nullopt},
      {"beyond a double", PosePacket("GPano:PosePitchDegrees=\"1e400\""), std::nullopt},
      {"empty values", PosePacket("GPano:PosePitchDegrees=\"\" GPano:PoseRollDegrees=''"),
       std::nullopt},
      {"cut off inside a value", cutOff.substr(0, cutOff.find("35") + 1), std::nullopt},
      {"empty", "", std::nullopt},
  };
  for (const PoseCase& c : cases) ExpectPose(PoseFromXmp(c.Xmp), c.Expected, c.Name);
}

// A 2 × 1 RGB TIFF with the given ImageDescription (tag 270) and XMP (tag 700), each only
// when not empty.
void WritePoseTiff(const std::string& path, const std::string& description,
                   const std::string& xmp) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tiff, nullptr) << path;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 2);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 1);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1);
  if (!description.empty()) TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, description.c_str());
  if (!xmp.empty())
    TIFFSetField(tiff, TIFFTAG_XMLPACKET, static_cast<uint32_t>(xmp.size()), xmp.data());
  uint8_t row[6] = {10, 20, 30, 40, 50, 60};
  ASSERT_EQ(TIFFWriteScanline(tiff, row, 0, 0), 1);
  TIFFClose(tiff);
}

void WritePosePng(const std::string& path, const std::vector<PngLayout::Text>& texts) {
  PngLayout layout;
  layout.Width = 2;
  layout.Height = 1;
  layout.Stored = [](int x, int) { return std::vector<uint32_t>{uint32_t(x) * 90, 40, 200}; };
  layout.Texts = texts;
  testing::WritePng(path, layout);
}

TEST(XmpPose, PngAndTiffFilesGiveThePoseOfTheirXmpOnly) {
  const TempDir dir;
  const std::string level = PosePacket("GPano:PosePitchDegrees=\"8\" GPano:PoseRollDegrees=\"-6\"");
  const std::string elsewhere = PosePacket("GPano:PosePitchDegrees=\"30\"");

  const std::string png = dir.File("pose.png");
  WritePosePng(png, {{"Comment", elsewhere, false}, {"XML:com.adobe.xmp", level}});
  ExpectPose(ReadCameraPose(png), CameraPose{8, -6}, "PNG with iTXt XMP");
  // The same packet in a text chunk of another keyword is no XMP.
  const std::string comment = dir.File("comment.png");
  WritePosePng(comment, {{"Comment", level, false}, {"Description", level}});
  ExpectPose(ReadCameraPose(comment), std::nullopt, "PNG with the packet as a comment");
  const std::string plain = dir.File("plain.png");
  WritePosePng(plain, {});
  ExpectPose(ReadCameraPose(plain), std::nullopt, "PNG without text");

  const std::string tiff = dir.File("pose.tif");
  WritePoseTiff(tiff, elsewhere,
                PosePacket("",
                           "   <GPano:PosePitchDegrees>8</GPano:PosePitchDegrees>\n"
                           "   <GPano:PoseRollDegrees>-6</GPano:PoseRollDegrees>\n"));
  ExpectPose(ReadCameraPose(tiff), CameraPose{8, -6}, "TIFF with tag 700");
  const std::string described = dir.File("described.tif");
  WritePoseTiff(described, level, "");
  ExpectPose(ReadCameraPose(described), std::nullopt, "TIFF with the packet as its description");
}

}  // namespace
}  // namespace talvero
