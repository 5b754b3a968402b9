// PNG reading through libpng. libpng reports fatal errors by calling our error function,
// which must not return: it longjmps back to the frame that called setjmp, and that frame
// turns the message into an ImageError. The setjmp frame and the functions it calls hold no
// objects with destructors (everything lives in a context passed by pointer), so the jump
// skips no C++ clean-up. Warnings are never printed; they only explain a later failure.
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>

#include "imaging/codec_support.h"
#include "imaging/image_codecs.h"

namespace talvero {

namespace {

// Deflate cannot expand data by more than about 1032 to 1 (a 258-byte match in two bits).
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr uint64_t kSizeSlack = 4096;  // headers, chunk framing and rounding

struct PngReadContext {
  PngReadContext() = default;
  ~PngReadContext() {
    if (Png) png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr);
  }
  PngReadContext(const PngReadContext&) = delete;
  PngReadContext& operator=(const PngReadContext&) = delete;

  const std::string* Path = nullptr;
  std::FILE* File = nullptr;
  int64_t FileSize = -1;  // unknown when negative
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  char Message[256] = {};
  char Warning[256] = {};
  bool SizeOnly = false;  // stop once the size is known and checked
  ImageSize Size;
  Bitmap Image;
  std::vector<uint8_t> Row;
  uint8_t PaletteBgr[256 * 3] = {};
  int PaletteSize = 0;
};

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
  auto* context = static_cast<PngReadContext*>(png_get_error_ptr(png));
  std::snprintf(context->Message, sizeof context->Message, "%s", message);
  png_longjmp(png, 1);
}

// stdio reading that says what went wrong (libpng's own says only "Read Error").
void ReadData(png_structp png, png_bytep data, size_t length) {
  auto* file = static_cast<std::FILE*>(png_get_io_ptr(png));
  if (std::fread(data, 1, length, file) == length) return;
  png_error(png, std::ferror(file) ? "the file cannot be read" : "the file ends too early");
}

void OnWarning(png_structp png, png_const_charp message) {
  auto* context = static_cast<PngReadContext*>(png_get_error_ptr(png));
  if (!context->Warning[0]) std::snprintf(context->Warning, sizeof context->Warning, "%s", message);
}

// A sample over white, rounded to 8 bits: the nearest integer to
// (c·a + max·(max − a)) · 255 / max². The divisor is odd, so there are no halves to break.
inline uint8_t OverWhite8(unsigned c, unsigned a) {
  return static_cast<uint8_t>((c * a + 255u * (255u - a) + 127u) / 255u);
}
inline uint8_t OverWhite16(uint64_t c, uint64_t a) {
  constexpr uint64_t kMax = 65535, kDivisor = kMax * kMax;
  return static_cast<uint8_t>(((c * a + kMax * (kMax - a)) * 255 + kDivisor / 2) / kDivisor);
}

inline unsigned Big16(const uint8_t* p) { return static_cast<unsigned>(p[0] << 8 | p[1]); }

// The palette as blue-green-red, each entry composed over white with its tRNS alpha.
void PreparePalette(PngReadContext* context) {
  png_colorp entries = nullptr;
  int count = 0;
  if (!png_get_PLTE(context->Png, context->Info, &entries, &count) || count <= 0)
    png_error(context->Png, "the palette image has no palette");
  png_bytep alpha = nullptr;
  int alphaCount = 0;
  if (png_get_valid(context->Png, context->Info, PNG_INFO_tRNS))
    png_get_tRNS(context->Png, context->Info, &alpha, &alphaCount, nullptr);
  context->PaletteSize = count;
  for (int i = 0; i < count; ++i) {
    const unsigned a = alpha && i < alphaCount ? alpha[i] : 255u;
    uint8_t* out = context->PaletteBgr + i * 3;
    out[0] = OverWhite8(entries[i].blue, a);
    out[1] = OverWhite8(entries[i].green, a);
    out[2] = OverWhite8(entries[i].red, a);
  }
}

// A header claiming more pixels than the file's compressed data could ever hold is damaged;
// refusing it here keeps a few bytes from reserving gigabytes.
void CheckClaimedSize(PngReadContext* context, png_uint_32 width, png_uint_32 height) {
  if (context->FileSize < 0) return;
  const uint64_t bitsPerPixel = static_cast<uint64_t>(png_get_bit_depth(context->Png, context->Info)) *
                                png_get_channels(context->Png, context->Info);
  const uint64_t rowBytes = (uint64_t{width} * bitsPerPixel + 7) / 8;
  const uint64_t leastData = rowBytes * height;  // sides are at most 10^6, so no overflow
  if (leastData > static_cast<uint64_t>(context->FileSize) * kMaxInflateRatio + kSizeSlack) {
    std::snprintf(context->Message, sizeof context->Message,
                  "the header claims %u × %u pixels, far more than a file of %lld bytes can hold",
                  static_cast<unsigned>(width), static_cast<unsigned>(height),
                  static_cast<long long>(context->FileSize));
    png_longjmp(context->Png, 1);
  }
}

// One decoded row (or one row of an interlace pass) into `out`, whose pixels start at
// column `first` and follow every `step` columns. Returns false for a palette index beyond
// the palette.
bool ConvertRow(const PngReadContext* context, uint8_t* out, uint32_t first, uint32_t step,
                uint32_t count, int channels, int depth) {
  const uint8_t* in = context->Row.data();
  out += static_cast<size_t>(first) * 3;
  const size_t outStep = static_cast<size_t>(step) * 3;
  if (context->PaletteSize > 0) {
    for (uint32_t i = 0; i < count; ++i, out += outStep) {
      const int index = in[i];
      if (index >= context->PaletteSize) return false;
      std::memcpy(out, context->PaletteBgr + index * 3, 3);
    }
  } else if (depth == 8 && channels == 3) {
    for (uint32_t i = 0; i < count; ++i, in += 3, out += outStep) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  } else if (depth == 8) {
    for (uint32_t i = 0; i < count; ++i, in += 4, out += outStep) {
      out[0] = OverWhite8(in[2], in[3]);
      out[1] = OverWhite8(in[1], in[3]);
      out[2] = OverWhite8(in[0], in[3]);
    }
  } else {
    const size_t inStep = static_cast<size_t>(channels) * 2;
    for (uint32_t i = 0; i < count; ++i, in += inStep, out += outStep) {
      const unsigned a = channels == 4 ? Big16(in + 6) : 65535u;
      out[0] = OverWhite16(Big16(in + 4), a);
      out[1] = OverWhite16(Big16(in + 2), a);
      out[2] = OverWhite16(Big16(in), a);
    }
  }
  return true;
}

// False after a libpng error; the message is in context->Message.
bool DecodePng(PngReadContext* context) {
  png_structp png = context->Png;
  png_infop info = context->Info;
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, context->File, ReadData);
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colour = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
  CheckClaimedSize(context, width, height);
  if (context->SizeOnly) {
    context->Size = codec::DecodedSize(*context->Path, width, height);
    return true;
  }
  context->Image = codec::NewDecodedImage(*context->Path, width, height);

  // Every kind becomes palette indexes of one byte, or 8/16-bit RGB with or without alpha.
  if (colour == PNG_COLOR_TYPE_PALETTE) {
    PreparePalette(context);
    png_set_packing(png);
  } else {
    const bool grey = (colour & PNG_COLOR_MASK_COLOR) == 0;
    if (grey && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (grey) png_set_gray_to_rgb(png);
  }
  // The passes of an interlaced image are placed here, so no second image is ever needed.
  png_read_update_info(png, info);
  const int channels = png_get_channels(png, info);
  const int outDepth = png_get_bit_depth(png, info);
  context->Row.resize(png_get_rowbytes(png, info));

  const bool interlaced = interlace == PNG_INTERLACE_ADAM7;
  const int passes = interlaced ? PNG_INTERLACE_ADAM7_PASSES : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const uint32_t columns = interlaced ? PNG_PASS_COLS(width, pass) : width;
    const uint32_t rows = interlaced ? PNG_PASS_ROWS(height, pass) : height;
    if (columns == 0 || rows == 0) continue;  // libpng skips empty passes too
    const uint32_t firstColumn = interlaced ? PNG_PASS_START_COL(pass) : 0;
    const uint32_t columnStep = interlaced ? 1u << PNG_PASS_COL_SHIFT(pass) : 1;
    for (uint32_t r = 0; r < rows; ++r) {
      png_read_row(png, context->Row.data(), nullptr);
      const uint32_t y = interlaced ? PNG_ROW_FROM_PASS_ROW(r, pass) : r;
      if (!ConvertRow(context, context->Image.Row(static_cast<int32_t>(y)), firstColumn,
                      columnStep, columns, channels, outDepth))
        png_error(png, "a pixel refers to a colour beyond the palette");
    }
  }
  png_read_end(png, nullptr);
  return true;
}

// The text chunks before the image data; false after a libpng error.
bool ReadPngText(PngReadContext* context, png_textp* text, int* count) {
  png_structp png = context->Png;
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, context->File, ReadData);
  png_set_sig_bytes(png, 8);
  png_read_info(png, context->Info);
  *count = png_get_text(png, context->Info, text, nullptr);
  return true;
}

// Checks the signature, then starts libpng on `file`, positioned just after it; the file's
// size is recorded for the decoder's checks.
void StartPngRead(PngReadContext& context, const std::string& path, std::FILE* file) {
  png_byte signature[8] = {};
  if (std::fread(signature, 1, sizeof signature, file) != sizeof signature ||
      png_sig_cmp(signature, 0, sizeof signature) != 0)
    throw codec::ReadFailure(path, "not a PNG file (wrong signature)");
  context.Path = &path;
  context.File = file;
  // ftell's long may be too small on some systems; an unknown size only skips a check.
  if (std::fseek(file, 0, SEEK_END) == 0) context.FileSize = std::ftell(file);
  if (std::fseek(file, sizeof signature, SEEK_SET) != 0)
    throw codec::ReadFailure(path, "cannot seek in the file");
  context.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, OnError, OnWarning);
  if (context.Png) context.Info = png_create_info_struct(context.Png);
  if (!context.Png || !context.Info) throw codec::ReadFailure(path, "libpng cannot start");
}

}  // namespace

std::string ReadPngXmp(const std::string& path) {
  const codec::FilePtr file = codec::OpenForReading(path);
  PngReadContext context;
  StartPngRead(context, path, file.get());
  png_textp text = nullptr;
  int count = 0;
  if (!ReadPngText(&context, &text, &count))
    throw codec::ReadFailure(path, std::string("damaged PNG data: ") + context.Message);
  // XMP lives in the international text chunk of this keyword.
  for (int i = 0; i < count; ++i)
    if (text[i].key && std::strcmp(text[i].key, "XML:com.adobe.xmp") == 0 && text[i].text)
      return std::string(text[i].text, text[i].itxt_length ? text[i].itxt_length : text[i].text_length);
  return {};
}

namespace {

// Decodes the open `file` as `context` asks; ImageError after a libpng error.
void DecodePngFile(PngReadContext& context, const std::string& path, std::FILE* file) {
  StartPngRead(context, path, file);
  if (!DecodePng(&context)) {
    std::string problem = context.Message;
    if (context.Warning[0] && std::strcmp(context.Warning, context.Message) != 0)
      problem += std::string(" (") + context.Warning + ")";
    throw codec::ReadFailure(path, "damaged PNG data: " + problem);
  }
}

}  // namespace

Bitmap ReadPngFile(const std::string& path) {
  const codec::FilePtr file = codec::OpenForReading(path);
  PngReadContext context;
  DecodePngFile(context, path, file.get());
  return std::move(context.Image);
}

namespace codec {

bool IsPng(std::span<const uint8_t> head) {
  return head.size() >= 8 && std::memcmp(head.data(), "\x89PNG\r\n\x1a\n", 8) == 0;
}

ImageSize ReadPngSize(const std::string& path) {
  const FilePtr file = OpenForReading(path);
  PngReadContext context;
  context.SizeOnly = true;
  DecodePngFile(context, path, file.get());
  return context.Size;
}

}  // namespace codec

}  // namespace talvero
