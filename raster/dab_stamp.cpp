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

constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

constexpr std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

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
  stamp.spans.reserve(static_cast<std::size_t>(stamp.side));
  const std::int64_t R2 = std::int64_t{key.r5} * key.r5;
  const std::int64_t reach = stamp.reach;
  // Stamp column c is the pixel dx = c - reach, whose left corner is at grid column
  // ex = 5 * dx - fx and right corner at ex + 5.
  const auto exOf = [&](std::int64_t c) { return 5 * (c - reach) - key.fx; };
  // The stamp columns whose ex lies in lo..hi (an empty range gives first > last).
  const auto columns = [&](std::int64_t lo, std::int64_t hi, std::int64_t& first, std::int64_t& last) {
    first = CeilDiv(lo + key.fx, 5) + reach;
    last = FloorDiv(hi + key.fx, 5) + reach;
  };
  for (std::int32_t dy = -stamp.reach; dy <= stamp.reach; ++dy) {
    const std::int64_t ey = 5 * std::int64_t{dy} - key.fy;
    // s[j]: grid row ey + j holds the points with |u| <= s[j]; rows 0 and 5 are the
    // pixel's corner rows, rows 0..4 its sample rows.
    std::int64_t s[6];
    for (std::int32_t j = 0; j <= 5; ++j) s[j] = RootBelow(R2 - (ey + j) * (ey + j));
    const auto count = [&](std::int64_t c) {
      const std::int64_t ex = exOf(c);
      std::int64_t n = 0;
      for (std::int32_t j = 0; j < 5; ++j) n += Overlap(ex, ex + 4, s[j]);
      return static_cast<std::uint8_t>(n + 1);
    };
    TDabStamp::TRowSpan span{static_cast<std::int16_t>(stamp.side), -1, static_cast<std::int16_t>(stamp.side), -1,
                             static_cast<std::int32_t>(stamp.rims.size())};
    std::int64_t first = 0, last = stamp.side - 1, wholeFirst = stamp.side, wholeLast = -1;
    if (!key.sampleAll) {
      // Some corner inside: the left corner (ex) or the right one (ex + 5) within the
      // farther-reaching corner row's -smax..smax. All four inside: both corners within
      // the nearer-reaching row's -smin..smin.
      // The right corner of column c is the left one of c + 1, so the columns with some
      // corner inside are those with the left one inside and the column before each.
      const std::int64_t smax = std::max(s[0], s[5]), smin = std::min(s[0], s[5]);
      columns(-smax, smax, first, last);
      if (smax < 0 || first > last)
        first = stamp.side, last = -1;
      else
        first -= 1;
      if (smin >= 0) columns(-smin, smin - 5, wholeFirst, wholeLast);
      first = std::max<std::int64_t>(first, 0);
      last = std::min<std::int64_t>(last, stamp.side - 1);
      wholeFirst = std::max<std::int64_t>(wholeFirst, 0);
      wholeLast = std::min<std::int64_t>(wholeLast, stamp.side - 1);
      if (wholeFirst > wholeLast) wholeFirst = stamp.side, wholeLast = -1;
    }
    if (first <= last) {
      span.first = static_cast<std::int16_t>(first);
      span.last = static_cast<std::int16_t>(last);
      span.wholeFirst = static_cast<std::int16_t>(wholeFirst);
      span.wholeLast = static_cast<std::int16_t>(wholeLast);
      for (std::int64_t c = first; c <= last; ++c)
        if (!span.HasWhole() || c < wholeFirst || c > wholeLast) stamp.rims.push_back(count(c));
    }
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
