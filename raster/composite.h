#pragma once

#include <cstdint>
#include <span>

#include "raster/block_image.h"
#include "raster/helpers.h"
#include "raster/px.h"

namespace vt {

// Layer blend modes: multiply (white is neutral), add and subtract (black is neutral).
enum class TBlendMode : std::int32_t { Multiply = 0, Add = 1, Subtract = 2 };

// One layer of a composite, bottom first. Modes other than the three are not drawn.
struct TCompositeLayer {
  const TBlockImage* block = nullptr;
  std::int32_t mode = 0;
  std::uint8_t opacity = 255;
};

// Fills the rectangle of the target with paperColour (stored as given), then blends each
// layer's block over it, bottom to top, by its mode and opacity. Target and blocks share
// paper coordinates; missing tiles cost nothing.
void CompositeRect(TPX& target, std::uint32_t paperColour, std::span<const TCompositeLayer> layers,
                   TIntRect rect);

}  // namespace vt
