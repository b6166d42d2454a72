#pragma once

#include <array>
#include <cstdint>

#include "raster/block_channel.h"
#include "raster/block_image.h"

namespace vt {

// Working copies of layers during strokes. A stroke paints its coverage into a mask and
// the picture shown is the layer as it was before the stroke with the stroke colour laid
// on through the mask, so the layer's pre-stroke pixels must survive until the stroke
// ends. Up to four slots exist because in a shared drawing several members' strokes on
// different layers can be open at once; locally one slot is used.
class TFlowImage {
 public:
  static constexpr std::int32_t MaxSlots = 4;

  TFlowImage() = default;
  TFlowImage(const TFlowImage&) = delete;
  TFlowImage& operator=(const TFlowImage&) = delete;

  // Stored only for 1..4.
  void SetSlotCount(std::int32_t n);
  std::int32_t SlotCount() const { return slotCount_; }

  // Makes a slot hold a copy of the layer: nothing if one already does; otherwise the
  // least recently assigned unlocked slot (lower slot first on equal stamps) is cloned
  // from the layer block and its mask cleared. Nothing happens when
  // every slot in use is locked. Without copyLayer a newly taken slot keeps whatever it
  // held, for a caller that refreshes it right after.
  void Acquire(std::int32_t index, const TBlockImage& layerBlock, bool copyLayer = true);
  // Makes the working copy of the index equal to the layer block again.
  void Refresh(std::int32_t index, const TBlockImage& layerBlock);
  // Frees every slot (empties its blocks); stamps and locks stay.
  void Reset();

  // The blocks of the last slot in use that holds the index, or slot 0's if none does.
  TBlockImage& ImageFor(std::int32_t index);
  TBlockChannel& MaskFor(std::int32_t index);
  void SetLock(std::int32_t index, bool locked);

  // Whether a slot in use holds a working copy of the layer.
  bool Holds(std::int32_t index) const;
  // Whether the slot holding the layer is locked by a stroke in progress.
  bool LockedFor(std::int32_t index) const { return Holds(index) && locks_[static_cast<std::size_t>(SlotOf(index))]; }

  // Working images of the slots in use; masks are not counted.
  std::int64_t MemoryBytes() const;

  // The layer a slot holds (-1 = none) and whether it is locked.
  std::int32_t SlotLayer(std::int32_t slot) const { return layers_[static_cast<std::size_t>(slot)]; }
  bool SlotLocked(std::int32_t slot) const { return locks_[static_cast<std::size_t>(slot)]; }

 private:
  std::int32_t SlotOf(std::int32_t index) const;  // last slot in use holding it, or 0

  std::int32_t useCounter_ = 0;
  std::array<std::int32_t, MaxSlots> stamps_{-1, -1, -1, -1};
  std::int32_t slotCount_ = 1;
  std::array<TBlockImage, MaxSlots> images_;
  std::array<TBlockChannel, MaxSlots> masks_;
  std::array<std::int32_t, MaxSlots> layers_{-1, -1, -1, -1};
  std::array<bool, MaxSlots> locks_{};
};

}  // namespace vt
