#pragma once

#include <cstdint>

#include "document/display.h"
#include "document/draw_surface.h"
#include "document/paint_sink.h"
#include "document/paper.h"

namespace vt {

// Shows a paper's Composite in one window through its view. Unrotated views at 100% and
// above are drawn straight from Composite (1:1, or stretched by pixel replication);
// rotated and zoomed-out views are resampled into the paper's ViewBuffer, which then has
// the client's size, and copied 1:1. Everything of the client outside the paper is
// PlainMargin.
class TViewPainter : public TPaintSink {
 public:
  // A null surface stands for a window without a handle: paint requests do nothing.
  TViewPainter(TPaper& paper, TDrawSurface* surface, TViewSize client);

  void SetSurface(TDrawSurface* surface) { surface_ = surface; }
  void SetClientSize(TViewSize client) { client_ = client; }
  TViewSize ClientSize() const { return client_; }

  void PaintWindow() override;
  // A changed rectangle of the paper, in paper pixels.
  void PaintRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) override;

 private:
  bool CanPaint() const { return surface_ && client_.w > 0 && client_.h > 0; }
  bool Resampled() const { return paper_.Display.Rotated() || paper_.Display.Zoom < 0; }
  void PaintStraight();
  void PaintResampled();
  void PaintRectStraight(TIntRect r);
  void PaintRectResampled(TIntRect r);
  // Resamples the client rectangle of the view into ViewBuffer and shows it.
  void ResampleArea(TIntRect area);

  TPaper& paper_;
  TDrawSurface* surface_;
  TViewSize client_;
};

}  // namespace vt
