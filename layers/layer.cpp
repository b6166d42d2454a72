#include "layers/layer.h"

#include "layers/thumb_geometry.h"

namespace vt {

TLayer::TLayer(std::int32_t mode) : Mode(mode) {
  block_.SetBackColor(ModeBackColor(mode));
  for (TBlockImage& slot : undoSlots_) slot.SetBackColor(ModeBackColor(mode));
  ResetUndo();
}

void TLayer::SetSize(std::int32_t width, std::int32_t height) {
  block_.SetSize(width, height);
  const TThumbSize size = ThumbSizeFor(width, height, ThumbnailSide);
  Thumbnail.SetSize(size.w, size.h);
  Thumbnail.Fill(0xFFFFFFFFu);
  ResetUndo();
}

void TLayer::SetMode(std::int32_t mode) {
  // Pixels held in tiles keep their colours; empty space takes the neutral colour of the
  // new mode, so a layer that was never painted stays invisible after the change.
  Mode = mode;
  block_.SetBackColor(ModeBackColor(mode));
  block_.Compact();
}

void TLayer::ClearLayer() {
  block_.FreeTiles();
  Thumbnail.Fill(block_.BackColor);
}

void TLayer::FillSelection(const TSelectionInfo& selection, std::uint32_t colour) {
  colour |= 0xFF000000u;
  if (selection.NothingSelected || selection.Mask == nullptr)
    block_.Fill(colour);
  else
    block_.MaskFill(*selection.Mask, colour, 0, 0, block_.Width, block_.Height);
}

void TLayer::FillRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::uint32_t colour) {
  block_.FillRect(x, y, (colour & 0xFFFFFFu) | 0xFF000000u, h, w);
}

void TLayer::ClearRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  block_.FillRect(x, y, block_.BackColor | 0xFF000000u, h, w);
}

void TLayer::OffsetContent(std::int32_t dx, std::int32_t dy) {
  TBlockImage moved;
  moved.SetSize(block_.Width, block_.Height);
  moved.SetBackColor(block_.BackColor);
  block_.CopyBlockRect(moved, 0, 0);
  // An empty layer reads as BackColor everywhere, which is what filling it would give.
  block_.FreeTiles();
  moved.CopyBlockRect(block_, dx, dy);
  block_.Compact();
}

void TLayer::FlipVertical() {
  block_.FlipVertical();
  block_.Compact();
}

void TLayer::FlipHorizontal() {
  block_.FlipHorizontal();
  block_.Compact();
}

void TLayer::Invert() {
  block_.Invert();
  block_.Compact();
}

void TLayer::Rotate180() {
  TBlockImage copy;
  copy.SetSize(block_.Width, block_.Height);
  copy.SetBackColor(block_.BackColor);
  block_.CopyBlockRect(copy, 0, 0);
  copy.Rotate180To(block_);
  block_.Compact();
}

void TLayer::SnapshotAll() { SnapshotRect(0, 0, block_.Width, block_.Height); }

void TLayer::SnapshotRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  UndoCount = std::min(UndoCount + 1, UndoDepth);
  UndoTop = (UndoTop + 1) % UndoDepth;
  const auto top = static_cast<std::size_t>(UndoTop);
  TBlockImage& slot = undoSlots_[top];
  // Only pixels the block can hold are kept: the rectangle is cut to its grid.
  constexpr std::int32_t t = TBlock::TileSize;
  const TIntRect r = Intersect({x, y, w, h}, {0, 0, block_.GridCols() * t, block_.GridRows() * t});
  const TPointI origin{r.x % t, r.y % t};
  undoRects_[top] = r;
  undoOrigins_[top] = origin;
  slot.SetSize(std::max(origin.x + r.w, 1), std::max(origin.y + r.h, 1));
  slot.SetBackColor(ModeBackColor(Mode));
  if (r.w > 0 && r.h > 0) block_.CopyBlockRect(slot, r.x, r.y, r.w, r.h, origin.x, origin.y);
}

TIntRect TLayer::UndoInto(TBlockImage& second) {
  UndoCount -= 1;
  const auto top = static_cast<std::size_t>(UndoTop);
  TBlockImage& slot = undoSlots_[top];
  const TIntRect restored = undoRects_[top];
  const TPointI origin = undoOrigins_[top];
  if (restored.w > 0 && restored.h > 0) {
    slot.CopyBlockRect(block_, origin.x, origin.y, restored.w, restored.h, restored.x, restored.y);
    slot.CopyBlockRect(second, origin.x, origin.y, restored.w, restored.h, restored.x, restored.y);
  }
  block_.CompactRect(restored.x, restored.y, restored.w, restored.h);
  second.CompactRect(restored.x, restored.y, restored.w, restored.h);
  slot.SetSize(4, 4);
  UndoTop = (UndoTop + UndoDepth - 1) % UndoDepth;
  return restored;
}

void TLayer::ResetUndo() {
  for (TBlockImage& slot : undoSlots_) slot.SetSize(4, 4);
  UndoCount = 0;
  UndoTop = 0;
}

void TLayer::CopyLayerFrom(const TLayer& other) {
  other.block_.CloneTo(block_);
  Thumbnail.SetSize(other.Thumbnail.Width, other.Thumbnail.Height);
  other.Thumbnail.CopyRect(Thumbnail, ClipRect{other.Thumbnail.Width, other.Thumbnail.Height, 0, 0, 0, 0});
  if (other.thumbnailStale_) UpdateThumbnail();
  Opacity = other.Opacity;
  Visible = other.Visible;
  // The clone already carries the other's BackColor, so taking over its mode needs no
  // reallocation: dropping uniform tiles gives what a full mode change would.
  Mode = other.Mode;
  block_.Compact();
  for (std::size_t i = 0; i < undoSlots_.size(); ++i) {
    undoSlots_[i].SetSize(other.undoSlots_[i].Width, other.undoSlots_[i].Height);
    other.undoSlots_[i].CloneTo(undoSlots_[i]);
    undoRects_[i] = other.undoRects_[i];
    undoOrigins_[i] = other.undoOrigins_[i];
  }
  UndoTop = other.UndoTop;
  UndoCount = other.UndoCount;
}

void TLayer::UpdateThumbnail() { UpdateThumbnail(0, 0, block_.Width, block_.Height); }

void TLayer::DeferThumbnail(bool defer) {
  thumbnailDeferred_ = defer;
  if (!defer && thumbnailStale_) UpdateThumbnail();
}

void TLayer::UpdateThumbnail(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  if (thumbnailDeferred_) {
    thumbnailStale_ = true;
    return;
  }
  thumbnailStale_ = false;
  const TIntRect r =
      ThumbRectFor({x, y, w, h}, block_.Width, block_.Height, {Thumbnail.Width, Thumbnail.Height});
  block_.ShrinkTo(Thumbnail, r.x, r.y, r.w, r.h);
}

std::int64_t TLayer::LayerBytes() const {
  return block_.MemoryBytes() + static_cast<std::int64_t>(Thumbnail.Width) * Thumbnail.Height * 4;
}

std::int64_t TLayer::UndoBytes() const {
  std::int64_t total = 0;
  for (const TBlockImage& slot : undoSlots_) total += slot.MemoryBytes();
  return total;
}

}  // namespace vt
