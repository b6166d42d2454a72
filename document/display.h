#pragma once

#include <cstdint>
#include <vector>

#include "raster/helpers.h"

namespace vt {

// The grey shown around the paper and wherever a view falls outside it.
inline constexpr std::uint32_t PlainMargin = 0x606060u;

// A client area or paper size in pixels.
struct TViewSize {
  std::int32_t w = 0;
  std::int32_t h = 0;
  friend bool operator==(const TViewSize&, const TViewSize&) = default;
};

// One scroll bar as the window should set it up.
struct TScrollBarLayout {
  TIntRect place;  // client rectangle the bar occupies
  std::int32_t maximum = 0;
  std::int32_t page = 0;
  std::int32_t largeChange = 0;
  std::int32_t smallChange = 0;
  std::int32_t position = 0;  // after clamping
};

// What LayoutScrollBars decided: bar settings (when shown) and the client rectangles
// that lie outside the paper and are filled with PlainMargin.
struct TScrollLayout {
  bool visible = false;
  TScrollBarLayout horizontal;
  TScrollBarLayout vertical;
  std::vector<TIntRect> greyBands;
};

// The inputs of LayoutScrollBars: the client size, the paper size, the margin M and the
// bars' current positions.
struct TScrollInput {
  TViewSize client;
  TViewSize paper;
  std::int32_t margin = 0;
  std::int32_t hPosition = 0;
  std::int32_t vPosition = 0;
};

// Scroll bar positions the window should take.
struct TScrollPositions {
  std::int32_t h = 0;
  std::int32_t v = 0;
  friend bool operator==(const TScrollPositions&, const TScrollPositions&) = default;
};

enum class TZoomStep { In, Out, Reset };

// A zoom about a paper point (clicks, the wheel, the menu).
struct TZoomRequest {
  TZoomStep step = TZoomStep::In;
  TPointI point;     // paper point that ends at the window centre
  TViewSize client;  // client size before the zoom
  TViewSize paper;
  std::int32_t margin = 0;
  bool fitWindow = false;  // asked for, and the window is neither maximized nor minimized
};

struct TZoomResult {
  bool changed = false;  // false: the level could not change and nothing else happened
  bool resized = false;  // the window should take client as its new client size
  TViewSize client;
  TScrollPositions positions;
};

// How a paper is shown: zoom, scroll and rotation. The view never changes pixels.
// Window coordinates are client pixels; paper coordinates are paper pixels.
class TDisplay {
 public:
  static constexpr std::int32_t MinZoom = -2;
  static constexpr std::int32_t MaxZoom = 6;
  // Thickness of the scroll bars along the bottom and right edges of the client area.
  static constexpr std::int32_t BarSize = 16;
  // Room left around the paper by FitWindow.
  static constexpr std::int32_t FitSlack = 80;

  // The margin around the paper: half the full-screen client width, on both axes.
  static std::int32_t Margin(std::int32_t screenWidth) { return screenWidth / 2; }

  // Factors 0.25, 0.5, 1, 1.5, 2, 3, 4, 6, 8 for indexes -2..6; any other index is 1.
  float ZoomFactor() const;
  // " 25%", " 50%", "100%", ... "800%".
  const char* ZoomText() const;
  bool CanZoomIn() const { return Zoom <= MaxZoom - 1; }
  bool CanZoomOut() const { return Zoom >= MinZoom + 1; }
  bool ZoomIn();
  bool ZoomOut();
  void ResetZoom() { Zoom = 0; }

  bool Rotated() const { return Angle != 0.0f; }
  void SetAngle(float angle) { Angle = angle; }
  void AddAngle(float delta) { Angle += delta; }
  void SetCentre(float x, float y);
  // Moves the rotation centre against a drag of (dx, dy) in window pixels already
  // divided by the zoom, so the paper follows the pointer.
  void PanRotated(float dx, float dy);

  std::int32_t OriginX() const;
  std::int32_t OriginY() const;
  TPointI WindowToPaper(TViewSize client, TPointI window) const;
  TPointI PaperToWindow(TViewSize client, double px, double py) const;
  TPointI CentrePoint(TViewSize client) const;

  // The client size that shows the whole paper with FitSlack pixels to spare.
  TViewSize FitWindow(TViewSize paper) const;

  // Clamps the bar positions, derives margin and scroll from them and lists the grey
  // bands. A rotated view hides the bars and changes nothing.
  TScrollLayout LayoutScrollBars(const TScrollInput& in);

  // Changes the level and returns the window size and bar positions that put the point
  // at the window centre.
  TZoomResult ZoomAbout(const TZoomRequest& request);
  // Ends rotation; the returned positions keep the former rotation centre at the window
  // centre.
  TScrollPositions LeaveRotation(TViewSize client, std::int32_t margin);

  // A hand drag of (dx, dy) window pixels: a rotated view pans its centre, otherwise the
  // returned bar positions move against the drag.
  TScrollPositions HandDrag(std::int32_t dx, std::int32_t dy, TScrollPositions positions);
  // A rotate drag: an unrotated view is first centred on the window's middle.
  void RotateDrag(TViewSize client, float delta);

  std::int32_t MarginX = 0;
  std::int32_t MarginY = 0;
  std::int32_t ScrollX = 0;
  std::int32_t ScrollY = 0;
  float Angle = 0;
  float CentreX = 0;
  float CentreY = 0;
  std::int32_t Zoom = 0;

 private:
  struct TAxis;
  TAxis LayoutAxis(std::int32_t client, std::int32_t paper, std::int32_t margin, std::int32_t position) const;
};

}  // namespace vt
