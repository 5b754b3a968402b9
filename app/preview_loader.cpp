#include "app/preview_loader.h"

#include <chrono>
#include <exception>
#include <new>

#include "app/panorama_preview.h"
#include "imaging/bitmap.h"

namespace talvero {

TPreviewLoader::TPreviewLoader(QObject* parent) : QObject(parent) {
  FWorker = std::thread([this] { Work(); });
}

TPreviewLoader::~TPreviewLoader() {
  {
    const std::lock_guard lock(FLock);
    FStop = true;
    FPending.reset();
  }
  FWake.notify_all();
  FWorker.join();
}

void TPreviewLoader::Load(std::string fileName, ImageFormat format, bool sizeOnly) {
  {
    const std::lock_guard lock(FLock);
    FPending = Request{std::move(fileName), format, sizeOnly, ++FLatest};
    FResult.reset();
  }
  FBusy = true;
  FWake.notify_all();
}

void TPreviewLoader::Drop() {
  const std::lock_guard lock(FLock);
  ++FLatest;
  FPending.reset();
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

void TPreviewLoader::Work() {
  for (;;) {
    Request request;
    {
      std::unique_lock lock(FLock);
      FWake.wait(lock, [this] { return FStop || FPending; });
      if (FStop) return;
      request = std::move(*FPending);
      FPending.reset();
    }
    Result result{request.FileName, {}, {}, {}, {}, request.Id};
    try {
      Bitmap picture = ReadImage(request.FileName, request.Format);
      result.Size = QSize(picture.Width(), picture.Height());
      if (!request.SizeOnly) {
        result.Picture = ToQImage(picture);
        picture = Bitmap();
        // Scaling the whole of a large panorama down at its first paint would hold up the
        // window for a good part of a second; a copy of about the preview's size is made here.
        if (result.Picture.width() > kReducedWidth)
          result.Reduced = result.Picture.scaledToWidth(kReducedWidth, Qt::SmoothTransformation);
      }
    } catch (const std::bad_alloc&) {
      result.Error = "cannot show '" + request.FileName + "': not enough memory";
    } catch (const std::exception& e) {
      result.Error = e.what();
    }
    {
      const std::lock_guard lock(FLock);
      if (request.Id != FLatest) continue;  // a later choice came meanwhile
      FResult = std::move(result);
    }
    FDone.notify_all();
    QMetaObject::invokeMethod(this, [this] { Deliver(); }, Qt::QueuedConnection);
  }
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
