// talvero-make-sample: draws the bundled sample panorama (samples/sample-panorama.jpg).
#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/sample_panorama.h"
#include "imaging/image_codecs.h"
#include "support/errors.h"

int main(int argc, char** argv) {
  using namespace talvero;
  CLI::App app(
      "Draws an equirectangular test panorama: a sky with the sun in the South-East, a horizon "
      "with low hills, chequered ground and compass letters (North red, in the middle column; "
      "East at three quarters of the width, South at both edges, West at one quarter). The "
      "file type follows the extension (.jpg, .bmp, .tif).",
      "talvero-make-sample");
  std::string output;
  int width = 2048, quality = 90;
  app.add_option("OUTPUT", output, "The image file to write")->required()->type_name("FILE");
  app.add_option("--width", width, "Width in pixels; the height is half of it")
      ->check(CLI::Range(kMinSampleWidth, 16384))
      ->capture_default_str();
  app.add_option("--quality", quality, "JPEG quality")
      ->check(CLI::Range(1, 100))
      ->capture_default_str();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? 0 : 2;
  }
  try {
    const Bitmap panorama = MakeSamplePanorama(width);
    if (!WriteImageByName(output, panorama, quality)) {
      std::cerr << "talvero-make-sample: error: '" << output
                << "' needs the extension .jpg, .jpeg, .bmp, .tif or .tiff\n";
      return 2;
    }
  } catch (const std::exception& e) {
    std::cerr << "talvero-make-sample: error: " << e.what() << "\n";
    return 1;
  }
  std::cout << output << "\n";
  return 0;
}
