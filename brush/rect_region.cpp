#include "brush/rect_region.h"

#include <algorithm>
#include <limits>

namespace vt {

namespace {

// Rounds down to an even coordinate (toward zero) and moves outward by 2; formed in 64
// bits so that saturated coordinates cannot overflow.
std::int32_t RoundOut(std::int32_t v, std::int32_t margin) {
  const std::int64_t r = std::int64_t{v} / 2 * 2 + margin;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(r, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void TRectRegion::AddPoint(std::int32_t x, std::int32_t y) {
  if (empty_) {
    empty_ = false;
    minX_ = maxX_ = x;
    minY_ = maxY_ = y;
    return;
  }
  minX_ = std::min(minX_, x);
  minY_ = std::min(minY_, y);
  maxX_ = std::max(maxX_, x);
  maxY_ = std::max(maxY_, y);
}

void TRectRegion::AddSquare(float cx, float cy, float half) {
  const double h = half;
  AddPoint(TruncToInt(cx - h), TruncToInt(cy - h));
  AddPoint(TruncToInt(cx + h), TruncToInt(cy + h));
}

void TRectRegion::Add(const TRectRegion& other) {
  if (other.empty_) return;
  AddPoint(other.minX_, other.minY_);
  AddPoint(other.maxX_, other.maxY_);
}

TIntRect TRectRegion::Reported() const {
  if (empty_) return {};
  const std::int32_t left = RoundOut(minX_, -2), top = RoundOut(minY_, -2);
  const std::int32_t right = RoundOut(maxX_, 2), bottom = RoundOut(maxY_, 2);
  const auto span = [](std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(std::int64_t{b} - a, std::numeric_limits<std::int32_t>::max()));
  };
  return {left, top, span(left, right), span(top, bottom)};
}

}  // namespace vt
