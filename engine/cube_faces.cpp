// Cube faces of the default job: in the warped panorama the middle half of the height holds
// the four side faces and the top and bottom quarters the triangles of the top and bottom
// faces; the faces are cut out, the caps assembled, and every face resampled and written.
#include "engine/cube_faces.h"

#include <cstddef>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "engine/cap_pieces.h"
#include "engine/image_stage.h"
#include "imaging/bitmap.h"
#include "imaging/crop_stretch.h"
#include "support/ordered_writes.h"

namespace talvero {

namespace {

// Face i of a warped panorama at the output size; its progress goes to `lines`. Touches no
// setting, so it may run on any thread.
std::shared_ptr<Bitmap> MakeCubeFace(const Bitmap& panorama, int i, int32_t size,
                                     ProgressLines& lines) {
  const int32_t w = panorama.Width();
  const int32_t b = w / 4, f = w / 8;
  auto output = std::make_shared<Bitmap>();
  if (i < 4) {
    // Side faces are resampled straight out of the panorama; the back face (i = 3) lies
    // across its left and right edges, so its columns wrap round.
    const int32_t left = i < 3 ? f * (2 * i + 1) : 7 * f;
    if (i < 3 && size == b) {
      // At the warp's own size the face is a rectangle of the panorama: encoded in place.
      *output = Bitmap::View(panorama, left, f, b, b);
      return output;
    }
    *output = Bitmap::Uninitialized(size, size);
    StretchCrop(
        *output, panorama, b, b, [&](int64_t cx) { return (left + cx) % w; },
        [&](int64_t cy) { return f + cy; });
    if (i == 3) {
      lines.Add({ProgressStep::FacePiece, 1, 2, {}});
      lines.Add({ProgressStep::FacePiece, 2, 2, {}});
    }
    return output;
  }
  // The cap strip starts at panorama column 5f and wraps round, so its quarters are whole
  // faces; the pieces are read from the panorama without copying the strip.
  const int32_t top = i == 4 ? 0 : 3 * f;
  Bitmap face(b, b);
  std::vector<size_t> columns[4];
  for (int k = 0; k < 4; ++k)
    for (int32_t px = 0; px < b; ++px)
      columns[k].push_back(static_cast<size_t>((5 * f + b * k + px) % w) * 3);
  // In a warped panorama a piece holds its triangle, centred on the piece, and white beside
  // it (pixels without a source): the triangle of the top cap widens downwards, that of the
  // bottom cap upwards.
  int pieces = 0;
  DrawCapPieces(
      face, b, f, i - 4, columns, [&](int, int32_t py) { return panorama.Row(top + py); },
      [&] {
        lines.Add({ProgressStep::FacePiece, ++pieces, 4, {}});
      },
      [&](int32_t py, int32_t& first, int32_t& end) {
        const int32_t half = i == 4 ? py : f - 1 - py;  // quadrant row: the width
        first = f - 1 - half;
        end = f + half + 1;
      });
  if (size == b) {
    *output = std::move(face);
  } else {
    *output = Bitmap::Uninitialized(size, size);
    StretchDraw(*output, face);
  }
  return output;
}

}  // namespace

struct EarlyFace {
  ProgressLines Lines;  // written by the thread, read after Writer is ready
  std::shared_future<std::shared_ptr<AtomicFileWriter>> Writer;
};

std::shared_ptr<EarlyFace> StartEarlyFace(const Bitmap& panorama, int i,
                                          const JobSettings& settings, const JobContext& context) {
  auto face = std::make_shared<EarlyFace>();
  const std::string path =
      settings.SceneFolder + settings.RequireImageNames(stCube)[static_cast<size_t>(i)];
  const TExtractImageType type = settings.ExtractImageType;
  const int32_t size = settings.FaceSize;
  const CancellationFlag* cancellation = &context.Cancellation();
  face->Writer = std::async(
      std::launch::async, [cancellation, &panorama, i, size, path, type, lines = &face->Lines] {
        cancellation->ThrowIfCancelled();
        std::shared_ptr<AtomicFileWriter> writer;
        {
          const std::shared_ptr<Bitmap> output = MakeCubeFace(panorama, i, size, *lines);
          writer = std::make_shared<AtomicFileWriter>(path);
          EncodeImageAs(*writer, *output, type);
        }  // the face is free again before the writer waits for its turn
        return writer;
      });
  return face;
}

void WriteCubeFaces(const Bitmap& panorama, const JobSettings& settings, const JobContext& context,
                    const std::vector<std::shared_ptr<EarlyFace>>& early) {
  const int32_t size = settings.FaceSize;
  const std::string& folder = settings.SceneFolder;
  const TExtractImageType type = settings.ExtractImageType;
  const StringList& names = settings.RequireImageNames(stCube);

  context.Progress(ProgressStep::WriteImages, 0, 6);
  WriteFilesInOrder(
      6,
      [&](int i) {
        // The face's progress is shown when the face may be written, after the one before.
        auto lines = std::make_shared<ProgressLines>();
        lines->Add({ProgressStep::Image, i + 1, 6, names[static_cast<size_t>(i)]});
        OrderedFile file(folder + names[static_cast<size_t>(i)], {}, {});
        file.Written = [&context, path = file.Path] {
          context.Progress(ProgressStep::FileWritten, 0, 0, path);
        };
        if (static_cast<size_t>(i) < early.size() && early[static_cast<size_t>(i)]) {
          const std::shared_ptr<EarlyFace> face = early[static_cast<size_t>(i)];
          file.Announce = [&context, lines, face, made = face->Writer] {
            lines->ShowOn(context);
            made.wait();  // its dots are known once it is made
            face->Lines.ShowOn(context);
          };
          file.Take = [made = face->Writer] { return made.get(); };
          return file;
        }
        const std::shared_ptr<Bitmap> output = MakeCubeFace(panorama, i, size, *lines);
        file.Announce = [&context, lines] { lines->ShowOn(context); };
        file.Encode = [output, type](AtomicFileWriter& writer) {
          EncodeImageAs(writer, *output, type);
        };
        return file;
      },
      &context.Cancellation());
}

}  // namespace talvero
