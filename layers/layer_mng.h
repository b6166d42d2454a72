#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "layers/layer.h"
#include "layers/select_mng.h"
#include "raster/flow_image.h"
#include "raster/helpers.h"
#include "raster/px.h"

namespace vt {

// What VisibleSummary reports: MergeVisible is allowed when canMerge is set.
struct TVisibleSummary {
  std::int32_t count = 0;
  std::int32_t firstIndex = -1;
  std::int32_t firstMode = 0;
  bool canMerge = false;  // more than one visible layer, all of one blendable mode
};

// The layer stack of one paper: up to 24 layers (index 0 at the bottom), the active
// layer, the paper colour and the working copies of layers being drawn on. Every
// operation that takes a layer index ignores indexes outside 0..TopIndex, whatever
// value arrives.
class TLayerMng {
 public:
  static constexpr std::int32_t MaxLayers = 24;

  TLayerMng(std::int32_t width, std::int32_t height);
  TLayerMng(const TLayerMng&) = delete;
  TLayerMng& operator=(const TLayerMng&) = delete;

  // Only stores the size; the paper resizes the layers itself.
  void SetPaperSize(std::int32_t width, std::int32_t height);

  bool CanAddLayer() const { return TopIndex <= MaxLayers - 2; }
  bool CanDeleteLayer() const { return TopIndex != 0; }
  bool CanMergeDown(std::int32_t index) const { return InRange(index) && index != 0; }
  bool CanUndo(std::int32_t index) const { return InRange(index) && LayerAt(index).UndoCount >= 1; }
  bool InRange(std::int32_t index) const { return index >= 0 && index <= TopIndex; }

  // Edits of one layer: each takes a working copy, changes the layer, makes the copy equal
  // to the layer again, compacts both and refreshes the thumbnail.
  void FillSelection(const TSelectionInfo& selection, std::int32_t index, std::uint32_t colour);
  void ClearLayer(std::int32_t index);
  void FlipVertical(std::int32_t index);
  void FlipHorizontal(std::int32_t index);
  void Invert(std::int32_t index);
  void Rotate180(std::int32_t index);
  void Offset(std::int32_t index, std::int32_t dx, std::int32_t dy);
  void ClearRect(std::int32_t index, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  void FillRect(std::int32_t index, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                std::uint32_t colour);
  // Fills (clears) the area enclosed by the closed outline, with anti-aliased edges. The
  // outline is rasterized into a mask of its own, so the user's selections are untouched.
  void FillPolygon(std::int32_t index, std::span<const TPointI> points, std::uint32_t colour);
  void ClearPolygon(std::int32_t index, std::span<const TPointI> points);
  // Replaces the layer's pixels with an image of the paper's size.
  void LoadLayerFromImage(std::int32_t index, const TPX& image);

  void SetVisible(std::int32_t index, bool visible);
  void ToggleSolo(std::int32_t index);
  void SetOpacity(std::int32_t index, std::uint8_t opacity);
  void SetMode(std::int32_t index, std::int32_t mode);
  void SetBackColor(std::uint32_t colour) { BackColor = colour; }

  void SetActive(std::int32_t index);
  void AddLayer(std::int32_t mode);
  // A copy of the layer goes on top of the stack and becomes active.
  void DuplicateLayer(std::int32_t index);
  void DeleteLayer(std::int32_t index);
  void MoveLayer(std::int32_t from, std::int32_t to);
  // Merges the layer into the one below it; false when nothing was merged (bottom layer,
  // out of range, or a layer without a blend mode involved).
  bool MergeDown(std::int32_t index);
  bool MergeVisible();
  TVisibleSummary VisibleSummary() const;

  // Whole-paper filters over the visible layers; hidden layers are left alone.
  void FlipAllVertical();
  void FlipAllHorizontal();
  void InvertAll();
  void Rotate180All();

  void SnapshotAll(std::int32_t index);
  void SnapshotRect(std::int32_t index, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  void ResetUndo(std::int32_t index);
  void ResetAllUndo();
  // Restores the newest snapshot; returns the restored rectangle, or an empty one.
  TIntRect Undo(std::int32_t index);

  // Thumbnail updates of every layer, present and future, only mark them stale while
  // deferred; ending the deferral refreshes the stale ones.
  void SetDeferThumbnails(bool defer);

  std::int64_t PaperBytes() const;
  std::int64_t PaperUndoBytes() const;

  // Builds the display image over the rectangle: the paper colour, then each visible
  // layer bottom to top by its mode and opacity. Layers whose bit is set in
  // workingCopyLayers (a stroke is open on them) are taken from their working copy.
  void CompositeRect(TPX& target, TIntRect rect, std::uint32_t workingCopyLayers = 0);

  TLayer& LayerAt(std::int32_t index) { return *Layers[static_cast<std::size_t>(index)]; }
  const TLayer& LayerAt(std::int32_t index) const { return *Layers[static_cast<std::size_t>(index)]; }
  TBlockImage& WorkImage(std::int32_t index) { return Flow.ImageFor(index); }
  TBlockChannel& WorkMask(std::int32_t index) { return Flow.MaskFor(index); }
  // Compacts the working copy and the layer and refreshes the whole thumbnail.
  void AfterLayerChange(std::int32_t index);

  std::uint32_t BackColor = 0xFFFFFF;
  std::int32_t Width;
  std::int32_t Height;
  std::int32_t TopIndex = 0;
  std::int32_t ActiveIndex = 0;
  TFlowImage Flow;
  std::array<std::unique_ptr<TLayer>, MaxLayers> Layers;

 private:
  template <typename Op>
  void Edit(std::int32_t index, Op&& op);
  std::unique_ptr<TLayer> NewLayer(std::int32_t mode) const;
  bool deferThumbnails_ = false;
  void ApplyOnto(const TLayer& layer, TPX& image) const;
  void FilterVisible(void (TLayer::*filter)());
};

}  // namespace vt
