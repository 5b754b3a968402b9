#include "app/preview/preview_loader.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <exception>
#include <new>
#include <utility>

#include "app/preview/panorama_preview.h"
#include "imaging/bitmap.h"

namespace talvero {

TPreviewLoader::TPreviewLoader(QObject* parent) : QObject(parent) {}

TPreviewLoader::~TPreviewLoader() { FWorker.Stop(); }

void TPreviewLoader::Load(std::string fileName, ImageFormat format, bool sizeOnly) {
  uint64_t id;
  {
    const std::lock_guard lock(FLock);
    id = ++FLatest;
    FResult.reset();
  }
  FBusy = true;
  FWorker.Post(Request{std::move(fileName), format, sizeOnly, id});
}

void TPreviewLoader::Drop() {
  FWorker.Drop();
  const std::lock_guard lock(FLock);
  ++FLatest;
  FResult.reset();
  FBusy = false;
}

void TPreviewLoader::WaitBriefly(int milliseconds) {
  {
    std::unique_lock lock(FLock);
    FDone.wait_for(lock, std::chrono::milliseconds(milliseconds),
                   [this] { return FResult && FResult->Id == FLatest; });
  }
  Deliver();
}

void TPreviewLoader::Serve(Request& request) {
  Result result{request.FileName, {}, {}, {}, {}, request.Id};
  try {
    if (request.SizeOnly) {
      // A 16384-wide panorama would otherwise be decoded whole (seconds, and 400 MB beside
      // the job's own copy) for two numbers; a file damaged past its header is the job's to
      // report.
      const ImageSize size = ReadImageSize(request.FileName, request.Format);
      result.Size = QSize(size.Width, size.Height);
    } else {
      Bitmap picture = ReadImage(request.FileName, request.Format);
      result.Size = QSize(picture.Width(), picture.Height());
      // Scaling the whole of a large panorama down at its first paint would hold up the
      // window for a good part of a second; a copy of about the preview's size is made here,
      // straight from the decoded pixels, which the picture then takes over (Qt's own
      // scaler would first make a 32-bit copy of it all: 512 MB for 16384 × 8192).
      if (picture.Width() > kReducedWidth) {
        const auto height = static_cast<int32_t>(
            (int64_t{picture.Height()} * kReducedWidth + picture.Width() / 2) / picture.Width());
        result.Reduced = ToQImage(ShrinkByAreas(picture, kReducedWidth, std::max(1, height)));
      }
      result.Picture = ToQImage(std::move(picture));
    }
  } catch (const std::bad_alloc&) {
    result.Error = "cannot show '" + request.FileName + "': not enough memory";
  } catch (const std::exception& e) {
    result.Error = e.what();
  }
  {
    const std::lock_guard lock(FLock);
    if (request.Id != FLatest) return;  // a later choice came meanwhile
    FResult = std::move(result);
  }
  FDone.notify_all();
  QMetaObject::invokeMethod(this, [this] { Deliver(); }, Qt::QueuedConnection);
}

void TPreviewLoader::Deliver() {
  std::optional<Result> result;
  {
    const std::lock_guard lock(FLock);
    if (!FResult || FResult->Id != FLatest) return;
    result = std::move(FResult);
    FResult.reset();
  }
  FBusy = false;
  emit Loaded(QString::fromStdString(result->FileName), result->Picture, result->Reduced,
              result->Size, QString::fromStdString(result->Error));
}

}  // namespace talvero
