// Writing the divided images and the "fms_vista" texture.
#include <string>

#include "engine/image_stage.h"
#include "engine/sim_filer.h"
#include "imaging/bitmap.h"
#include "imaging/image_codecs.h"
#include "imaging/text_drawing.h"
#include "support/file_util.h"

namespace talvero {

namespace {

constexpr int kJpegQuality = 100;
constexpr int32_t kVistaSize = 255;
constexpr Rgb kNavy{0, 0, 128};
constexpr Rgb kYellow{255, 255, 0};

}  // namespace

void TSimFiler::SaveImageAs(const Bitmap& image, const std::string& path, TExtractImageType type) {
  talvero::SaveImageAs(image, path, type);
}

void TSimFiler::EncodeImageAs(AtomicFileWriter& file, const Bitmap& image, TExtractImageType type) {
  talvero::EncodeImageAs(file, image, type);
}

void SaveImageAs(const Bitmap& image, const std::string& path, TExtractImageType type) {
  AtomicFileWriter file(path);
  EncodeImageAs(file, image, type);
  file.Commit();
}

void EncodeImageAs(AtomicFileWriter& file, const Bitmap& image, TExtractImageType type) {
  switch (type) {
    case eiJpeg:
      WriteJpegFile(file, image, kJpegQuality);
      break;
    case eiTiff:
      WriteTiffFile(file, image);
      break;
    default:
      WriteBmpFile(file, image);
      break;
  }
}

void TSimFiler::WriteTiff(const std::string& path, const Bitmap& image) const {
  WriteTiffFile(path, image);
}

void WriteVistaTexture(const JobSettings& settings, const JobContext& context) {
  context.Progress(ProgressStep::VistaTexture);
  Bitmap texture(kVistaSize, kVistaSize);
  texture.Fill(kNavy);
  const std::string lines[4] = {
      std::to_string(texture.Width()) + " * " + std::to_string(texture.Height()) + " pixel",
      "Needed to run FMS", "on", "Windows VISTA"};
  // The text only decorates: without a font the texture is still written.
  const MonospaceFont font;
  int32_t top = 30;
  for (int i = 0; i < 4; ++i) {
    top += 35;
    const int32_t left = (texture.Width() - font.TextWidth(lines[i])) / 2;
    font.Draw(texture, left, top, lines[i], i < 2 ? kYellow : kWhite);
  }
  const std::string path = settings.VistaTexturePath();
  context.CheckCancelled();
  // The simulator finds the texture by its base name; TIFF output still gets a bitmap.
  SaveImageAs(texture, path,
              settings.ExtractImageType == eiTiff ? eiBitmap : settings.ExtractImageType);
  context.Progress(ProgressStep::FileWritten, 0, 0, path);
}

void EnsureVistaTexture(const JobSettings& settings, const JobContext& context) {
  if (!FileExists(settings.VistaTexturePath())) WriteVistaTexture(settings, context);
}

}  // namespace talvero
