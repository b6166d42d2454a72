#include "raster/blend_kernels.h"

#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace vt {
namespace {

std::vector<const TBlendKernels*> FastKernels() {
  std::vector<const TBlendKernels*> out{&Sse2BlendKernels()};
  if (const TBlendKernels* avx2 = Avx2BlendKernels()) out.push_back(avx2);
  return out;
}

// Row k holds the pair (d, s) = (k >> 8, k & 255) in B and R and the swapped pair in G,
// so every lane sees all 65536 pairs; the A bytes are arbitrary.
struct TPairRows {
  std::vector<std::uint32_t> dst, src;
  TPairRows() : dst(65536), src(65536) {
    std::mt19937 rng(7);
    for (std::uint32_t k = 0; k < 65536; ++k) {
      const std::uint32_t d = k >> 8, s = k & 255;
      dst[k] = (rng() & 0xFF000000u) | d << 16 | s << 8 | d;
      src[k] = (rng() & 0xFF000000u) | s << 16 | d << 8 | s;
    }
  }
};

using TRowMember = TBlendRowFn TBlendKernels::*;

void ExpectRowsEqual(const TBlendKernels& fast, TRowMember fn, const char* name,
                     const std::vector<std::uint32_t>& dst, const std::vector<std::uint32_t>& src,
                     std::int32_t offset, std::int32_t width, std::uint8_t opacity) {
  std::vector<std::uint32_t> want(dst), got(dst);
  (ReferenceBlendKernels().*fn)(want.data() + offset, src.data() + offset, width, opacity);
  (fast.*fn)(got.data() + offset, src.data() + offset, width, opacity);
  for (std::size_t i = 0; i < want.size(); ++i)
    ASSERT_EQ(got[i], want[i]) << fast.Name << " " << name << " opacity " << int{opacity} << " pixel " << i
                               << std::hex << " d " << dst[i] << " s " << src[i];
}

const std::pair<TRowMember, const char*> kFamilies[] = {
    {&TBlendKernels::Draw, "Draw"},
    {&TBlendKernels::Add, "Add"},
    {&TBlendKernels::Sub, "Sub"},
    {&TBlendKernels::Multiply, "Multiply"},
};

TEST(BlendKernels, FastPathsEqualReferenceOverAllBytePairs) {
  const TPairRows rows;
  for (const TBlendKernels* fast : FastKernels())
    for (const auto& [fn, name] : kFamilies)
      for (int opacity : {255, 128, 0, 1, 254})
        ExpectRowsEqual(*fast, fn, name, rows.dst, rows.src, 0, 65536, static_cast<std::uint8_t>(opacity));
}

TEST(BlendKernels, FastPathsEqualReferenceAtEveryOpacityAndRowTail) {
  std::mt19937 rng(11);
  std::vector<std::uint32_t> dst(300), src(300);
  for (int round = 0; round < 4; ++round) {
    for (auto& v : dst) v = rng();
    for (auto& v : src) v = rng();
    for (const TBlendKernels* fast : FastKernels())
      for (const auto& [fn, name] : kFamilies)
        for (int opacity = 0; opacity < 256; ++opacity) {
          const std::int32_t offset = static_cast<std::int32_t>(rng() % 16);
          const std::int32_t width = static_cast<std::int32_t>(rng() % 270);
          ExpectRowsEqual(*fast, fn, name, dst, src, offset, width, static_cast<std::uint8_t>(opacity));
        }
  }
}

TEST(BlendKernels, MaskFillEqualsReferenceOverAllMaskAndDestinationValues) {
  // Pixel k: mask byte k >> 8 and destination byte k & 255 in every lane; with colours
  // covering the extremes and random values each lane sees all (mask, d) pairs.
  std::vector<std::uint32_t> dst(65536);
  std::vector<std::uint8_t> mask(65536);
  for (std::uint32_t k = 0; k < 65536; ++k) {
    mask[k] = static_cast<std::uint8_t>(k >> 8);
    dst[k] = (k * 0x9E3779B9u & 0xFF000000u) | 0x010101u * (k & 255);
  }
  std::mt19937 rng(3);
  std::vector<std::uint32_t> colours{0x00000000, 0xFFFFFFFF, 0x00FF00FF, 0x80010203};
  for (int i = 0; i < 12; ++i) colours.push_back(rng());
  for (const TBlendKernels* fast : FastKernels())
    for (std::uint32_t c : colours) {
      std::vector<std::uint32_t> want(dst), got(dst);
      ReferenceBlendKernels().MaskFill(want.data(), mask.data(), 65536, c);
      fast->MaskFill(got.data(), mask.data(), 65536, c);
      ASSERT_EQ(got, want) << fast->Name << std::hex << " colour " << c;
      for (std::int32_t width = 0; width < 40; ++width) {
        std::vector<std::uint32_t> w2(dst.begin(), dst.begin() + 64), g2(w2);
        const std::int32_t offset = width % 5;
        ReferenceBlendKernels().MaskFill(w2.data() + offset, mask.data() + 4000 + offset, width, c);
        fast->MaskFill(g2.data() + offset, mask.data() + 4000 + offset, width, c);
        ASSERT_EQ(g2, w2) << fast->Name << " width " << width;
      }
    }
}

TEST(BlendKernels, ActiveKernelsAreTheFastest) {
  const TBlendKernels* avx2 = Avx2BlendKernels();
  EXPECT_EQ(&ActiveBlendKernels(), avx2 != nullptr ? avx2 : &Sse2BlendKernels());
}

}  // namespace
}  // namespace vt
