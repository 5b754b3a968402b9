#include "support/ordered_writes.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "support/parallel.h"

namespace talvero {

namespace {

void CheckCancelled(const CancellationFlag* cancellation) {
  if (cancellation) cancellation->ThrowIfCancelled();
}

// The file encoded into its temporary file, not yet committed.
std::shared_ptr<AtomicFileWriter> Encoded(const OrderedFile& file) {
  if (file.Take) return file.Take();
  auto writer = std::make_shared<AtomicFileWriter>(file.Path);
  file.Encode(*writer);
  return writer;
}

void WriteInTurn(int count, const std::function<OrderedFile(int)>& prepare,
                 const CancellationFlag* cancellation) {
  for (int k = 0; k < count; ++k) {
    CheckCancelled(cancellation);
    const OrderedFile file = prepare(k);
    if (file.Announce) file.Announce();
    CheckCancelled(cancellation);
    const std::shared_ptr<AtomicFileWriter> writer = Encoded(file);
    CheckCancelled(cancellation);
    writer->Commit();
    if (file.Written) file.Written();
  }
}

// A prepared file on its way to its target.
struct Entry {
  OrderedFile File;
  std::shared_ptr<AtomicFileWriter> Writer;  // complete, not yet committed
  std::exception_ptr Failure;
  bool Done = false;  // encoded or failed
};

class Encoders {
 public:
  Encoders(int threads, const CancellationFlag* cancellation) : FCancellation(cancellation) {
    for (int t = 0; t < threads; ++t) FWorkers.emplace_back([this] { Loop(); });
  }
  // Entries not started yet are dropped; the running ones are waited for.
  ~Encoders() {
    {
      std::lock_guard lock(FMutex);
      FStopping = true;
      FQueue.clear();
    }
    FChanged.notify_all();
    for (std::thread& worker : FWorkers) worker.join();
  }

  void Add(const std::shared_ptr<Entry>& entry) {
    {
      std::lock_guard lock(FMutex);
      FQueue.push_back(entry);
    }
    FChanged.notify_all();
  }

  // Waits for the entry when `wait`; true when it is done.
  bool Done(Entry& entry, bool wait) {
    std::unique_lock lock(FMutex);
    if (wait) FChanged.wait(lock, [&] { return entry.Done; });
    return entry.Done;
  }

 private:
  void Loop() {
    std::unique_lock lock(FMutex);
    for (;;) {
      FChanged.wait(lock, [&] { return FStopping || !FQueue.empty(); });
      if (FStopping) return;
      const std::shared_ptr<Entry> entry = std::move(FQueue.front());
      FQueue.pop_front();
      lock.unlock();
      std::shared_ptr<AtomicFileWriter> writer;
      std::exception_ptr failure;
      try {
        CheckCancelled(FCancellation);
        writer = Encoded(entry->File);
      } catch (...) {
        failure = std::current_exception();
        writer.reset();  // removes the temporary file
      }
      lock.lock();
      entry->Writer = std::move(writer);
      entry->Failure = failure;
      entry->Done = true;
      FChanged.notify_all();
    }
  }

  const CancellationFlag* FCancellation;
  std::mutex FMutex;
  std::condition_variable FChanged;
  std::deque<std::shared_ptr<Entry>> FQueue;
  bool FStopping = false;
  std::vector<std::thread> FWorkers;
};

}  // namespace

void WriteFilesInOrder(int count, const std::function<OrderedFile(int)>& prepare,
                       const CancellationFlag* cancellation, int threads) {
  if (threads <= 0) threads = MaxWorkerThreads();
  if (threads <= 1 || count <= 1) {
    WriteInTurn(count, prepare, cancellation);
    return;
  }

  // Prepared files not yet in place, in order; only the first one may be announced.
  std::deque<std::shared_ptr<Entry>> open;
  Encoders encoders(threads, cancellation);  // declared after `open`: stops first
  bool frontAnnounced = false;
  // Announces the first open file and, when it is encoded (waiting for it if `wait`),
  // puts it in place. True when it was put in place.
  auto settleFront = [&](bool wait) {
    Entry& front = *open.front();
    if (!frontAnnounced) {
      frontAnnounced = true;
      if (front.File.Announce) front.File.Announce();
    }
    if (!encoders.Done(front, wait)) return false;
    if (front.Failure) std::rethrow_exception(front.Failure);
    CheckCancelled(cancellation);
    front.Writer->Commit();
    const std::function<void()> written = std::move(front.File.Written);
    open.pop_front();
    frontAnnounced = false;
    if (written) written();
    return true;
  };

  for (int k = 0; k < count; ++k) {
    CheckCancelled(cancellation);
    auto entry = std::make_shared<Entry>();
    try {
      entry->File = prepare(k);
    } catch (...) {
      // Earlier files come first, as they would with one thread; their failure wins.
      while (!open.empty()) settleFront(true);
      throw;
    }
    open.push_back(entry);
    encoders.Add(entry);
    // At most `threads` files wait for their turn; the rest is settled as far as it goes.
    while (!open.empty() && settleFront(open.size() >= static_cast<size_t>(threads))) {
    }
  }
  while (!open.empty()) settleFront(true);
}

}  // namespace talvero
