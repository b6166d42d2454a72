#include "layers/select_mng.h"

#include "layers/thumb_geometry.h"

namespace vt {

TSelectMng::TSelectMng(std::int32_t width, std::int32_t height) : width_(width), height_(height) {
  SetUpSlot(0);
}

void TSelectMng::SetUpSlot(std::int32_t slot) {
  TSlot& s = SlotAt(slot);
  if (!s.mask) s.mask = std::make_unique<TBlockChannel>();
  s.mask->SetSize(width_, height_);
  const TThumbSize size = ThumbSizeFor(width_, height_, PreviewSide);
  s.preview.SetSize(size.w, size.h);
  s.preview.Fill(0xFFFFFFFFu);
  s.nothingSelected = true;
}

void TSelectMng::SetPaperSize(std::int32_t width, std::int32_t height) {
  width_ = width;
  height_ = height;
  // Every slot in use gets a mask of the new size, so that no fill ever reads a mask
  // made for another paper size.
  for (std::int32_t s = 0; s <= slotTop_; ++s) SetUpSlot(s);
}

void TSelectMng::RefreshPreview(std::int32_t slot) {
  TSlot& s = SlotAt(slot);
  s.preview.Fill(0xFF000000u);
  const TIntRect used = s.mask->UsedBounds();
  const TIntRect r = ThumbRectFor(used, width_, height_, {s.preview.Width, s.preview.Height});
  s.mask->MaskPreview(s.preview, r.x, r.y, r.w, r.h);
}

void TSelectMng::SelectPolygon(std::int32_t slot, std::span<const TPointI> points, std::int32_t mode) {
  if (!InUse(slot)) return;
  TSlot& s = SlotAt(slot);
  TBlockChannel shape;
  shape.SetSize(SlotAt(0).mask->Width, SlotAt(0).mask->Height);
  RasterizePolygon(shape, points);
  if (s.nothingSelected) s.mask->FreeTiles();
  TMaskCombine kind{};
  bool combine = true;
  switch (mode) {
    case static_cast<std::int32_t>(TSelectMode::New): kind = TMaskCombine::Copy; break;
    case static_cast<std::int32_t>(TSelectMode::Add): kind = TMaskCombine::Add; break;
    case static_cast<std::int32_t>(TSelectMode::Subtract): kind = TMaskCombine::Sub; break;
    case static_cast<std::int32_t>(TSelectMode::Intersect): kind = TMaskCombine::And; break;
    default: combine = false; break;
  }
  if (combine) shape.CombineMask(*s.mask, kind, 0, 0, shape.Width, shape.Height, 0, 0);
  RefreshPreview(slot);
  s.nothingSelected = false;
}

void TSelectMng::SelectAll(std::int32_t slot) {
  if (!InUse(slot)) return;
  TSlot& s = SlotAt(slot);
  s.mask->FillMask(255, 0, 0, width_, height_);
  s.preview.Fill(0xFFFFFFFFu);
  s.nothingSelected = false;
}

void TSelectMng::ClearSelection(std::int32_t slot) {
  if (!InUse(slot)) return;
  TSlot& s = SlotAt(slot);
  s.nothingSelected = true;
  s.mask->FreeTiles();
  s.preview.Fill(0xFFFFFFFFu);
}

void TSelectMng::StoreSelection(std::int32_t slot) {
  if (!InUse(slot) || slotTop_ + 1 >= MaxSlots) return;
  const std::int32_t top = slotTop_ + 1;
  SetUpSlot(top);
  TSlot& from = SlotAt(slot);
  TSlot& to = SlotAt(top);
  from.mask->CombineMask(*to.mask, TMaskCombine::Copy, 0, 0, width_, height_, 0, 0);
  TPX& preview = to.preview;
  preview.SetSize(from.preview.Width, from.preview.Height);
  from.preview.CopyRect(preview, ClipRect{from.preview.Width, from.preview.Height, 0, 0, 0, 0});
  to.nothingSelected = from.nothingSelected;
  slotTop_ = top;
  ClearSelection(slot);
  currentSlot_ = slot;
}

void TSelectMng::GrowSelection(std::int32_t slot) {
  if (!InUse(slot) || SlotAt(slot).nothingSelected) return;
  TSlot& s = SlotAt(slot);
  TBlockChannel grown;
  grown.SetSize(s.mask->Width, s.mask->Height);
  s.mask->GrowMask(grown);
  SmoothStairs(grown, *s.mask);
  RefreshPreview(slot);
}

void TSelectMng::ShrinkSelection(std::int32_t slot) {
  if (!InUse(slot) || SlotAt(slot).nothingSelected) return;
  TSlot& s = SlotAt(slot);
  TBlockChannel shrunk;
  shrunk.SetSize(s.mask->Width, s.mask->Height);
  s.mask->ShrinkMask(shrunk);
  SmoothStairs(shrunk, *s.mask);
  RefreshPreview(slot);
}

void TSelectMng::InverseSelection(std::int32_t slot) {
  if (!InUse(slot) || SlotAt(slot).nothingSelected) return;
  TBlockChannel& mask = *SlotAt(slot).mask;
  const std::int32_t cols = (mask.Width + TBlock::TileSize - 1) / TBlock::TileSize;
  const std::int32_t rows = (mask.Height + TBlock::TileSize - 1) / TBlock::TileSize;
  for (std::int32_t row = 0; row < rows; ++row)
    for (std::int32_t col = 0; col < cols; ++col) {
      if (!mask.EnsureTileAt(col, row)) continue;
      TChannel& tile = *mask.TileAt(col, row);
      for (std::int32_t y = 0; y < tile.Height; ++y) {
        std::uint8_t* p = tile.Row(y);
        for (std::int32_t x = 0; x < tile.Width; ++x) p[x] = static_cast<std::uint8_t>(255 - p[x]);
      }
    }
  mask.Compact();
  RefreshPreview(slot);
  SlotAt(slot).nothingSelected = false;
}

void TSelectMng::SetCurrentSlot(std::int32_t index) {
  if (InUse(index)) currentSlot_ = index;
}

TSelectionInfo TSelectMng::SelectionInfo() const {
  const TSlot& s = slots_[static_cast<std::size_t>(currentSlot_)];
  return {s.mask.get(), &s.preview, s.nothingSelected};
}

std::int64_t TSelectMng::MemoryBytes() const {
  std::int64_t total = 0;
  for (std::int32_t s = 0; s <= slotTop_; ++s) total += slots_[static_cast<std::size_t>(s)].mask->MemoryBytes();
  return total;
}

bool TSelectMng::NothingSelected(std::int32_t slot) const {
  return !InUse(slot) || slots_[static_cast<std::size_t>(slot)].nothingSelected;
}

const TPX* TSelectMng::Preview(std::int32_t slot) const {
  return InUse(slot) ? &slots_[static_cast<std::size_t>(slot)].preview : nullptr;
}

const TBlockChannel* TSelectMng::Mask(std::int32_t slot) const {
  return InUse(slot) ? slots_[static_cast<std::size_t>(slot)].mask.get() : nullptr;
}

}  // namespace vt
