// Scratch objects for work split over threads, kept from block to block: a block takes one
// for its run and gives it back, so their arrays are made once per worker rather than once
// per block. This stands in for thread_local objects, which must not have destructors here:
// MinGW's emulated thread storage is freed at thread exit before those destructors run, so
// they would read and free memory that is no longer theirs.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

namespace talvero {

template <class T>
class ScratchPool {
 public:
  class Lease {
   public:
    Lease(ScratchPool& pool, std::unique_ptr<T> object)
        : FPool(pool), FObject(std::move(object)) {}
    ~Lease() { FPool.GiveBack(std::move(FObject)); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;

    T& operator*() const { return *FObject; }
    T* operator->() const { return FObject.get(); }

   private:
    ScratchPool& FPool;
    std::unique_ptr<T> FObject;
  };

  // An object no other lease holds: one given back earlier, else a new one. Any thread.
  Lease Take() {
    std::unique_ptr<T> object;
    {
      std::lock_guard lock(FMutex);
      if (!FFree.empty()) {
        object = std::move(FFree.back());
        FFree.pop_back();
      }
    }
    if (!object) object = std::make_unique<T>();
    return Lease(*this, std::move(object));
  }

 private:
  void GiveBack(std::unique_ptr<T> object) noexcept {
    std::lock_guard lock(FMutex);
    try {
      FFree.push_back(std::move(object));
    } catch (...) {
      // No room to keep it: the object simply goes.
    }
  }

  std::mutex FMutex;
  std::vector<std::unique_ptr<T>> FFree;
};

}  // namespace talvero
