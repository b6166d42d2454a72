#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vt {

// What a hard mask dab does to each pixel near its centre, on the grid of fifths of a
// pixel. With R2 = r5^2, X0 = 5 * xc + fx and Y0 = 5 * yc + fy (0 <= fx, fy < 5), the pixel
// xc + dx, yc + dy has ex = 5 * dx - fx and ey = 5 * dy - fy, so its outcome depends only on
// (r5, fx, fy, sampleAll) and (dx, dy). One stamp serves every dab with that key.
struct TDabStampKey {
  std::int32_t r5 = 0;
  std::int32_t fx = 0, fy = 0;
  bool sampleAll = false;  // every pixel counts its samples (radius 3 or less)
};

// A stamp keeps, per row, where the touched pixels lie, where the wholly inside run lies,
// and the codes of the partly covered pixels only: the inside run needs none, and a small
// stamp stays in cache while a stroke's dabs draw from many of them.
struct TDabStamp {
  // Codes per pixel: nothing is drawn; a partly covered pixel with 0..25 of its samples
  // inside (code = count + 1, blended even at count 0); all four corners inside.
  static constexpr std::uint8_t kNothing = 0;
  static constexpr std::uint8_t kWhole = 27;
  static constexpr std::int32_t kCodes = 28;

  TDabStampKey key;
  // dx and dy run over -reach..reach. Any pixel of a dab's range trunc(c - r)..trunc(c + r)
  // lies within r5 / 5 + 3 of the centre pixel, so the stamp covers the whole range.
  std::int32_t reach = 0;
  std::int32_t side = 0;  // 2 * reach + 1

  // Per row (dy = -reach first), in stamp columns 0..side - 1: the first and last column
  // holding a code other than kNothing, and the first and last holding kWhole (first >
  // last when there is none). The kWhole columns of a row are one run and every column
  // between first and last holds a code other than kNothing, as the disc is convex.
  // `rim` is where the row's codes start in `rims`: those of columns first..wholeFirst - 1
  // and then wholeLast + 1..last, or of first..last when the row has no kWhole run.
  struct TRowSpan {
    std::int16_t first, last, wholeFirst, wholeLast;
    std::int32_t rim;
    bool HasWhole() const { return wholeFirst <= wholeLast; }
    friend bool operator==(const TRowSpan&, const TRowSpan&) = default;
  };
  std::vector<TRowSpan> spans;
  std::vector<std::uint8_t> rims;

  const TRowSpan& Span(std::int32_t dy) const { return spans[static_cast<std::size_t>(dy + reach)]; }
  std::size_t Bytes() const { return sizeof(TRowSpan) * spans.size() + rims.size(); }
};

// Builds the stamp of one key from the circle's sample rows.
TDabStamp MakeDabStamp(const TDabStampKey& key);

// Stamps under a hard byte budget, the least recently used dropped first; stamps are found
// by their key directly, without hashing. A hit and a miss give the same stamp, so the
// cache never changes a result. One thread only.
class TDabStampCache {
 public:
  // Stamps are built for r5 up to this (radius below 40 pixels, the brushes' usual range);
  // larger dabs are drawn row by row. Every stamp of this range together takes about
  // 3.7 MB, under the default budget.
  static constexpr std::int32_t kMaxR5 = 200;
  static constexpr std::size_t kDefaultBudget = std::size_t{4} << 20;

  explicit TDabStampCache(std::size_t budget = kDefaultBudget);

  // The stamp of key (r5 in 1..kMaxR5, fx and fy in 0..4; another key gets a stamp built
  // for the call). Valid until the next call.
  const TDabStamp& Get(const TDabStampKey& key);

  std::size_t Bytes() const { return bytes_; }
  std::size_t Count() const { return count_; }

 private:
  struct TEntry {
    std::unique_ptr<TDabStamp> stamp;
    std::uint64_t used = 0;
  };
  static bool InRange(const TDabStampKey& key);
  static std::size_t SlotOf(const TDabStampKey& key);

  std::size_t budget_;
  std::size_t bytes_ = 0;
  std::size_t count_ = 0;
  std::uint64_t clock_ = 0;
  std::vector<TEntry> entries_;
  TDabStamp spare_;  // for keys outside the table
};

}  // namespace vt
