#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "raster/block_channel.h"
#include "raster/helpers.h"
#include "raster/px.h"

namespace vt {

// What the layer fills receive: the current slot's mask and whether it selects anything.
// With NothingSelected the fills cover the whole paper; otherwise the mask is the fill
// opacity per pixel.
struct TSelectionInfo {
  const TBlockChannel* Mask = nullptr;
  const TPX* Preview = nullptr;
  bool NothingSelected = true;
};

// How SelectPolygon combines a new polygon with the slot's selection.
enum class TSelectMode : std::int32_t { New = 0, Add = 1, Subtract = 2, Intersect = 4 };

// The selections of one paper: up to 24 slots, each a coverage mask over the whole paper
// with a small preview; one slot is current. Slot 0 always exists; further slots come
// into use through StoreSelection.
class TSelectMng {
 public:
  static constexpr std::int32_t MaxSlots = 24;
  static constexpr std::int32_t PreviewSide = 48;

  TSelectMng(std::int32_t width, std::int32_t height);
  TSelectMng(const TSelectMng&) = delete;
  TSelectMng& operator=(const TSelectMng&) = delete;

  // Every slot in use is emptied at the new size; the current slot stays current.
  void SetPaperSize(std::int32_t width, std::int32_t height);

  // Rasterizes the closed polygon and combines it into the slot by mode (0 new, 1 add,
  // 2 subtract, 4 intersect; other values leave the mask as it is). The slot is marked
  // as selecting something in every case.
  void SelectPolygon(std::int32_t slot, std::span<const TPointI> points, std::int32_t mode);
  void SelectAll(std::int32_t slot);
  void ClearSelection(std::int32_t slot);
  // Copies the slot into a new slot above the others, then clears the slot and makes it
  // current. Nothing happens when all 24 slots are in use.
  void StoreSelection(std::int32_t slot);
  // Widen or narrow the selection by one pixel with ramped edges; only when something is
  // selected.
  void GrowSelection(std::int32_t slot);
  void ShrinkSelection(std::int32_t slot);
  // Each mask pixel becomes 255 minus its value over the whole paper; only when something
  // is selected.
  void InverseSelection(std::int32_t slot);

  void SetCurrentSlot(std::int32_t index);
  std::int32_t CurrentSlot() const { return currentSlot_; }
  std::int32_t SlotTop() const { return slotTop_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

  TSelectionInfo SelectionInfo() const;
  // Mask storage of the slots in use.
  std::int64_t MemoryBytes() const;
  bool NothingSelected(std::int32_t slot) const;
  const TPX* Preview(std::int32_t slot) const;
  const TBlockChannel* Mask(std::int32_t slot) const;

  // Polygon coverage with anti-aliased edges, raised into the mask with the larger-value
  // rule. The work is bounded by the paper: rows and columns outside it are never visited.
  static void RasterizePolygon(TBlockChannel& mask, std::span<const TPointI> points);
  // Copies a 0/255 source into the target and ramps each staircase step of its outline.
  static void SmoothStairs(const TBlockChannel& source, TBlockChannel& target);

 private:
  struct TSlot {
    std::unique_ptr<TBlockChannel> mask;
    TPX preview;
    bool nothingSelected = true;
  };

  bool InUse(std::int32_t slot) const { return slot >= 0 && slot <= slotTop_; }
  TSlot& SlotAt(std::int32_t slot) { return slots_[static_cast<std::size_t>(slot)]; }
  void SetUpSlot(std::int32_t slot);
  void RefreshPreview(std::int32_t slot);

  std::int32_t width_;
  std::int32_t height_;
  std::int32_t slotTop_ = 0;
  std::int32_t currentSlot_ = 0;
  std::array<TSlot, MaxSlots> slots_;
};

}  // namespace vt
