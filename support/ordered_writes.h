// Writing a series of files with the outcome of one thread doing it all in turn, while the
// files are encoded on several threads.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "support/cancellation.h"
#include "support/file_util.h"

namespace talvero {

// One file of WriteFilesInOrder.
struct OrderedFile {
  OrderedFile() = default;
  OrderedFile(std::string path, std::function<void()> announce,
              std::function<void(AtomicFileWriter&)> encode)
      : Path(std::move(path)), Announce(std::move(announce)), Encode(std::move(encode)) {}

  std::string Path;
  // Runs on the calling thread once every earlier file has replaced its target, before this
  // one may replace its own (the progress line that names the file).
  std::function<void()> Announce;
  // Writes the file's bytes into its temporary file; runs on any thread.
  std::function<void(AtomicFileWriter&)> Encode;
  // Instead of Encode, for a file encoded elsewhere: hands over its complete, uncommitted
  // writer, waiting for it (or raises that encoding's failure); runs on any thread.
  std::function<std::shared_ptr<AtomicFileWriter>()> Take;
  // Runs on the calling thread once the file has replaced its target.
  std::function<void()> Written;
};

// Makes `count` files: prepare(k) runs on the calling thread, in order, and returns file k,
// which is then encoded in the background while the next one is prepared. What the user
// sees is what one thread doing announce, encode and replace in turn would give: file k is
// announced and replaces its target only after every earlier file has replaced its own.
// The first failure in file order (of prepare, an encoder or a replace), or a cancellation,
// ends the run: nothing further is announced or replaced, every temporary file is removed
// and the failure (CancelledError for a cancellation) is rethrown. Up to `threads` files
// are encoded at once (0: MaxWorkerThreads()); with one thread everything runs in turn on
// the calling thread.
void WriteFilesInOrder(int count, const std::function<OrderedFile(int)>& prepare,
                       const CancellationFlag* cancellation = nullptr, int threads = 0);

}  // namespace talvero
