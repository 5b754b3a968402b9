// JPEG through libjpeg-turbo. The library reports fatal errors by calling error_exit, which
// must not return: it longjmps back to the frame that called setjmp, and that frame turns the
// message into an ImageError. The setjmp frames hold no objects with destructors (everything
// lives in a context passed by pointer), so the jump skips no C++ clean-up.
#include <cstring>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

// jpeglib.h needs size_t and FILE declared first, jerror.h needs jpeglib.h.
#include <jpeglib.h>
#include <jerror.h>

#include "imaging/codec_support.h"
#include "imaging/image_codecs.h"
#include "support/file_util.h"

namespace talvero {

namespace {

struct JpegError {
  jpeg_error_mgr Manager;  // first, so libjpeg's pointer is also ours
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
  bool Finishing;  // reading what follows the last scan
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  info->err->format_message(info, error->Message);
  std::longjmp(error->Jump, 1);
}

// Warnings about missing or damaged entropy data mean libjpeg filled pixels with guesses;
// such an image must not pass as good, so they are fatal. Other warnings are harmless.
void EmitMessage(j_common_ptr info, int level) {
  if (level >= 0) return;  // trace messages
  auto* error = reinterpret_cast<JpegError*>(info->err);
  switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
      // Every pixel is decoded and only the end marker is missing. Not so for arithmetic
      // coding: its decoder takes any marker inside the data for the end and makes up the
      // rest silently, so the file ending before its end marker is the only sign of it.
      if (error->Finishing && !reinterpret_cast<j_decompress_ptr>(info)->arith_code) break;
      [[fallthrough]];
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
      ErrorExit(info);
    default:
      break;
  }
  ++info->err->num_warnings;
}

void OutputMessage(j_common_ptr) {}  // never print

constexpr int kRowBatch = 16;

// A libjpeg object with our error handlers, destroyed with the context (also when it was
// never created: the struct starts zeroed, which jpeg_destroy accepts).
template <typename Struct>
struct JpegContext {
  JpegContext() {
    jpeg_std_error(&Error.Manager);
    Error.Manager.error_exit = ErrorExit;
    Error.Manager.emit_message = EmitMessage;
    Error.Manager.output_message = OutputMessage;
    Info.err = &Error.Manager;
  }
  ~JpegContext() { jpeg_destroy(reinterpret_cast<j_common_ptr>(&Info)); }
  JpegContext(const JpegContext&) = delete;
  JpegContext& operator=(const JpegContext&) = delete;

  Struct Info{};
  JpegError Error{};
};

struct JpegReadContext : JpegContext<jpeg_decompress_struct> {
  const std::string* Path = nullptr;
  std::FILE* File = nullptr;
  uint64_t FileSize = 0;
  int32_t MinWidth = 0;  // above 0: decoded at the smallest scale leaving this many columns
  bool SizeOnly = false;  // stop once the size is known and checked
  ImageSize Size;
  Bitmap Image;
  std::vector<uint8_t> CmykRow;
};

// Four-colour pixels to blue-green-red. Adobe applications store the inks inverted and mark
// their files with an Adobe segment; without one the plain convention applies.
void CmykToBgr(const uint8_t* in, uint8_t* out, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
    const unsigned k = inverted ? in[3] : 255u - in[3];
    for (int c = 0; c < 3; ++c) {
      const unsigned ink = inverted ? in[c] : 255u - in[c];
      out[2 - c] = static_cast<uint8_t>((ink * k + 127) / 255);
    }
  }
}

// False after a libjpeg error; the message is in context->Error.
bool DecodeJpeg(JpegReadContext* context) {
  jpeg_decompress_struct* info = &context->Info;
  if (setjmp(context->Error.Jump)) return false;
  jpeg_create_decompress(info);
  jpeg_stdio_src(info, context->File);
  jpeg_read_header(info, TRUE);
  const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
  info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  // Every 8 × 8 block of every component costs at least a bit or two of entropy data.
  codec::CheckStoredData(*context->Path, info->image_width, info->image_height,
                         uint64_t{info->image_width} * info->image_height *
                             static_cast<uint64_t>(info->num_components),
                         context->FileSize,
                         info->arith_code ? codec::kMaxArithmeticSamplesPerStoredByte
                                          : codec::kMaxSamplesPerStoredByte);
  if (context->MinWidth > 0) {
    for (const unsigned denominator : {8u, 4u, 2u})
      if ((info->image_width + denominator - 1) / denominator >=
          static_cast<unsigned>(context->MinWidth)) {
        info->scale_num = 1;
        info->scale_denom = denominator;
        break;
      }
  }
  jpeg_calc_output_dimensions(info);
  if (context->SizeOnly) {
    context->Size = codec::DecodedSize(*context->Path, info->output_width, info->output_height);
    return true;
  }
  context->Image = codec::NewDecodedImage(*context->Path, info->output_width, info->output_height);
  jpeg_start_decompress(info);
  if (cmyk) context->CmykRow.resize(static_cast<size_t>(info->output_width) * 4);
  while (info->output_scanline < info->output_height) {
    const JDIMENSION first = info->output_scanline;
    JSAMPROW rows[kRowBatch];
    JDIMENSION count = 1;
    if (cmyk) {
      rows[0] = context->CmykRow.data();
    } else {
      count = std::min<JDIMENSION>(kRowBatch, info->output_height - first);
      for (JDIMENSION i = 0; i < count; ++i)
        rows[i] = context->Image.Row(static_cast<int32_t>(first + i));
    }
    if (jpeg_read_scanlines(info, rows, count) == 0) ERREXIT(info, JERR_INPUT_EMPTY);
    if (cmyk)
      CmykToBgr(rows[0], context->Image.Row(static_cast<int32_t>(first)), info->output_width,
                info->saw_Adobe_marker);
  }
  context->Error.Finishing = true;
  jpeg_finish_decompress(info);
  return true;
}

struct JpegWriteContext : JpegContext<jpeg_compress_struct> {
  const Bitmap* Image = nullptr;
  std::FILE* File = nullptr;
  int Quality = 100;
};

bool EncodeJpeg(JpegWriteContext* context) {
  jpeg_compress_struct* info = &context->Info;
  const Bitmap& image = *context->Image;
  if (setjmp(context->Error.Jump)) return false;
  jpeg_create_compress(info);
  jpeg_stdio_dest(info, context->File);
  info->image_width = static_cast<JDIMENSION>(image.Width());
  info->image_height = static_cast<JDIMENSION>(image.Height());
  const bool alpha = image.Format() == PixelFormat::Bgra32;
  info->input_components = alpha ? 4 : 3;
  info->in_color_space = alpha ? JCS_EXT_BGRX : JCS_EXT_BGR;
  jpeg_set_defaults(info);
  jpeg_set_quality(info, context->Quality, TRUE);
  jpeg_start_compress(info, TRUE);
  while (info->next_scanline < info->image_height) {
    const JDIMENSION first = info->next_scanline;
    const JDIMENSION count = std::min<JDIMENSION>(kRowBatch, info->image_height - first);
    JSAMPROW rows[kRowBatch];
    // libjpeg only reads the rows; its interface just lacks the const.
    for (JDIMENSION i = 0; i < count; ++i)
      rows[i] = const_cast<uint8_t*>(image.Row(static_cast<int32_t>(first + i)));
    jpeg_write_scanlines(info, rows, count);
  }
  jpeg_finish_compress(info);
  return true;
}

// The XMP packet of the file's APP1 segments, read up to the frame header: the segment's data
// after the XMP name, or nullptr. False after a libjpeg error.
constexpr char kXmpName[] = "http://ns.adobe.com/xap/1.0/";  // followed by a zero byte

bool FindJpegXmp(JpegReadContext* context, const JOCTET** data, unsigned* length) {
  jpeg_decompress_struct* info = &context->Info;
  if (setjmp(context->Error.Jump)) return false;
  jpeg_create_decompress(info);
  jpeg_stdio_src(info, context->File);
  jpeg_save_markers(info, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(info, TRUE);
  *data = nullptr;
  for (jpeg_saved_marker_ptr m = info->marker_list; m; m = m->next) {
    if (m->data_length > sizeof kXmpName &&
        std::memcmp(m->data, kXmpName, sizeof kXmpName) == 0) {
      *data = m->data + sizeof kXmpName;
      *length = m->data_length - static_cast<unsigned>(sizeof kXmpName);
      return true;
    }
  }
  return true;
}

}  // namespace

std::string ReadJpegXmp(const std::string& path) {
  const codec::FilePtr file = codec::OpenForReading(path);
  JpegReadContext context;
  context.Path = &path;
  context.File = file.get();
  const JOCTET* data = nullptr;
  unsigned length = 0;
  if (!FindJpegXmp(&context, &data, &length)) throw codec::ReadFailure(path, context.Error.Message);
  return data ? std::string(reinterpret_cast<const char*>(data), length) : std::string();
}

namespace {

// Decodes the open `file` as `context` asks; ImageError after a libjpeg error.
void DecodeJpegFile(JpegReadContext& context, const std::string& path, std::FILE* file) {
  context.Path = &path;
  context.File = file;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long size = std::ftell(file);
    context.FileSize = size > 0 ? static_cast<uint64_t>(size) : 0;
  }
  std::rewind(file);
  if (!DecodeJpeg(&context)) throw codec::ReadFailure(path, context.Error.Message);
}

}  // namespace

Bitmap ReadJpegFile(const std::string& path, int32_t minWidth) {
  const codec::FilePtr file = codec::OpenForReading(path);
  JpegReadContext context;
  context.MinWidth = minWidth;
  DecodeJpegFile(context, path, file.get());
  return std::move(context.Image);
}

namespace codec {

bool IsJpeg(std::span<const uint8_t> head) {
  return head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

ImageSize ReadJpegSize(const std::string& path) {
  const FilePtr file = OpenForReading(path);
  JpegReadContext context;
  context.SizeOnly = true;
  DecodeJpegFile(context, path, file.get());
  return context.Size;
}

}  // namespace codec

void WriteJpegFile(AtomicFileWriter& writer, const Bitmap& image, int quality) {
  const std::string& path = writer.Path();
  if (image.Empty()) throw codec::WriteFailure(path, "the image is empty");
  JpegWriteContext context;
  context.Image = &image;
  context.File = writer.Handle();
  context.Quality = quality;
  if (!EncodeJpeg(&context)) throw codec::WriteFailure(path, context.Error.Message);
}

void WriteJpegFile(const std::string& path, const Bitmap& image, int quality) {
  AtomicFileWriter writer(path);
  WriteJpegFile(writer, image, quality);
  writer.Commit();
}

}  // namespace talvero
