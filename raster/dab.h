#pragma once

#include <cstdint>

#include "raster/block_channel.h"
#include "raster/block_image.h"

namespace vt {

// The pixel-level primitives that strokes, blurs and polygon fills are built from. Their
// results are replayed identically on every copy of a drawing, so the arithmetic is fixed:
// every float-to-integer conversion truncates toward zero (products such as 5 * radius are
// formed in double before truncating), divisions are integer divisions, and the sample
// grids are exact. Every write creates the tile it touches.

enum class TSpanOrientation { Horizontal, Vertical };

// Coverage dab into a mask, on a grid of fifths of a pixel. Pixels wholly inside store
// trunc(value * opacity) (scaled by the falloff when soft); rim pixels count 25 samples.
// Radii of 3 or less are sampled throughout. With largerOnly a pixel is only ever raised;
// without it rim pixels are blended toward value.
void MaskDisc(TBlockChannel& mask, std::uint8_t value, bool largerOnly, bool soft, float opacity,
              float radius, float cx, float cy);

// Anti-aliased run from `from` to `to` along row `line` (horizontal) or column `line`
// (vertical), in 1/64 pixel.
void MaskSpan(TBlockChannel& mask, TSpanOrientation orientation, std::int32_t line, std::uint8_t value,
              bool largerOnly, float opacity, float from, float to);

// Colour dab on a grid of quarter pixels with 4 x 4 samples at the rim, drawn with the
// block's BlendPixel and the colour's A byte forced to 0xFF. Soft falloff only for radii
// of 3 or more.
void ColourDisc(TBlockImage& image, std::uint32_t colour, bool soft, float opacity, float radius, float cx,
                float cy);

// Rebuilds the rectangle of destination from source: where the mask (times the optional
// second mask) is below 2 the source pixel, else a weighted 3 x 3 mean whose centre weight
// falls as the mask rises.
void BlurThroughMask(const TBlockImage& source, TBlockImage& destination, const TBlockChannel& mask,
                     const TBlockChannel* secondMask, std::int32_t x, std::int32_t y, std::int32_t w,
                     std::int32_t h);

// Blurring dab: the pixels wholly inside the circle blend toward the (2k + 1)^2 box mean of
// the source (k = boxRadius, 0 means 1), with an opacity falling toward the rim.
void BlurDisc(TBlockImage& destination, const TBlockImage& source, std::int32_t boxRadius, float radius,
              float cx, float cy);

}  // namespace vt
