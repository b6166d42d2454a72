#pragma once

#include <cstdint>
#include <functional>

#include "brush/event_packet.h"
#include "brush/key_state.h"
#include "brush/ms_clock.h"
#include "brush/pressure_source.h"
#include "brush/stroke.h"
#include "document/display.h"
#include "document/paper.h"

namespace vt {

// What the pen routines read and write of the active document window.
struct TPenTarget {
  TPaper* paper = nullptr;           // null: no paper window is active
  TEventPacket* recorder = nullptr;  // the local member's stream
  TViewSize client;                  // client size, for the view mapping
  TPointI clientOrigin;              // screen position of the client's top-left pixel
  bool penDown = false;              // a button press not yet released
  bool playing = false;              // a replay runs in the window
  std::uint32_t lastSample = 0;      // clock time of the last sample
  std::int32_t strokeCount = 0;      // strokes ended in the window
};

// The program state a sample is checked against.
struct TPenGate {
  bool mainActive = true;  // the main window is the active window
  TKeyState keys;
  bool brushTool = true;  // the brush is the current tool
};

// One pointer sample.
struct TPenSample {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool screen = false;  // screen coordinates (tablet) rather than client coordinates
  float altitude = 1.0f;
  float pressure = 1.0f;
};

// Turns pointer samples from the tablet or the mouse into strokes on the paper and the
// matching stroke records. The live brush draws with exactly what the records carry
// (parameters in 1/256, pressure in 1/1024, 16-bit coordinates), so every replay of the
// stream gives the same pixels.
class TPenPipeline {
 public:
  // A stroke takes at most this many points after its first (and the closing point of
  // the pen lift); the next sample closes it and the one after starts a new stroke.
  static constexpr std::int32_t MaxStrokePoints = 60000;

  TPenPipeline(TStroke& brush, TMsClock& clock);

  void PenMove(TPenTarget& target, const TPenSample& sample, const TPenGate& gate);
  void PenUp(TPenTarget& target, const TPenSample& sample);

  // After the tablet took a message: restores the brush kind when the pen left the
  // device with the eraser-end switch on, then draws a packet (pressure 0 lifts the pen).
  void TabletMessage(TPenTarget& target, const TPressureSource& tablet, bool packetRead,
                     const TPenGate& gate);
  // Mouse samples in client coordinates; ignored while a tablet pen is in proximity.
  void MouseMove(TPenTarget& target, TPointI client, const TPressureSource* tablet, const TPenGate& gate);
  void MouseUp(TPenTarget& target, TPointI client);

  // The smallest distance in paper pixels between recorded points of the open stroke.
  float SpacingThreshold(const TDisplay& display) const;
  bool EraserSwitchActive() const { return eraserSwitch_; }

  // How a kind change reaches the brush (the brush window loads the kind's preset);
  // by default the kind is set on the brush.
  std::function<void(TBrushKind)> SelectKind;

 private:
  // Client or screen coordinates to paper coordinates in the records' 16-bit range.
  TPointI PaperPoint(const TPenTarget& target, const TPenSample& sample) const;
  void StartStroke(TPenTarget& target, TPointI p, float pressure);
  void ContinueStroke(TPenTarget& target, TPointI p, float pressure);
  void CloseStroke(TPenTarget& target);

  TStroke& brush_;
  TMsClock& clock_;
  bool eraserSwitch_ = false;
  TBrushKind kindBeforeEraser_ = TBrushKind::Pen;
};

}  // namespace vt
