#include "document/view_painter.h"

#include <algorithm>
#include <cmath>

namespace vt {

namespace {

std::int32_t Scaled(double z, double v) { return TruncToInt(z * v); }

// The part of the rectangle [x0, x1) x [y0, y1) inside a w x h area.
TIntRect ClipTo(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, std::int32_t w,
                std::int32_t h) {
  x0 = std::max<std::int64_t>(x0, 0);
  y0 = std::max<std::int64_t>(y0, 0);
  x1 = std::min<std::int64_t>(x1, w);
  y1 = std::min<std::int64_t>(y1, h);
  if (x1 <= x0 || y1 <= y0) return {};
  return {static_cast<std::int32_t>(x0), static_cast<std::int32_t>(y0), static_cast<std::int32_t>(x1 - x0),
          static_cast<std::int32_t>(y1 - y0)};
}

}  // namespace

TViewPainter::TViewPainter(TPaper& paper, TDrawSurface* surface, TViewSize client)
    : paper_(paper), surface_(surface), client_(client) {}

void TViewPainter::PaintWindow() {
  if (!CanPaint()) return;
  if (Resampled())
    PaintResampled();
  else
    PaintStraight();
}

void TViewPainter::PaintRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  if (!CanPaint() || w <= 0 || h <= 0) return;
  const TIntRect r = ClipTo(x, y, std::int64_t{x} + w, std::int64_t{y} + h, paper_.Width(), paper_.Height());
  if (r.w <= 0) return;
  if (Resampled())
    PaintRectResampled(r);
  else
    PaintRectStraight(r);
}

void TViewPainter::PaintStraight() {
  const TDisplay& d = paper_.Display;
  const double z = d.ZoomFactor();
  // The paper extent the client can show from the scroll position, cut at the paper's
  // right and bottom edges.
  const std::int32_t sw = std::min(TruncToInt(client_.w / z), paper_.Width() - d.ScrollX);
  const std::int32_t sh = std::min(TruncToInt(client_.h / z), paper_.Height() - d.ScrollY);
  if (sw <= 0 || sh <= 0) {
    surface_->FillRect({0, 0, client_.w, client_.h}, PlainMargin);
    return;
  }
  const TIntRect to{d.MarginX, d.MarginY, Scaled(z, sw), Scaled(z, sh)};
  surface_->Blit(paper_.Composite, {d.ScrollX, d.ScrollY, sw, sh}, to);
  const std::int32_t right = to.x + to.w, bottom = to.y + to.h;
  surface_->FillRect({0, 0, to.x, client_.h}, PlainMargin);
  surface_->FillRect({right, 0, client_.w - right, client_.h}, PlainMargin);
  surface_->FillRect({to.x, 0, to.w, to.y}, PlainMargin);
  surface_->FillRect({to.x, bottom, to.w, client_.h - bottom}, PlainMargin);
}

void TViewPainter::PaintResampled() {
  paper_.ViewBuffer.SetSize(client_.w, client_.h);
  ResampleArea({0, 0, client_.w, client_.h});
}

void TViewPainter::ResampleArea(TIntRect area) {
  const TDisplay& d = paper_.Display;
  double cx = d.CentreX, cy = d.CentreY;
  if (!d.Rotated()) {
    const TPointI c = d.CentrePoint(client_);
    cx = c.x;
    cy = c.y;
  }
  paper_.Composite.AffineResampleRect(paper_.ViewBuffer, cx, cy, 1.0 / d.ZoomFactor(), d.Angle, area.x,
                                      area.y, area.w, area.h);
  surface_->Blit(paper_.ViewBuffer, area, area);
}

void TViewPainter::PaintRectStraight(TIntRect r) {
  const TDisplay& d = paper_.Display;
  const double z = d.ZoomFactor();
  // At 150% this is (3x div 2, 3y div 2), 3w div 2 x 3h div 2; at the whole factors
  // k = 1..8 it is (kx, ky), kw x kh.
  const TIntRect to{d.OriginX() + Scaled(z, r.x), d.OriginY() + Scaled(z, r.y), Scaled(z, r.w),
                    Scaled(z, r.h)};
  surface_->Blit(paper_.Composite, r, to);
}

void TViewPainter::PaintRectResampled(TIntRect r) {
  // A client resized since the last full paint needs the whole view rebuilt: the
  // resampler's mapping depends on the buffer's size.
  if (paper_.ViewBuffer.Width != client_.w || paper_.ViewBuffer.Height != client_.h) {
    PaintResampled();
    return;
  }
  const TDisplay& d = paper_.Display;
  const TPointI c = d.PaperToWindow(client_, r.x + r.w / 2.0, r.y + r.h / 2.0);
  // Half the diagonal of the rectangle's larger side, in window pixels, covers it at
  // any angle.
  const std::int64_t half = TruncToInt(std::sqrt(2.0) * d.ZoomFactor() * std::max(r.w, r.h) * 0.5) + 1;
  const TIntRect area = ClipTo(std::int64_t{c.x} - half, std::int64_t{c.y} - half, std::int64_t{c.x} + half,
                               std::int64_t{c.y} + half, client_.w, client_.h);
  if (area.w > 0) ResampleArea(area);
}

}  // namespace vt
