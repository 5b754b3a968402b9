// Decodes the panorama for the image tab on a worker thread, so that choosing a large file
// never freezes the window. Only the latest request is delivered: a choice made while an
// earlier file is still decoding wins, and the earlier picture is dropped when it comes.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "imaging/image_codecs.h"
#include "support/latest_request_worker.h"

namespace talvero {

class TPreviewLoader : public QObject {
  Q_OBJECT

 public:
  explicit TPreviewLoader(QObject* parent = nullptr);
  ~TPreviewLoader() override;

  // Starts decoding `fileName` as `format`; a request not yet delivered is dropped.
  // `sizeOnly`: only the size is wanted (the picture is not kept).
  void Load(std::string fileName, ImageFormat format, bool sizeOnly);
  // Drops every request not yet delivered.
  void Drop();
  // Waits up to `milliseconds` for the latest request and delivers it before returning when
  // it is done by then (a small file then shows at once, as if decoded here).
  void WaitBriefly(int milliseconds);
  // The widest reduced copy made of a large picture.
  static constexpr int kReducedWidth = 2048;
  // A request is being decoded or waits to be.
  bool Busy() const { return FBusy; }

 signals:
  // The latest request: its picture (null when only the size was asked for or decoding
  // failed), a smaller copy of a large one (else null), the image's size and, when it
  // failed, why.
  void Loaded(const QString& fileName, const QImage& picture, const QImage& reduced, QSize size,
              const QString& error);

 private:
  struct Request {
    std::string FileName;
    ImageFormat Format = ImageFormat::Unsupported;
    bool SizeOnly = false;
    uint64_t Id = 0;
  };
  struct Result {
    std::string FileName;
    QImage Picture;
    QImage Reduced;
    QSize Size;
    std::string Error;
    uint64_t Id = 0;
  };

  void Serve(Request& request);
  void Deliver();

  bool FBusy = false;
  // The latest request's id and its result, shared with the worker.
  std::mutex FLock;
  std::condition_variable FDone;
  uint64_t FLatest = 0;
  std::optional<Result> FResult;
  LatestRequestWorker<Request> FWorker{[this](Request& request) { Serve(request); }};
};

}  // namespace talvero
