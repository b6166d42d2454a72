#pragma once

#include <array>
#include <cstdint>

#include "layers/select_mng.h"
#include "raster/block_image.h"
#include "raster/helpers.h"
#include "raster/px.h"

namespace vt {

// One layer of a paper: its pixels, how it is blended, a thumbnail and its own ring of
// eight undo snapshots. The block's BackColor is always the neutral colour of the
// layer's mode, so empty tiles never need compositing.
class TLayer {
 public:
  static constexpr std::int32_t UndoDepth = 8;
  static constexpr std::int32_t ThumbnailSide = 46;

  // Modes: 0 multiply (the standard layer), 1 add, 2 subtract. Mode 3 may be stored but
  // has no blend: compositing and merging skip it.
  explicit TLayer(std::int32_t mode);
  TLayer(const TLayer&) = delete;
  TLayer& operator=(const TLayer&) = delete;

  // White is neutral for multiply, black for add and subtract (and for mode 3).
  static std::uint32_t ModeBackColor(std::int32_t mode) { return mode == 0 ? 0xFFFFFFu : 0x000000u; }

  // Drops all pixels and the undo ring; the thumbnail is resized and blanked.
  void SetSize(std::int32_t width, std::int32_t height);
  // Changes only the meaning of empty space: painted tiles keep their colours.
  void SetMode(std::int32_t mode);

  void ClearLayer();
  // Colour through the selection mask, or over the whole paper when nothing is selected.
  void FillSelection(const TSelectionInfo& selection, std::uint32_t colour);
  void FillRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::uint32_t colour);
  void ClearRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  // Moves the content; what leaves the paper is lost, uncovered space is BackColor.
  void OffsetContent(std::int32_t dx, std::int32_t dy);
  void FlipVertical();
  void FlipHorizontal();
  void Invert();
  void Rotate180();

  // Push the pixels that an operation is about to change onto the undo ring; the ninth
  // snapshot overwrites the oldest.
  void SnapshotAll();
  void SnapshotRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  // Restores the newest snapshot into the layer and into `second` (its working copy) and
  // returns the restored rectangle. The caller checks UndoCount >= 1 first.
  TIntRect UndoInto(TBlockImage& second);
  void ResetUndo();

  // Makes this layer a full copy of the other (pixels, thumbnail, settings, undo ring).
  void CopyLayerFrom(const TLayer& other);

  void UpdateThumbnail();
  void UpdateThumbnail(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  // While deferred (nothing shows the thumbnail, as in a headless replay) updates only
  // mark it stale; ending the deferral brings a stale thumbnail up to date.
  void DeferThumbnail(bool defer);

  std::int64_t LayerBytes() const;
  std::int64_t UndoBytes() const;

  TBlockImage& Block() { return block_; }
  const TBlockImage& Block() const { return block_; }
  std::int32_t Width() const { return block_.Width; }
  std::int32_t Height() const { return block_.Height; }
  const TBlockImage& UndoSlot(std::int32_t i) const { return undoSlots_[static_cast<std::size_t>(i)]; }

  bool Visible = true;
  std::uint8_t Opacity = 255;
  std::int32_t Mode = 0;
  TPX Thumbnail;
  std::int32_t UndoTop = 0;
  std::int32_t UndoCount = 0;

 private:
  TBlockImage block_;
  std::array<TBlockImage, UndoDepth> undoSlots_;
  // Each snapshot's rectangle in the layer, and where it starts in its slot: at the same
  // place within a tile, so that saving and restoring copy whole tile rows.
  std::array<TIntRect, UndoDepth> undoRects_{};
  std::array<TPointI, UndoDepth> undoOrigins_{};
  bool thumbnailDeferred_ = false;
  bool thumbnailStale_ = false;
};

}  // namespace vt
