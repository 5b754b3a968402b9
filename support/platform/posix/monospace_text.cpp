#include "support/platform/monospace_text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace talvero::platform {

namespace {

// The cell width of the simulator's bitmap font.
constexpr int32_t kAdvance = 8;

std::string FindMonospaceFontFile() {
  std::string path;
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return path;
  if (FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("monospace"))) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
      FcChar8* file = nullptr;
      if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
        path = reinterpret_cast<const char*>(file);
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
  }
  FcConfigDestroy(config);
  return path;
}

int HintedAdvance(FT_Face face, FT_UInt pixels) {
  if (FT_Set_Pixel_Sizes(face, 0, pixels) != 0) return -1;
  if (FT_Load_Char(face, 'M', FT_LOAD_TARGET_MONO) != 0) return -1;
  return static_cast<int>(face->glyph->advance.x >> 6);
}

}  // namespace

struct MonospaceText::Impl {
  FT_Library Library = nullptr;
  FT_Face Face = nullptr;
  int Ascender = 0;
  ~Impl() {
    if (Face) FT_Done_Face(Face);
    if (Library) FT_Done_FreeType(Library);
  }
};

MonospaceText::MonospaceText() {
  const std::string file = FindMonospaceFontFile();
  if (file.empty()) return;
  auto impl = std::make_unique<Impl>();
  if (FT_Init_FreeType(&impl->Library) != 0) return;
  if (FT_New_Face(impl->Library, file.c_str(), 0, &impl->Face) != 0) return;
  // The largest size whose glyphs advance by one cell.
  FT_UInt size = 0;
  for (FT_UInt pixels = 20; pixels >= 6 && size == 0; --pixels)
    if (HintedAdvance(impl->Face, pixels) == kAdvance) size = pixels;
  if (size == 0 || FT_Set_Pixel_Sizes(impl->Face, 0, size) != 0) return;
  impl->Ascender = static_cast<int>((impl->Face->size->metrics.ascender + 63) >> 6);
  FImpl = std::move(impl);
}

MonospaceText::~MonospaceText() = default;

int32_t MonospaceText::Width(std::string_view text) const {
  return kAdvance * static_cast<int32_t>(text.size());
}

void MonospaceText::Render(std::string_view text,
                           const std::function<void(int32_t, int32_t)>& plot) const {
  if (!FImpl) return;
  FT_Face face = FImpl->Face;
  for (size_t i = 0; i < text.size(); ++i) {
    if (FT_Load_Char(face, static_cast<unsigned char>(text[i]),
                     FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0)
      continue;
    const FT_Bitmap& glyph = face->glyph->bitmap;
    if (glyph.pixel_mode != FT_PIXEL_MODE_MONO) continue;
    const int32_t left = kAdvance * static_cast<int32_t>(i) + face->glyph->bitmap_left;
    const int32_t top = FImpl->Ascender - face->glyph->bitmap_top;
    for (unsigned row = 0; row < glyph.rows; ++row) {
      const unsigned char* bits = glyph.buffer + static_cast<ptrdiff_t>(row) * glyph.pitch;
      for (unsigned column = 0; column < glyph.width; ++column)
        if (bits[column / 8] & (0x80 >> (column % 8)))
          plot(left + static_cast<int32_t>(column), top + static_cast<int32_t>(row));
    }
  }
}

}  // namespace talvero::platform
