#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>
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

  std::uint64_t Packed() const {
    return (static_cast<std::uint64_t>(r5) << 8) | static_cast<std::uint64_t>(fx * 5 + fy) << 1 |
           (sampleAll ? 1u : 0u);
  }
};

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
  std::int32_t side = 0;            // 2 * reach + 1
  std::vector<std::uint8_t> codes;  // side * side, row dy = -reach first
  // Per stamp row, the first and last column holding a code other than kNothing, and the
  // first and last holding kWhole (first > last when there is none). The kWhole columns
  // of a row are one run, as the disc is convex.
  struct TRowSpan {
    std::int16_t first, last, wholeFirst, wholeLast;
    friend bool operator==(const TRowSpan&, const TRowSpan&) = default;
  };
  std::vector<TRowSpan> spans;

  const std::uint8_t* Row(std::int32_t dy) const {
    return codes.data() + static_cast<std::size_t>(dy + reach) * static_cast<std::size_t>(side);
  }
  const TRowSpan& Span(std::int32_t dy) const { return spans[static_cast<std::size_t>(dy + reach)]; }
  std::size_t Bytes() const { return codes.size() + sizeof(TRowSpan) * spans.size(); }
};

// Builds the stamp of one key from the circle's sample rows.
TDabStamp MakeDabStamp(const TDabStampKey& key);

// Recently used stamps under a hard byte budget, least recently used dropped first. A hit
// and a miss give the same stamp, so the cache never changes a result. One thread only.
class TDabStampCache {
 public:
  // Stamps are built for r5 up to this (radius below 20 pixels); larger dabs are drawn row
  // by row, as a stamp would cost more to build than it saves.
  static constexpr std::int32_t kMaxR5 = 100;
  static constexpr std::size_t kDefaultBudget = std::size_t{4} << 20;

  explicit TDabStampCache(std::size_t budget = kDefaultBudget) : budget_(budget) {}

  // The stamp of key (r5 in 1..kMaxR5). Valid until the next call.
  const TDabStamp& Get(const TDabStampKey& key);

  std::size_t Bytes() const { return bytes_; }
  std::size_t Count() const { return stamps_.size(); }

 private:
  std::size_t budget_;
  std::size_t bytes_ = 0;
  std::list<TDabStamp> stamps_;  // most recently used first
  std::unordered_map<std::uint64_t, std::list<TDabStamp>::iterator> index_;
};

}  // namespace vt
