#include "raster/tile_pool.h"

#include <mutex>
#include <new>
#include <vector>

namespace vt::tile_pool {

namespace {

constexpr std::size_t kImageTile = 64 * 64 * 4;
constexpr std::size_t kChannelTile = 64 * 64;
constexpr std::align_val_t kAlign{64};

struct TPool {
  std::mutex lock;
  std::vector<std::uint8_t*> images, channels;
  std::size_t held = 0;

  std::vector<std::uint8_t*>& ListFor(std::size_t bytes) { return bytes == kImageTile ? images : channels; }

  ~TPool() { Free(); }
  void Free() {
    for (auto* list : {&images, &channels}) {
      for (std::uint8_t* p : *list) ::operator delete[](p, kAlign);
      list->clear();
    }
    held = 0;
  }
};

TPool& Pool() {
  static TPool pool;
  return pool;
}

// Memory handed around here is invisible to the address sanitizer's use-after-free
// checks, so sanitized builds keep no pool.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kEnabled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kEnabled = false;
#else
constexpr bool kEnabled = true;
#endif
#else
constexpr bool kEnabled = true;
#endif

}  // namespace

bool Pooled(std::size_t bytes) { return kEnabled && (bytes == kImageTile || bytes == kChannelTile); }

std::uint8_t* Take(std::size_t bytes) {
  if (!Pooled(bytes)) return nullptr;
  TPool& pool = Pool();
  const std::lock_guard<std::mutex> guard(pool.lock);
  auto& list = pool.ListFor(bytes);
  if (list.empty()) return nullptr;
  std::uint8_t* p = list.back();
  list.pop_back();
  pool.held -= bytes;
  return p;
}

bool Give(std::uint8_t* memory, std::size_t bytes) {
  if (!memory || !Pooled(bytes)) return false;
  TPool& pool = Pool();
  const std::lock_guard<std::mutex> guard(pool.lock);
  if (pool.held + bytes > MaxPooledBytes) return false;
  auto& list = pool.ListFor(bytes);
  // The list's own growth may throw; the memory then simply is not kept.
  try {
    list.push_back(memory);
  } catch (const std::bad_alloc&) {
    return false;
  }
  pool.held += bytes;
  return true;
}

std::size_t HeldBytes() {
  TPool& pool = Pool();
  const std::lock_guard<std::mutex> guard(pool.lock);
  return pool.held;
}

void Release() {
  TPool& pool = Pool();
  const std::lock_guard<std::mutex> guard(pool.lock);
  pool.Free();
}

}  // namespace vt::tile_pool
