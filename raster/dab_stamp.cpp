#include "raster/dab_stamp.h"

#include <algorithm>
#include <cmath>

namespace vt {

namespace {

// The largest s >= 0 with s^2 < t, or -1 when t <= 0: the grid columns u with u^2 < t are
// -s..s. t stays far below 2^53 here, so the double root is off by at most one.
std::int64_t RootBelow(std::int64_t t) {
  if (t <= 0) return -1;
  auto s = static_cast<std::int64_t>(std::sqrt(static_cast<double>(t)));
  while (s * s >= t) --s;
  while ((s + 1) * (s + 1) < t) ++s;
  return s;
}

// Length of the overlap of a..b with -s..s.
std::int64_t Overlap(std::int64_t a, std::int64_t b, std::int64_t s) {
  return std::max<std::int64_t>(0, std::min(b, s) - std::max(a, -s) + 1);
}

}  // namespace

TDabStamp MakeDabStamp(const TDabStampKey& key) {
  TDabStamp stamp;
  stamp.key = key;
  stamp.reach = key.r5 / 5 + 3;
  stamp.side = 2 * stamp.reach + 1;
  const auto side = static_cast<std::size_t>(stamp.side);
  std::vector<std::uint8_t> row(side);
  stamp.spans.reserve(side);
  const std::int64_t R2 = std::int64_t{key.r5} * key.r5;
  for (std::int32_t dy = -stamp.reach; dy <= stamp.reach; ++dy) {
    const std::int64_t ey = 5 * std::int64_t{dy} - key.fy;
    // s[j]: grid row ey + j holds the points with |u| <= s[j]; rows 0 and 5 are the
    // pixel's corner rows, rows 0..4 its sample rows.
    std::int64_t s[6];
    for (std::int32_t j = 0; j <= 5; ++j) s[j] = RootBelow(R2 - (ey + j) * (ey + j));
    const auto inside = [](std::int64_t u, std::int64_t root) { return u >= -root && u <= root; };
    for (std::int32_t dx = -stamp.reach; dx <= stamp.reach; ++dx) {
      const std::int64_t ex = 5 * std::int64_t{dx} - key.fx;
      std::uint8_t code;
      const std::int32_t cornersIn =
          inside(ex, s[0]) + inside(ex + 5, s[0]) + inside(ex, s[5]) + inside(ex + 5, s[5]);
      if (!key.sampleAll && cornersIn == 0) {
        code = TDabStamp::kNothing;
      } else if (!key.sampleAll && cornersIn == 4) {
        code = TDabStamp::kWhole;
      } else {
        std::int64_t count = 0;
        for (std::int32_t j = 0; j < 5; ++j) count += Overlap(ex, ex + 4, s[j]);
        code = static_cast<std::uint8_t>(count + 1);
      }
      row[static_cast<std::size_t>(dx + stamp.reach)] = code;
    }
    TDabStamp::TRowSpan span{static_cast<std::int16_t>(stamp.side), -1, static_cast<std::int16_t>(stamp.side), -1,
                             static_cast<std::int32_t>(stamp.rims.size())};
    for (std::int32_t c = 0; c < stamp.side; ++c) {
      const auto at = static_cast<std::int16_t>(c);
      if (row[static_cast<std::size_t>(c)] != TDabStamp::kNothing) {
        span.first = std::min(span.first, at);
        span.last = at;
      }
      if (row[static_cast<std::size_t>(c)] == TDabStamp::kWhole) {
        span.wholeFirst = std::min(span.wholeFirst, at);
        span.wholeLast = at;
      }
    }
    for (std::int32_t c = span.first; c <= span.last; ++c)
      if (!span.HasWhole() || c < span.wholeFirst || c > span.wholeLast)
        stamp.rims.push_back(row[static_cast<std::size_t>(c)]);
    stamp.spans.push_back(span);
  }
  return stamp;
}

TDabStampCache::TDabStampCache(std::size_t budget)
    : budget_(budget), entries_(static_cast<std::size_t>(kMaxR5 + 1) * 50) {}

bool TDabStampCache::InRange(const TDabStampKey& key) {
  return key.r5 >= 1 && key.r5 <= kMaxR5 && key.fx >= 0 && key.fx < 5 && key.fy >= 0 && key.fy < 5;
}

std::size_t TDabStampCache::SlotOf(const TDabStampKey& key) {
  return (static_cast<std::size_t>(key.r5) * 25 + static_cast<std::size_t>(key.fx * 5 + key.fy)) * 2 +
         (key.sampleAll ? 1 : 0);
}

const TDabStamp& TDabStampCache::Get(const TDabStampKey& key) {
  if (!InRange(key)) {
    spare_ = MakeDabStamp(key);
    return spare_;
  }
  TEntry& entry = entries_[SlotOf(key)];
  entry.used = ++clock_;
  if (entry.stamp) return *entry.stamp;
  entry.stamp = std::make_unique<TDabStamp>(MakeDabStamp(key));
  bytes_ += entry.stamp->Bytes();
  ++count_;
  // Drop the least recently used stamps until the budget holds again; the new one stays
  // even if it alone is over (it is bounded by kMaxR5). Rare: every stamp of the table
  // together fits the default budget.
  while (bytes_ > budget_ && count_ > 1) {
    TEntry* oldest = nullptr;
    for (TEntry& e : entries_)
      if (e.stamp && &e != &entry && (!oldest || e.used < oldest->used)) oldest = &e;
    bytes_ -= oldest->stamp->Bytes();
    oldest->stamp.reset();
    --count_;
  }
  return *entry.stamp;
}

}  // namespace vt
