// One line of ASCII text in the system's monospace font, without smoothing, so that it
// looks like the bitmap font the simulator's textures were made with: FreeType with the
// font fontconfig calls "monospace" on POSIX systems, GDI with "FixedSys" on Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace talvero::platform {

class MonospaceText {
 public:
  // Never throws: without a usable font Available() is false and Render draws nothing.
  MonospaceText();
  ~MonospaceText();
  MonospaceText(const MonospaceText&) = delete;
  MonospaceText& operator=(const MonospaceText&) = delete;

  bool Available() const { return FImpl != nullptr; }
  // The width of `text` in pixels as the font lays it out (8 per character with FixedSys
  // and with the FreeType size chosen here).
  int32_t Width(std::string_view text) const;
  // Calls plot(x, y) for every pixel the text covers, relative to the top-left corner of
  // its first character cell (x and y may be negative).
  void Render(std::string_view text, const std::function<void(int32_t, int32_t)>& plot) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};

}  // namespace talvero::platform
