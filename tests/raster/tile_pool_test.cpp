#include "raster/tile_pool.h"

#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "raster/px.h"

namespace vt {
namespace {

std::uint8_t* Fresh(std::size_t bytes) {
  return static_cast<std::uint8_t*>(::operator new[](bytes, std::align_val_t{64}));
}

TEST(TilePool, KeepsTileSizedMemoryUpToItsBound) {
  tile_pool::Release();
  if (!tile_pool::Pooled(16384)) GTEST_SKIP() << "no pool in sanitized builds";
  EXPECT_FALSE(tile_pool::Pooled(16385));
  EXPECT_EQ(tile_pool::Take(16384), nullptr);

  // Only the two tile sizes are kept.
  std::uint8_t* odd = Fresh(100);
  EXPECT_FALSE(tile_pool::Give(odd, 100));
  ::operator delete[](odd, std::align_val_t{64});

  std::vector<std::uint8_t*> refused;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < tile_pool::MaxPooledBytes / 16384 + 10; ++i) {
    std::uint8_t* p = Fresh(16384);
    if (tile_pool::Give(p, 16384))
      ++kept;
    else
      refused.push_back(p);
  }
  EXPECT_EQ(kept * 16384, tile_pool::MaxPooledBytes);
  EXPECT_EQ(refused.size(), 10u);
  EXPECT_EQ(tile_pool::HeldBytes(), tile_pool::MaxPooledBytes);
  for (std::uint8_t* p : refused) ::operator delete[](p, std::align_val_t{64});
  tile_pool::Release();
  EXPECT_EQ(tile_pool::HeldBytes(), 0u);
}

TEST(TilePool, ATileMadeAfterOneIsDroppedReusesItsMemoryWithFreshPixels) {
  tile_pool::Release();
  if (!tile_pool::Pooled(16384)) GTEST_SKIP() << "no pool in sanitized builds";
  const std::uint8_t* old = nullptr;
  {
    TPX tile(64, 64, 0x12345678u);
    old = tile.Bits;
  }
  EXPECT_EQ(tile_pool::HeldBytes(), 16384u);
  TPX again(64, 64, 0xFF00FF00u);
  EXPECT_EQ(again.Bits, old);
  EXPECT_EQ(again.PixelAt(63, 63), 0xFF00FF00u);
  EXPECT_EQ(tile_pool::HeldBytes(), 0u);
}

}  // namespace
}  // namespace vt
