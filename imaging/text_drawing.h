// Single-line ASCII text drawn with the system's monospace font without smoothing, so it
// looks like the bitmap font the simulator's textures were made with (the font itself
// comes from the platform layer: FreeType on Linux, GDI's "FixedSys" on Windows).
#pragma once

#include <cstdint>
#include <string_view>

#include "imaging/bitmap.h"
#include "support/platform/monospace_text.h"

namespace talvero {

class MonospaceFont {
 public:
  // Never throws: without a usable font Available() is false and Draw does nothing.
  MonospaceFont() = default;

  bool Available() const { return FText.Available(); }
  // The width of `text` in pixels.
  int32_t TextWidth(std::string_view text) const { return FText.Width(text); }
  // Draws `text` with the top-left corner of its first cell at (x, top); pixels that would
  // fall outside the image are skipped.
  void Draw(Bitmap& image, int32_t x, int32_t top, std::string_view text, Rgb color) const;

 private:
  platform::MonospaceText FText;
};

}  // namespace talvero
