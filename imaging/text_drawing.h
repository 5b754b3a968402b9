// Single-line ASCII text drawn with the system's monospace font (found through fontconfig,
// rendered by FreeType) in fixed 8-pixel cells and without smoothing, so it looks like the
// bitmap font the simulator's textures were made with.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "imaging/bitmap.h"

namespace talvero {

class MonospaceFont {
 public:
  static constexpr int32_t kAdvance = 8;

  // Never throws: without a usable font Available() is false and Draw does nothing.
  MonospaceFont();
  ~MonospaceFont();
  MonospaceFont(const MonospaceFont&) = delete;
  MonospaceFont& operator=(const MonospaceFont&) = delete;

  bool Available() const { return FImpl != nullptr; }
  static int32_t TextWidth(std::string_view text) {
    return kAdvance * static_cast<int32_t>(text.size());
  }
  // Draws `text` with the top-left corner of its first cell at (x, top); pixels that would
  // fall outside the image are skipped.
  void Draw(Bitmap& image, int32_t x, int32_t top, std::string_view text, Rgb color) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};

}  // namespace talvero
