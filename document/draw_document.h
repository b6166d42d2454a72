#pragma once

#include <array>
#include <cstdint>

#include "brush/event_packet.h"
#include "brush/stroke.h"
#include "document/paper.h"

namespace vt {

// Everything one document window owns, without the window: the paper, the event streams
// of the four member slots with their stroke engines, and the merged history of a shared
// drawing. The Qt document window wraps one; headless members and replays use it
// directly.
//
// Slot 0's stream is the paper's history when offline: every local event is appended
// there, the native file stores it and replays read from it. In a shared drawing each
// member's stream fills its own slot and MergedStream holds the session history in
// arrival order.
class TDrawDocument {
 public:
  static constexpr std::int32_t Slots = 4;

  TDrawDocument() = default;
  TDrawDocument(const TDrawDocument&) = delete;
  TDrawDocument& operator=(const TDrawDocument&) = delete;

  // The stream and stroke engine local input writes to: the paper's member slot.
  TEventPacket& OwnStream() { return StrokeStreams[static_cast<std::size_t>(OwnSlot())]; }
  std::int32_t OwnSlot() const {
    return Paper.ParticipantIndex >= 0 && Paper.ParticipantIndex < Slots ? Paper.ParticipantIndex : 0;
  }

  TPaper Paper;
  std::array<TEventPacket, Slots> StrokeStreams;
  std::array<TStroke, Slots> StrokeEngines;
  TEventPacket MergedStream;
  std::array<std::int32_t, Slots> MergedPositions{};
  bool Playing = false;
  bool StopRequested = false;
  bool PenDown = false;
  bool KeyHeld = false;
  std::uint32_t LastReplayStep = 0;  // ms clock
  std::uint32_t LastActivity = 0;    // ms clock of the last pen sample
  std::int32_t StrokeCounter = 0;    // strokes ended in this document
  std::int32_t AutosaveMark = 0;     // StrokeCounter at the last autosave
};

}  // namespace vt
