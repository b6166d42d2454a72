#include "document/paper.h"

#include <algorithm>
#include <cmath>

#include "raster/dab.h"

namespace vt {

namespace {

std::int32_t ClampSide(std::int32_t v) { return std::clamp(v, 1, TPaper::MaxSide); }

bool IsOfflineOnly(std::uint16_t code) {
  return (code >= 0x0100 && code <= 0x0105) || (code >= 0x0200 && code <= 0x0206) ||
         (code >= 0x0210 && code <= 0x0213);
}

}  // namespace

TPaper::TPaper() : FileName("NONAME") {}

void TPaper::Init(const std::string& name, std::int32_t width, std::int32_t height) {
  width = ClampSide(width);
  height = ClampSide(height);
  FileName = name;
  Composite.SetSize(width, height);
  Composite.Fill(0xFFFFFFFFu);
  LayerManager = std::make_unique<TLayerMng>(width, height);
  LayerManager->SetDeferThumbnails(deferDisplay_);
  Selection = std::make_unique<TSelectMng>(width, height);
  Ready = true;
}

void TPaper::SetDeferDisplay(bool defer) {
  if (!defer) FlushDeferredRebuild();
  deferDisplay_ = defer;
  if (LayerManager) LayerManager->SetDeferThumbnails(defer);
}

void TPaper::ResizeBuffers(std::int32_t width, std::int32_t height) {
  Composite.SetSize(width, height);
  Composite.Fill(0xFFFFFFu);
  if (Selection) Selection->SetPaperSize(width, height);
}

// ---- Strokes ----------------------------------------------------------------------------

void TPaper::BeginStroke(TStroke& stroke, float /*pressure*/, float x, float y) {
  const std::int32_t l = stroke.Layer();
  if (!ValidLayer(l)) return;
  TLayer& layer = LayerManager->LayerAt(l);
  LayerManager->Flow.Acquire(l, layer.Block());
  LayerManager->Flow.SetLock(l, true);
  // Every stroke starts at zero pressure: the history is filled with the start point
  // at pressure 0, so the stroke tapers in.
  stroke.StartStroke(layer.Block(), layer.Mode, x, y);
}

void TPaper::StrokeTo(TStroke& stroke, float pressure, float x, float y) {
  const std::int32_t l = stroke.Layer();
  if (!ValidLayer(l)) return;
  stroke.AddPoint(x, y, pressure);
  stroke.RenderSegment(LayerManager->WorkImage(l), LayerManager->WorkMask(l), LayerManager->LayerAt(l).Block());
  const TIntRect r = stroke.SegmentRect();
  RecompositeStroke(stroke, r.x, r.y, r.x + r.w, r.y + r.h);
}

TIntRect TPaper::EndStroke(TStroke& stroke) {
  const std::int32_t l = stroke.Layer();
  if (!ValidLayer(l)) return {};
  TLayer& layer = LayerManager->LayerAt(l);
  const TIntRect r = stroke.StrokeRect();
  layer.SnapshotRect(r.x, r.y, r.w, r.h);
  if (deferredRebuild_.pending) {
    FlushDeferredRebuild();
    // The copy differs from the layer only where the mask has tiles.
    const TBlockChannel& mask = LayerManager->WorkMask(l);
    mask.ForEachLiveTile([&](std::int32_t tx, std::int32_t ty) {
      const TIntRect t = Intersect(r, {tx, ty, TBlock::TileSize, TBlock::TileSize});
      if (t.w > 0 && t.h > 0) LayerManager->WorkImage(l).CopyBlockRect(layer.Block(), t.x, t.y, t.w, t.h, t.x, t.y);
    });
  } else {
    LayerManager->WorkImage(l).CopyBlockRect(layer.Block(), r.x, r.y, r.w, r.h, r.x, r.y);
  }
  // Every dab of the stroke lies inside its rectangle, so the whole mask is cleared.
  LayerManager->WorkMask(l).FreeTiles();
  LayerManager->Flow.SetLock(l, false);
  layer.UpdateThumbnail(r.x, r.y, r.w, r.h);
  // Other members' strokes may have changed the composite meanwhile.
  if (NetMode == 1) RecompositeStroke(stroke, r.x, r.y, r.x + r.w, r.y + r.h);
  return r;
}

void TPaper::DrawLine(TStroke& stroke, float x0, float y0, float x1, float y1) {
  const std::int32_t l = stroke.Layer();
  if (!ValidLayer(l)) return;
  BeginStroke(stroke, 1.0f, x0, y0);
  stroke.RenderLine(LayerManager->WorkImage(l), LayerManager->WorkMask(l), LayerManager->LayerAt(l).Block(), x1,
                    y1);
  const TIntRect r = stroke.SegmentRect();
  RecompositeStroke(stroke, r.x, r.y, r.x + r.w, r.y + r.h);
  EndStroke(stroke);
}

// ---- Compositing ------------------------------------------------------------------------

void TPaper::RecompositeStroke(TStroke& stroke, std::int32_t left, std::int32_t top, std::int32_t right,
                               std::int32_t bottom) {
  if (right < 0 || bottom < 0 || left > Width() || top > Height()) return;
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, Width());
  bottom = std::min(bottom, Height());
  const std::int32_t w = right - left, h = bottom - top;
  if (w <= 0 || h <= 0) return;
  const std::int32_t l = stroke.Layer();
  if (!ValidLayer(l)) return;
  // The pen and the new blur paint only coverage; their working copy is rebuilt from the
  // layer through the mask. The other kinds paint the working copy directly.
  const TBrushKind kind = stroke.Kind();
  if (kind == TBrushKind::Pen || kind == TBrushKind::NewBlur) {
    if (deferDisplay_ && NetMode == 0) {
      deferredRebuild_ = {true, l, kind, stroke.Colour()};
      return;
    }
    FlushDeferredRebuild();
    RebuildWorkingCopy(l, kind, stroke.Colour(), left, top, w, h);
  }
  if (deferDisplay_) return;
  LayerManager->CompositeRect(Composite, {left, top, w, h}, 1u << l);
  UpdatePreviewRect(left, top, w, h);
  PaintRect(left, top, w, h);
}

void TPaper::RebuildWorkingCopy(std::int32_t l, TBrushKind kind, std::uint32_t colour, std::int32_t x,
                                std::int32_t y, std::int32_t w, std::int32_t h) {
  const TIntRect r = Intersect({x, y, w, h}, {0, 0, Width(), Height()});
  if (r.w <= 0 || r.h <= 0 || !ValidLayer(l)) return;
  const TBlockImage& layerBlock = LayerManager->LayerAt(l).Block();
  TBlockImage& work = LayerManager->WorkImage(l);
  const TBlockChannel& mask = LayerManager->WorkMask(l);
  if (kind == TBrushKind::Pen) {
    layerBlock.CopyBlockRect(work, r.x, r.y, r.w, r.h, r.x, r.y);
    work.MaskFill(mask, colour | 0xFF000000u, r.x, r.y, r.w, r.h);
  } else {
    BlurThroughMask(layerBlock, work, mask, nullptr, r.x, r.y, r.w, r.h);
  }
}

void TPaper::FlushDeferredRebuild() {
  if (!deferredRebuild_.pending) return;
  deferredRebuild_.pending = false;
  const TDeferredRebuild d = deferredRebuild_;
  if (!ValidLayer(d.layer)) return;
  LayerManager->WorkMask(d.layer).ForEachLiveTile([&](std::int32_t x, std::int32_t y) {
    RebuildWorkingCopy(d.layer, d.kind, d.colour, x, y, TBlock::TileSize, TBlock::TileSize);
  });
}

void TPaper::RecompositeAll() {
  if (!LayerManager) return;
  LayerManager->CompositeRect(Composite, {0, 0, Width(), Height()});
}

void TPaper::RecompositeRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  if (!LayerManager || deferDisplay_) return;
  const std::int32_t x0 = std::max(x, 0), y0 = std::max(y, 0);
  const std::int32_t x1 = std::min<std::int64_t>(std::int64_t{x} + w, Width());
  const std::int32_t y1 = std::min<std::int64_t>(std::int64_t{y} + h, Height());
  if (x1 <= x0 || y1 <= y0) return;
  LayerManager->CompositeRect(Composite, {x0, y0, x1 - x0, y1 - y0});
}

void TPaper::RecompositeShifted(std::int32_t layer, std::int32_t dx, std::int32_t dy) {
  if (!LayerManager) return;
  TLayerMng& m = *LayerManager;
  Composite.Fill(m.BackColor | 0xFF000000u);
  for (std::int32_t i = 0; i <= m.TopIndex; ++i) {
    const TLayer& l = m.LayerAt(i);
    if (!l.Visible) continue;
    const std::int32_t ox = i == layer ? dx : 0, oy = i == layer ? dy : 0;
    const TBlockImage& b = l.Block();
    switch (l.Mode) {
      case 0: b.MultiplyOnto(Composite, l.Opacity, 0, 0, Width(), Height(), ox, oy); break;
      case 1: b.AddOnto(Composite, l.Opacity, 0, 0, Width(), Height(), ox, oy); break;
      case 2: b.SubOnto(Composite, l.Opacity, 0, 0, Width(), Height(), ox, oy); break;
      default: break;
    }
  }
}

void TPaper::UpdatePreview() { UpdatePreviewRect(0, 0, Width(), Height()); }

void TPaper::UpdatePreviewRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  if (deferDisplay_ || Width() <= 0 || Height() <= 0) return;
  const float sx = static_cast<float>(PreviewImage.Width) / static_cast<float>(Width());
  const float sy = static_cast<float>(PreviewImage.Height) / static_cast<float>(Height());
  const auto px = static_cast<std::int32_t>(static_cast<double>(x) * sx);
  const auto py = static_cast<std::int32_t>(static_cast<double>(y) * sy);
  const auto pw = static_cast<std::int32_t>(static_cast<double>(w) * sx) + 1;
  const auto ph = static_cast<std::int32_t>(static_cast<double>(h) * sy) + 1;
  Composite.ShrinkBoxRect(PreviewImage, px, py, pw, ph);
}

void TPaper::PaintRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  if (sink_ && !deferDisplay_) sink_->PaintRect(x, y, w, h);
}

void TPaper::PaintWindow() {
  if (sink_ && !deferDisplay_) sink_->PaintWindow();
}

void TPaper::ShowRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  RecompositeRect(x, y, w, h);
  UpdatePreviewRect(x, y, w, h);
  PaintRect(x, y, w, h);
}

void TPaper::AfterPaperChange() {
  if (deferDisplay_) return;
  RecompositeAll();
  UpdatePreview();
  PaintWindow();
}

// ---- Events -----------------------------------------------------------------------------

TApplyResult TPaper::ApplyEvent(TEventPacket& stream, TStroke& stroke) {
  TApplyResult result;
  if (stream.InStroke()) {
    bool last = false;
    const TEventPoint p = stream.ReadStrokePoint(last);
    StrokeTo(stroke, p.pressure, static_cast<float>(p.x), static_cast<float>(p.y));
    if (last) EndStroke(stroke);
    return result;
  }
  const TRecordSpan span = stream.PeekRecord();
  if (span.check == TRecordCheck::Incomplete) return result;

  const std::uint16_t code = stream.ReadCode();
  result.kind = code;
  result.kindRead = true;
  result.needsRefresh = true;
  const bool ends = span.check == TRecordCheck::Unknown || code == static_cast<std::uint16_t>(TEventKind::EndOfEvents) ||
                    code == static_cast<std::uint16_t>(TEventKind::PaperNewAlt);
  if (ends) {
    result.continues = false;
    return result;
  }
  if (IsStrokeCode(code)) {
    TStrokeParams params;
    TEventPoint first;
    stream.ReadStrokeBegin(params, first);
    stroke.SetKind(static_cast<std::int32_t>(code));
    TEventPacket::ApplyParams(params, stroke);
    BeginStroke(stroke, first.pressure, static_cast<float>(first.x), static_cast<float>(first.y));
    // A record without further points is a stroke that begins and ends at its first point.
    if (!stream.InStroke()) EndStroke(stroke);
    result.needsRefresh = false;
    return result;
  }
  const TEventArgs args = stream.ReadArgs(code);
  if (NetMode == 1 && IsOfflineOnly(code)) {
    result.needsRefresh = false;
    return result;
  }
  if (Perform(code, args, stroke)) result.needsRefresh = false;
  return result;
}

bool TPaper::Perform(std::uint16_t code, const TEventArgs& a, TStroke& stroke) {
  const auto kind = static_cast<TEventKind>(code);
  if (kind == TEventKind::PaperNew) {
    Init("NONAME", a.w, a.h);
    return false;
  }
  if (!LayerManager) return false;
  TLayerMng& m = *LayerManager;
  switch (kind) {
    case TEventKind::LayerNew:
      if (a.layer <= 3) m.AddLayer(a.layer);
      break;
    case TEventKind::LayerDelete: m.DeleteLayer(a.layer); break;
    case TEventKind::LayerCombineVisible: m.MergeVisible(); break;
    case TEventKind::LayerDuplicate: m.DuplicateLayer(a.layer); break;
    case TEventKind::LayerMove: m.MoveLayer(a.layer, a.value); break;
    case TEventKind::LayerMergeDown: m.MergeDown(a.layer); break;
    case TEventKind::LayerUndo: {
      const TIntRect r = m.Undo(a.layer);
      if (r.w > 0 && r.h > 0) ShowRect(r.x, r.y, r.w, r.h);
      return true;
    }
    case TEventKind::LayerSelect:
      if (NetMode == 1) {
        if (m.InRange(a.layer)) m.Flow.Acquire(a.layer, m.LayerAt(a.layer).Block());
      } else {
        m.SetActive(a.layer);
      }
      return true;
    case TEventKind::LayerVisible: m.SetVisible(a.layer, a.value != 0); break;
    case TEventKind::LayerOpacity: m.SetOpacity(a.layer, a.value); break;
    case TEventKind::LayerType:
      if (a.value <= 3) m.SetMode(a.layer, a.value);
      break;
    case TEventKind::LayerSolo: m.ToggleSolo(a.layer); break;
    case TEventKind::LayerFlipVertical:
      m.SnapshotAll(a.layer);
      m.FlipVertical(a.layer);
      break;
    case TEventKind::LayerFlipHorizontal:
      m.SnapshotAll(a.layer);
      m.FlipHorizontal(a.layer);
      break;
    case TEventKind::LayerRotate180:
      m.SnapshotAll(a.layer);
      m.Rotate180(a.layer);
      break;
    case TEventKind::LayerNegative:
      m.SnapshotAll(a.layer);
      m.Invert(a.layer);
      break;
    case TEventKind::SelectionClear:
      m.SnapshotAll(a.layer);
      m.ClearLayer(a.layer);
      break;
    case TEventKind::SelectionFill:
      m.SnapshotAll(a.layer);
      m.FillSelection(Selection->SelectionInfo(), a.layer, a.colour);
      break;
    case TEventKind::LayerOffset:
      m.SnapshotAll(a.layer);
      m.Offset(a.layer, a.x, a.y);
      break;
    case TEventKind::RectClear:
    case TEventKind::RectFill: {
      if (!m.InRange(a.layer)) return true;
      const std::int32_t w = std::max(a.w, 0), h = std::max(a.h, 0);
      m.SnapshotRect(a.layer, a.x, a.y, w, h);
      if (kind == TEventKind::RectClear)
        m.ClearRect(a.layer, a.x, a.y, w, h);
      else
        m.FillRect(a.layer, a.x, a.y, w, h, a.colour);
      ShowRect(a.x, a.y, w, h);
      return true;
    }
    case TEventKind::PolygonClear:
    case TEventKind::PolygonFill: {
      if (!m.InRange(a.layer) || a.points.empty()) return true;
      const TIntRect box = PointListBounds(a.points);
      m.SnapshotRect(a.layer, box.x, box.y, box.w, box.h);
      if (kind == TEventKind::PolygonClear)
        m.ClearPolygon(a.layer, a.points);
      else
        m.FillPolygon(a.layer, a.points, a.colour);
      ShowRect(box.x, box.y, box.w, box.h);
      return true;
    }
    case TEventKind::StraightLine:
      stroke.SetKind(static_cast<std::int32_t>(a.brushKind));
      TEventPacket::ApplyParams(a.params, stroke);
      DrawLine(stroke, static_cast<float>(a.x), static_cast<float>(a.y), static_cast<float>(a.w),
               static_cast<float>(a.h));
      return true;
    case TEventKind::PaperColour: m.SetBackColor(a.colour); break;
    case TEventKind::PaperResize: ResizeCanvas(a.w, a.h, a.value); break;
    case TEventKind::PaperResolution: ScaleImage(a.w, a.h); break;
    case TEventKind::ImageRotateRight: Rotate90(true); break;
    case TEventKind::ImageRotateLeft: Rotate90(false); break;
    case TEventKind::UndoClearAll: m.ResetAllUndo(); break;
    case TEventKind::UndoClearLayer: m.ResetUndo(a.layer); break;
    case TEventKind::VisibleFlipVertical: m.FlipAllVertical(); break;
    case TEventKind::VisibleFlipHorizontal: m.FlipAllHorizontal(); break;
    case TEventKind::VisibleRotate180: m.Rotate180All(); break;
    case TEventKind::VisibleNegative: m.InvertAll(); break;
    default: break;
  }
  return false;
}

void TPaper::Command(TEventPacket& recorder, TStroke& stroke, TEventKind kind, const TEventArgs& args) {
  const auto code = static_cast<std::uint16_t>(kind);
  recorder.RecordArgs(code, args);
  if (!Perform(code, args, stroke)) AfterPaperChange();
}

void TPaper::PaperCommand(TEventPacket& recorder, TStroke& stroke, TEventKind kind, const TEventArgs& args) {
  const auto code = static_cast<std::uint16_t>(kind);
  recorder.RecordArgs(code, args);
  Perform(code, args, stroke);
  recorder.RecordBare(TEventKind::UndoClearAll);
  if (LayerManager) LayerManager->ResetAllUndo();
  AfterPaperChange();
}

void TPaper::UndoCommand(TEventPacket& recorder, TStroke& stroke, std::int32_t layer) {
  if (recorder.InStroke()) return;
  TEventArgs args;
  args.layer = static_cast<std::uint8_t>(layer);
  recorder.RecordLayerOp(TEventKind::LayerUndo, args.layer);
  Perform(static_cast<std::uint16_t>(TEventKind::LayerUndo), args, stroke);
}

// ---- Paper transforms -------------------------------------------------------------------

void TPaper::ResizeCanvas(std::int32_t width, std::int32_t height, std::int32_t anchor) {
  if (!LayerManager) return;
  width = ClampSide(width);
  height = ClampSide(height);
  const std::int32_t oldW = Width(), oldH = Height();
  if (anchor < 0 || anchor > 8) anchor = 0;
  const auto offset = [](std::int32_t place, std::int32_t now, std::int32_t old) {
    return place == 0 ? 0 : place == 1 ? now / 2 - old / 2 : now - old;
  };
  const std::int32_t ox = offset(anchor % 3, width, oldW), oy = offset(anchor / 3, height, oldH);
  // The part of the old paper that lands on the new one.
  const std::int32_t sx = std::max(0, -ox), sy = std::max(0, -oy);
  const std::int32_t dx = std::max(0, ox), dy = std::max(0, oy);
  const std::int32_t cw = std::min(oldW - sx, width - dx), ch = std::min(oldH - sy, height - dy);

  ResizeBuffers(width, height);
  TLayerMng& m = *LayerManager;
  m.SetPaperSize(width, height);
  for (std::int32_t i = 0; i <= m.TopIndex; ++i) {
    TLayer& layer = m.LayerAt(i);
    TBlockImage old;
    old.SetSize(oldW, oldH);
    layer.Block().CloneTo(old);
    layer.SetSize(width, height);
    if (cw > 0 && ch > 0) old.CopyBlockRect(layer.Block(), sx, sy, cw, ch, dx, dy);
    layer.Block().Compact();
    layer.UpdateThumbnail();
  }
  m.Flow.Reset();
  m.SetActive(m.ActiveIndex);
}

void TPaper::ScaleImage(std::int32_t width, std::int32_t height) {
  if (!LayerManager) return;
  width = ClampSide(width);
  height = ClampSide(height);
  const std::int32_t oldW = Width(), oldH = Height();
  ResizeBuffers(width, height);
  TLayerMng& m = *LayerManager;
  m.SetPaperSize(width, height);
  TPX source, scaled;
  source.SetSize(oldW, oldH);
  scaled.SetSize(width, height);
  for (std::int32_t i = 0; i <= m.TopIndex; ++i) {
    TLayer& layer = m.LayerAt(i);
    source.Fill(layer.Block().BackColor);
    layer.Block().CopyToImage(source, 0, 0, oldW, oldH, 0, 0);
    // Sixteen samples per target pixel: a plain copy at 1:1, an average when shrinking.
    source.Shrink4x4(scaled);
    layer.SetSize(width, height);
    layer.Block().LoadFromImage(scaled);
    layer.Block().Compact();
    layer.UpdateThumbnail();
  }
  m.Flow.Reset();
  m.SetActive(m.ActiveIndex);
}

void TPaper::Rotate90(bool clockwise) {
  if (!LayerManager) return;
  const std::int32_t oldW = Width(), oldH = Height();
  ResizeBuffers(oldH, oldW);
  TLayerMng& m = *LayerManager;
  m.SetPaperSize(oldH, oldW);
  TPX source, turned;
  source.SetSize(oldW, oldH);
  turned.SetSize(oldH, oldW);
  for (std::int32_t i = 0; i <= m.TopIndex; ++i) {
    TLayer& layer = m.LayerAt(i);
    source.Fill(layer.Block().BackColor);
    layer.Block().CopyToImage(source, 0, 0, oldW, oldH, 0, 0);
    if (clockwise)
      source.RotateCW(turned);
    else
      source.RotateCCW(turned);
    layer.SetSize(oldH, oldW);
    layer.Block().LoadFromImage(turned);
    layer.Block().Compact();
    layer.UpdateThumbnail();
  }
  m.Flow.Reset();
  m.SetActive(m.ActiveIndex);
}

// ---- Status -----------------------------------------------------------------------------

std::int64_t TPaper::MemoryUsage() const {
  std::int64_t total = 0;
  if (LayerManager) total += LayerManager->PaperBytes() + LayerManager->PaperUndoBytes();
  if (Selection) total += Selection->MemoryBytes();
  total += 4 * (static_cast<std::int64_t>(Composite.Width) * Composite.Height +
                static_cast<std::int64_t>(ViewBuffer.Width) * ViewBuffer.Height);
  return total;
}

std::string TPaper::CaptionText() const {
  std::string s = NetMode == 0 ? "<OFFLINE> " : NetMode == 1 ? "<NETWORKING> " : "";
  s += " \"" + FileName + "\" ";
  s += std::to_string(Width()) + "*" + std::to_string(Height());
  s += " : ";
  s += Display.ZoomText();
  return s;
}

}  // namespace vt
