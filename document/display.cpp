#include "document/display.h"

#include <algorithm>
#include <cmath>

namespace vt {

namespace {
constexpr float kFactors[] = {0.25f, 0.5f, 1.0f, 1.5f, 2.0f, 3.0f, 4.0f, 6.0f, 8.0f};
constexpr const char* kTexts[] = {" 25%", " 50%", "100%", "150%", "200%", "300%", "400%", "600%", "800%"};

// trunc(z * v); every factor is exact in binary, so the product is exact in double.
std::int32_t Scaled(double z, double v) { return TruncToInt(z * v); }
}  // namespace

// The trigonometry of the view runs in float precision, like the angle itself, so a
// quarter turn maps along one axis by whole pixels.

// One axis of the scroll layout: the bar, the margin and first paper pixel it gives, and
// where the grey bands before and after the paper lie along the axis.
struct TDisplay::TAxis {
  std::int32_t maximum = 0;
  std::int32_t page = 0;
  std::int32_t largeChange = 0;
  std::int32_t smallChange = 0;
  std::int32_t position = 0;
  std::int32_t margin = 0;
  std::int32_t scroll = 0;
  std::int32_t farBand = -1;  // start of the band after the paper; -1 when none
};

float TDisplay::ZoomFactor() const {
  if (Zoom < MinZoom || Zoom > MaxZoom) return 1.0f;
  return kFactors[Zoom - MinZoom];
}

const char* TDisplay::ZoomText() const {
  if (Zoom < MinZoom || Zoom > MaxZoom) return kTexts[-MinZoom];
  return kTexts[Zoom - MinZoom];
}

bool TDisplay::ZoomIn() {
  if (!CanZoomIn()) return false;
  ++Zoom;
  return true;
}

bool TDisplay::ZoomOut() {
  if (!CanZoomOut()) return false;
  --Zoom;
  return true;
}

void TDisplay::SetCentre(float x, float y) {
  CentreX = x;
  CentreY = y;
}

void TDisplay::PanRotated(float dx, float dy) {
  const double c = std::cos(Angle), s = std::sin(Angle);
  CentreX = static_cast<float>(CentreX - (c * dx - s * dy));
  CentreY = static_cast<float>(CentreY - (s * dx + c * dy));
}

std::int32_t TDisplay::OriginX() const { return MarginX - Scaled(ZoomFactor(), ScrollX); }
std::int32_t TDisplay::OriginY() const { return MarginY - Scaled(ZoomFactor(), ScrollY); }

TPointI TDisplay::WindowToPaper(TViewSize client, TPointI window) const {
  const double z = ZoomFactor();
  if (!Rotated()) {
    return {TruncToInt((window.x - MarginX) / z) + ScrollX, TruncToInt((window.y - MarginY) / z) + ScrollY};
  }
  const double dx = (window.x - client.w / 2) / z, dy = (window.y - client.h / 2) / z;
  const double c = std::cos(Angle), s = std::sin(Angle);
  return {TruncToInt(CentreX + c * dx - s * dy), TruncToInt(CentreY + s * dx + c * dy)};
}

TPointI TDisplay::PaperToWindow(TViewSize client, double px, double py) const {
  const double z = ZoomFactor();
  if (!Rotated()) return {OriginX() + Scaled(z, px), OriginY() + Scaled(z, py)};
  const double dx = z * (px - CentreX), dy = z * (py - CentreY);
  const double c = std::cos(-Angle), s = std::sin(-Angle);
  return {client.w / 2 + TruncToInt(c * dx - s * dy), client.h / 2 + TruncToInt(s * dx + c * dy)};
}

TPointI TDisplay::CentrePoint(TViewSize client) const {
  if (Rotated()) return {TruncToInt(CentreX), TruncToInt(CentreY)};
  const double z = ZoomFactor();
  return {TruncToInt((client.w / 2 - MarginX) / z + ScrollX),
          TruncToInt((client.h / 2 - MarginY) / z + ScrollY)};
}

TViewSize TDisplay::FitWindow(TViewSize paper) const {
  const double z = ZoomFactor();
  return {Scaled(z, paper.w) + FitSlack, Scaled(z, paper.h) + FitSlack};
}

TDisplay::TAxis TDisplay::LayoutAxis(std::int32_t client, std::int32_t paper, std::int32_t margin,
                                     std::int32_t position) const {
  const double z = ZoomFactor();
  TAxis a;
  const std::int64_t extent = std::int64_t{Scaled(z, paper)} + 2 * std::int64_t{margin};
  a.maximum = static_cast<std::int32_t>(std::min<std::int64_t>(extent, INT32_MAX));
  a.page = client;
  a.largeChange = std::max(0, TruncToInt((client - BarSize) / z));
  a.smallChange = Scaled(z, 10);
  // Positions run from 0 to maximum - client; a client wider than the whole extent
  // leaves only position 0.
  const std::int64_t limit = std::max<std::int64_t>(extent - client, 0);
  a.position = static_cast<std::int32_t>(std::clamp<std::int64_t>(position, 0, limit));
  if (a.position < margin) {
    a.margin = margin - a.position;
    a.scroll = 0;
  } else {
    a.scroll = TruncToInt((a.position - margin) / z);
  }
  // The paper's far edge lies at maximum - position - margin; scrolled far into the
  // margin it may lie left of the client, and the band then covers everything.
  if (std::int64_t{client} + a.position + margin >= a.maximum)
    a.farBand = std::max(0, a.maximum - a.position - margin);
  return a;
}

TScrollLayout TDisplay::LayoutScrollBars(const TScrollInput& in) {
  TScrollLayout out;
  if (Rotated()) return out;
  out.visible = true;
  const TAxis h = LayoutAxis(in.client.w, in.paper.w, in.margin, in.hPosition);
  const TAxis v = LayoutAxis(in.client.h, in.paper.h, in.margin, in.vPosition);
  MarginX = h.margin;
  ScrollX = h.scroll;
  MarginY = v.margin;
  ScrollY = v.scroll;
  out.horizontal = {{0, in.client.h - BarSize, in.client.w - BarSize, BarSize},
                    h.maximum,
                    h.page,
                    h.largeChange,
                    h.smallChange,
                    h.position};
  out.vertical = {{in.client.w - BarSize, 0, BarSize, in.client.h - BarSize},
                  v.maximum,
                  v.page,
                  v.largeChange,
                  v.smallChange,
                  v.position};
  if (h.margin > 0) out.greyBands.push_back({0, 0, std::min(h.margin, in.client.w), in.client.h});
  if (h.farBand >= 0 && h.farBand < in.client.w)
    out.greyBands.push_back({h.farBand, 0, in.client.w - h.farBand, in.client.h});
  if (v.margin > 0) out.greyBands.push_back({0, 0, in.client.w, std::min(v.margin, in.client.h)});
  if (v.farBand >= 0 && v.farBand < in.client.h)
    out.greyBands.push_back({0, v.farBand, in.client.w, in.client.h - v.farBand});
  return out;
}

TZoomResult TDisplay::ZoomAbout(const TZoomRequest& r) {
  TZoomResult out;
  switch (r.step) {
    case TZoomStep::In:
      out.changed = ZoomIn();
      break;
    case TZoomStep::Out:
      out.changed = ZoomOut();
      break;
    case TZoomStep::Reset:
      out.changed = Zoom != 0;
      ResetZoom();
      break;
  }
  if (!out.changed) return out;
  out.resized = r.fitWindow;
  out.client = r.fitWindow ? FitWindow(r.paper) : r.client;
  const double z = ZoomFactor();
  const std::int32_t px = std::clamp(r.point.x, 0, r.paper.w), py = std::clamp(r.point.y, 0, r.paper.h);
  out.positions = {r.margin + Scaled(z, px) - out.client.w / 2, r.margin + Scaled(z, py) - out.client.h / 2};
  return out;
}

TScrollPositions TDisplay::LeaveRotation(TViewSize client, std::int32_t margin) {
  Angle = 0;
  const double z = ZoomFactor();
  return {margin + Scaled(z, CentreX) - client.w / 2, margin + Scaled(z, CentreY) - client.h / 2};
}

TScrollPositions TDisplay::HandDrag(std::int32_t dx, std::int32_t dy, TScrollPositions positions) {
  if (Rotated()) {
    const float z = ZoomFactor();
    PanRotated(static_cast<float>(dx) / z, static_cast<float>(dy) / z);
    return positions;
  }
  return {positions.h - dx, positions.v - dy};
}

void TDisplay::RotateDrag(TViewSize client, float delta) {
  if (!Rotated()) {
    const TPointI c = CentrePoint(client);
    SetCentre(static_cast<float>(c.x), static_cast<float>(c.y));
  }
  AddAngle(delta);
}

}  // namespace vt
