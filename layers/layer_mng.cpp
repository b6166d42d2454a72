#include "layers/layer_mng.h"

#include <algorithm>
#include <vector>

#include "raster/composite.h"

namespace vt {

namespace {

bool Blendable(std::int32_t mode) { return mode >= 0 && mode <= 2; }

}  // namespace

TLayerMng::TLayerMng(std::int32_t width, std::int32_t height) : Width(width), Height(height) {
  Layers[0] = NewLayer(0);
  Layers[0]->ClearLayer();
  SetActive(0);
}

void TLayerMng::SetPaperSize(std::int32_t width, std::int32_t height) {
  Width = width;
  Height = height;
}

std::unique_ptr<TLayer> TLayerMng::NewLayer(std::int32_t mode) const {
  auto layer = std::make_unique<TLayer>(mode);
  layer->SetSize(Width, Height);
  layer->DeferThumbnail(deferThumbnails_);
  return layer;
}

template <typename Op>
void TLayerMng::Edit(std::int32_t index, Op&& op) {
  if (!InRange(index)) return;
  TLayer& layer = LayerAt(index);
  // The working copy is made afresh from the edited layer, so a slot newly taken for it
  // need not copy the layer before the edit.
  Flow.Acquire(index, layer.Block(), false);
  op(layer);
  AfterLayerChange(index);
}

void TLayerMng::AfterLayerChange(std::int32_t index) {
  if (!InRange(index)) return;
  // Cloned from the compacted layer, the copy holds no uniform tile either.
  LayerAt(index).Block().Compact();
  Flow.Refresh(index, LayerAt(index).Block());
  LayerAt(index).UpdateThumbnail();
}

void TLayerMng::FillSelection(const TSelectionInfo& selection, std::int32_t index, std::uint32_t colour) {
  Edit(index, [&](TLayer& l) { l.FillSelection(selection, colour); });
}

void TLayerMng::ClearLayer(std::int32_t index) {
  Edit(index, [](TLayer& l) { l.ClearLayer(); });
}

void TLayerMng::FlipVertical(std::int32_t index) {
  Edit(index, [](TLayer& l) { l.FlipVertical(); });
}

void TLayerMng::FlipHorizontal(std::int32_t index) {
  Edit(index, [](TLayer& l) { l.FlipHorizontal(); });
}

void TLayerMng::Invert(std::int32_t index) {
  Edit(index, [](TLayer& l) { l.Invert(); });
}

void TLayerMng::Rotate180(std::int32_t index) {
  Edit(index, [](TLayer& l) { l.Rotate180(); });
}

void TLayerMng::Offset(std::int32_t index, std::int32_t dx, std::int32_t dy) {
  Edit(index, [&](TLayer& l) { l.OffsetContent(dx, dy); });
}

void TLayerMng::ClearRect(std::int32_t index, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  Edit(index, [&](TLayer& l) { l.ClearRect(x, y, w, h); });
}

void TLayerMng::FillRect(std::int32_t index, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                         std::uint32_t colour) {
  Edit(index, [&](TLayer& l) { l.FillRect(x, y, w, h, colour); });
}

void TLayerMng::FillPolygon(std::int32_t index, std::span<const TPointI> points, std::uint32_t colour) {
  Edit(index, [&](TLayer& l) {
    TBlockChannel shape;
    shape.SetSize(Width, Height);
    TSelectMng::RasterizePolygon(shape, points);
    l.FillSelection({&shape, nullptr, false}, colour);
  });
}

void TLayerMng::ClearPolygon(std::int32_t index, std::span<const TPointI> points) {
  FillPolygon(index, points, InRange(index) ? LayerAt(index).Block().BackColor : 0);
}

void TLayerMng::LoadLayerFromImage(std::int32_t index, const TPX& image) {
  Edit(index, [&](TLayer& l) {
    l.Block().LoadFromImage(image);
    l.Block().Compact();
  });
}

void TLayerMng::SetVisible(std::int32_t index, bool visible) {
  if (InRange(index)) LayerAt(index).Visible = visible;
}

void TLayerMng::ToggleSolo(std::int32_t index) {
  if (!InRange(index)) return;
  const bool wasVisible = LayerAt(index).Visible;
  for (std::int32_t i = 0; i <= TopIndex; ++i) LayerAt(i).Visible = wasVisible;
  LayerAt(index).Visible = !wasVisible;
}

void TLayerMng::SetOpacity(std::int32_t index, std::uint8_t opacity) {
  if (InRange(index)) LayerAt(index).Opacity = opacity;
}

void TLayerMng::SetMode(std::int32_t index, std::int32_t mode) {
  if (!InRange(index) || LayerAt(index).Mode == mode) return;
  LayerAt(index).SetMode(mode);
  // Any working copy of the layer carries the old background: refresh it, unless a stroke
  // is being drawn in it (the stroke commits over its own rectangle when it ends).
  if ((index == ActiveIndex || Flow.Holds(index)) && !Flow.LockedFor(index)) {
    AfterLayerChange(index);
  }
}

void TLayerMng::SetActive(std::int32_t index) {
  if (!InRange(index)) return;
  Flow.Acquire(index, LayerAt(index).Block());
  ActiveIndex = index;
}

void TLayerMng::AddLayer(std::int32_t mode) {
  if (!CanAddLayer()) return;
  TopIndex += 1;
  Layers[static_cast<std::size_t>(TopIndex)] = NewLayer(mode);
  LayerAt(TopIndex).ClearLayer();
  Flow.Reset();
  SetActive(TopIndex);
}

void TLayerMng::DuplicateLayer(std::int32_t index) {
  if (!InRange(index) || !CanAddLayer()) return;
  const TLayer& source = LayerAt(index);
  TopIndex += 1;
  Layers[static_cast<std::size_t>(TopIndex)] = NewLayer(source.Mode);
  LayerAt(TopIndex).CopyLayerFrom(source);
  LayerAt(index).UpdateThumbnail();
  Flow.Reset();
  SetActive(TopIndex);
}

void TLayerMng::DeleteLayer(std::int32_t index) {
  if (!InRange(index) || !CanDeleteLayer()) return;
  // Layers move between the fixed places by handing over the layer objects, which is the
  // same as copying each one's content down a place and costs nothing per tile.
  auto first = Layers.begin() + index;
  std::rotate(first, first + 1, Layers.begin() + TopIndex + 1);
  Layers[static_cast<std::size_t>(TopIndex)].reset();
  TopIndex -= 1;
  Flow.Reset();
  SetActive(std::min(index, TopIndex));
}

void TLayerMng::MoveLayer(std::int32_t from, std::int32_t to) {
  if (!InRange(from) || !InRange(to) || from == to) return;
  auto base = Layers.begin();
  if (from < to)
    std::rotate(base + from, base + from + 1, base + to + 1);
  else
    std::rotate(base + to, base + from, base + from + 1);
  Flow.Reset();
  SetActive(to);
}

void TLayerMng::ApplyOnto(const TLayer& layer, TPX& image) const {
  const TBlockImage& b = layer.Block();
  switch (layer.Mode) {
    case 0: b.MultiplyOnto(image, layer.Opacity, 0, 0, Width, Height, 0, 0); break;
    case 1: b.AddOnto(image, layer.Opacity, 0, 0, Width, Height, 0, 0); break;
    case 2: b.SubOnto(image, layer.Opacity, 0, 0, Width, Height, 0, 0); break;
    default: break;
  }
}

bool TLayerMng::MergeDown(std::int32_t index) {
  if (!CanMergeDown(index)) return false;
  TLayer& lower = LayerAt(index - 1);
  const TLayer& upper = LayerAt(index);
  if (!Blendable(lower.Mode) || !Blendable(upper.Mode)) return false;
  {
    TPX image;
    image.SetSize(Width, Height);
    image.Fill(lower.Block().BackColor);
    lower.Block().CopyToImage(image, 0, 0, Width, Height, 0, 0);
    ApplyOnto(upper, image);
    lower.Block().LoadFromImage(image);
    lower.Block().Compact();
  }
  // The upper layer is gone: the layers above it move down a place.
  Layers[static_cast<std::size_t>(index)].reset();
  auto first = Layers.begin() + index;
  std::rotate(first, first + 1, Layers.begin() + TopIndex + 1);
  TopIndex -= 1;
  LayerAt(index - 1).UpdateThumbnail();
  Flow.Reset();
  SetActive(index - 1);
  return true;
}

TVisibleSummary TLayerMng::VisibleSummary() const {
  TVisibleSummary s;
  bool sameMode = true;
  for (std::int32_t i = 0; i <= TopIndex; ++i) {
    const TLayer& l = LayerAt(i);
    if (!l.Visible) continue;
    if (s.count == 0) {
      s.firstIndex = i;
      s.firstMode = l.Mode;
    } else if (l.Mode != s.firstMode) {
      sameMode = false;
    }
    ++s.count;
  }
  s.canMerge = s.count > 1 && sameMode && Blendable(s.firstMode);
  return s;
}

bool TLayerMng::MergeVisible() {
  TVisibleSummary summary = VisibleSummary();
  if (!summary.canMerge) return false;
  const std::int32_t merged = summary.firstIndex;
  TPX image;
  image.SetSize(Width, Height);
  while (summary.count > 1) {
    const std::int32_t a = summary.firstIndex;
    std::int32_t b = a + 1;
    while (!LayerAt(b).Visible) ++b;
    TLayer& lower = LayerAt(a);
    image.Fill(lower.Mode == 0 ? 0xFFFFFFFFu : 0xFF000000u);
    ApplyOnto(lower, image);
    ApplyOnto(LayerAt(b), image);
    lower.Block().LoadFromImage(image);
    lower.Opacity = 255;
    DeleteLayer(b);
    summary = VisibleSummary();
  }
  for (std::int32_t i = 0; i <= TopIndex; ++i) LayerAt(i).Block().Compact();
  LayerAt(merged).UpdateThumbnail();
  Flow.Reset();
  SetActive(0);
  return true;
}

void TLayerMng::FilterVisible(void (TLayer::*filter)()) {
  for (std::int32_t i = 0; i <= TopIndex; ++i) {
    TLayer& l = LayerAt(i);
    if (!l.Visible) continue;
    (l.*filter)();
    l.UpdateThumbnail();
  }
  Flow.Reset();
  LayerAt(ActiveIndex).Block().Compact();
  SetActive(ActiveIndex);
}

void TLayerMng::FlipAllVertical() { FilterVisible(&TLayer::FlipVertical); }
void TLayerMng::FlipAllHorizontal() { FilterVisible(&TLayer::FlipHorizontal); }
void TLayerMng::InvertAll() { FilterVisible(&TLayer::Invert); }
void TLayerMng::Rotate180All() { FilterVisible(&TLayer::Rotate180); }

void TLayerMng::SnapshotAll(std::int32_t index) {
  if (InRange(index)) LayerAt(index).SnapshotAll();
}

void TLayerMng::SnapshotRect(std::int32_t index, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  if (InRange(index)) LayerAt(index).SnapshotRect(x, y, w, h);
}

void TLayerMng::ResetUndo(std::int32_t index) {
  if (InRange(index)) LayerAt(index).ResetUndo();
}

void TLayerMng::ResetAllUndo() {
  for (std::int32_t i = 0; i <= TopIndex; ++i) LayerAt(i).ResetUndo();
}

TIntRect TLayerMng::Undo(std::int32_t index) {
  if (!CanUndo(index)) return {};
  TLayer& layer = LayerAt(index);
  Flow.Acquire(index, layer.Block());
  const TIntRect r = layer.UndoInto(Flow.ImageFor(index));
  layer.UpdateThumbnail(r.x, r.y, r.w, r.h);
  return r;
}

void TLayerMng::SetDeferThumbnails(bool defer) {
  deferThumbnails_ = defer;
  for (std::int32_t i = 0; i <= TopIndex; ++i) LayerAt(i).DeferThumbnail(defer);
}

std::int64_t TLayerMng::PaperBytes() const {
  std::int64_t total = Flow.MemoryBytes();
  for (std::int32_t i = 0; i <= TopIndex; ++i) total += LayerAt(i).LayerBytes();
  return total;
}

std::int64_t TLayerMng::PaperUndoBytes() const {
  std::int64_t total = 0;
  for (std::int32_t i = 0; i <= TopIndex; ++i) total += LayerAt(i).UndoBytes();
  return total;
}

void TLayerMng::CompositeRect(TPX& target, TIntRect rect, std::uint32_t workingCopyLayers) {
  std::array<TCompositeLayer, MaxLayers> list{};
  std::size_t n = 0;
  for (std::int32_t i = 0; i <= TopIndex; ++i) {
    const TLayer& l = LayerAt(i);
    if (!l.Visible) continue;
    const bool fromCopy = (workingCopyLayers >> i) & 1u;
    list[n++] = {fromCopy ? &Flow.ImageFor(i) : &l.Block(), l.Mode, l.Opacity};
  }
  vt::CompositeRect(target, BackColor | 0xFF000000u, std::span<const TCompositeLayer>(list.data(), n), rect);
}

}  // namespace vt
