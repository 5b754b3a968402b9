#include "imaging/text_drawing.h"

namespace talvero {

void MonospaceFont::Draw(Bitmap& image, int32_t x, int32_t top, std::string_view text,
                         Rgb color) const {
  FText.Render(text, [&](int32_t px, int32_t py) {
    px += x;
    py += top;
    if (px >= 0 && px < image.Width() && py >= 0 && py < image.Height())
      image.SetPixel(px, py, color);
  });
}

}  // namespace talvero
