#pragma once

#include <cstddef>
#include <cstdint>

namespace vt {

// Pixel memory of the two tile sizes (64 x 64 at one and at four bytes a pixel), kept
// after a tile is destroyed so that the next tile made reuses it. Strokes, undo
// snapshots and loads make and drop tiles all the time; fresh memory costs a page fault
// per 4 KB on first touch, which is far dearer than the pixels written into it. At most
// MaxPooledBytes are held; beyond that memory goes back to the allocator. Safe to use from
// several threads.
namespace tile_pool {

inline constexpr std::size_t MaxPooledBytes = std::size_t{64} << 20;

// Whether memory of this many bytes is pooled at all.
bool Pooled(std::size_t bytes);
// 64-byte aligned memory of a pooled size from the pool, or null when it holds none.
std::uint8_t* Take(std::size_t bytes);
// Keeps the memory for reuse; false when it is not a pooled size or the pool is full, in
// which case the caller frees it.
bool Give(std::uint8_t* memory, std::size_t bytes);
// Bytes held now.
std::size_t HeldBytes();
// Frees everything held.
void Release();

}  // namespace tile_pool
}  // namespace vt
