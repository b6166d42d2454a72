#pragma once

#include <cstdint>

#include "raster/helpers.h"

namespace vt {

struct TThumbSize {
  std::int32_t w = 0;
  std::int32_t h = 0;
};

// Size of a small picture of a paper of width x height whose longer side is `side`
// (46 for layer thumbnails, 48 for selection previews); the ratio is taken in single
// precision first.
inline TThumbSize ThumbSizeFor(std::int32_t width, std::int32_t height, std::int32_t side) {
  if (width <= 0 || height <= 0) return {side, side};
  if (height < width) {
    const float ratio = static_cast<float>(side) / static_cast<float>(width);
    return {side, static_cast<std::int32_t>(static_cast<double>(height) * ratio) + 1};
  }
  const float ratio = static_cast<float>(side) / static_cast<float>(height);
  return {static_cast<std::int32_t>(static_cast<double>(width) * ratio) + 1, side};
}

// Maps a paper rectangle into thumbnail coordinates: the origin by trunc(x * tw / W) and
// the size by trunc(w * (tw / W)) + 1, so the thumbnail rectangle always covers it.
inline TIntRect ThumbRectFor(TIntRect paperRect, std::int32_t width, std::int32_t height, TThumbSize thumb) {
  if (width <= 0 || height <= 0) return {};
  const auto scale = [](std::int32_t v, std::int32_t t, std::int32_t total) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(v) * t / total);
  };
  const float rx = static_cast<float>(thumb.w) / static_cast<float>(width);
  const float ry = static_cast<float>(thumb.h) / static_cast<float>(height);
  return {scale(paperRect.x, thumb.w, width), scale(paperRect.y, thumb.h, height),
          static_cast<std::int32_t>(static_cast<double>(paperRect.w) * rx) + 1,
          static_cast<std::int32_t>(static_cast<double>(paperRect.h) * ry) + 1};
}

}  // namespace vt
