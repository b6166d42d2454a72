#include "raster/flow_image.h"

namespace vt {

void TFlowImage::SetSlotCount(std::int32_t n) {
  if (n >= 1 && n <= MaxSlots) slotCount_ = n;
}

std::int32_t TFlowImage::SlotOf(std::int32_t index) const {
  std::int32_t found = 0;
  for (std::int32_t s = 0; s < slotCount_; ++s)
    if (layers_[static_cast<std::size_t>(s)] == index) found = s;
  return found;
}

bool TFlowImage::Holds(std::int32_t index) const {
  for (std::int32_t s = 0; s < slotCount_; ++s)
    if (layers_[static_cast<std::size_t>(s)] == index) return true;
  return false;
}

void TFlowImage::Acquire(std::int32_t index, const TBlockImage& layerBlock, bool copyLayer) {
  if (Holds(index)) return;

  // The unlocked slot with the smallest stamp; scanning upward with a strict comparison
  // keeps the lower slot on equal stamps.
  std::int32_t chosen = -1;
  for (std::int32_t s = 0; s < slotCount_; ++s) {
    const auto i = static_cast<std::size_t>(s);
    if (locks_[i]) continue;
    if (chosen < 0 || stamps_[i] < stamps_[static_cast<std::size_t>(chosen)]) chosen = s;
  }
  if (chosen < 0) return;

  const auto i = static_cast<std::size_t>(chosen);
  TBlockImage& image = images_[i];
  TBlockChannel& mask = masks_[i];
  if (image.Width != layerBlock.Width || image.Height != layerBlock.Height) {
    image.SetSize(layerBlock.Width, layerBlock.Height);
    mask.SetSize(layerBlock.Width, layerBlock.Height);
    layers_[i] = -1;
    locks_[i] = false;
  }
  if (copyLayer) layerBlock.CloneTo(image);
  // A missing mask tile reads as 0, so freeing the tiles clears the mask without holding
  // a tile for every part of the paper the stroke never reaches.
  mask.FreeTiles();
  layers_[i] = index;
  locks_[i] = false;
  stamps_[i] = useCounter_++;
}

void TFlowImage::Refresh(std::int32_t index, const TBlockImage& layerBlock) {
  layerBlock.CloneTo(ImageFor(index));
}

void TFlowImage::Reset() {
  for (std::size_t i = 0; i < MaxSlots; ++i) {
    layers_[i] = -1;
    images_[i].SetSize(4, 4);
    masks_[i].SetSize(4, 4);
  }
}

TBlockImage& TFlowImage::ImageFor(std::int32_t index) { return images_[static_cast<std::size_t>(SlotOf(index))]; }

TBlockChannel& TFlowImage::MaskFor(std::int32_t index) { return masks_[static_cast<std::size_t>(SlotOf(index))]; }

void TFlowImage::SetLock(std::int32_t index, bool locked) { locks_[static_cast<std::size_t>(SlotOf(index))] = locked; }

std::int64_t TFlowImage::MemoryBytes() const {
  std::int64_t total = 0;
  for (std::int32_t s = 0; s < slotCount_; ++s) total += images_[static_cast<std::size_t>(s)].MemoryBytes();
  return total;
}

}  // namespace vt
