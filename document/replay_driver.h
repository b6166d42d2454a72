#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "brush/ms_clock.h"
#include "document/draw_document.h"

namespace vt {

enum class TLanguage { Japanese, English };

// The words the caption shows while an imported event file plays and after it ends.
struct TReplayTexts {
  const char* playing;
  const char* imported;
  const char* stopped;
};
const TReplayTexts& ReplayTexts(TLanguage language);

// What one pass of the update loop did to the replay.
struct TReplayStep {
  bool applied = false;  // ApplyEvent ran; result holds what it reported
  TApplyResult result;
  bool finished = false;        // the replay ended in this pass (end of the stream or stop)
  bool captionChanged = false;  // Caption() has a new text for the window
};

// Replays an imported event file into one document, one step per pass of the update loop:
// a whole record, or one point of a stroke, so the picture is painted again stroke by
// stroke. The document's slot-0 stream holds the file; when the replay ends that stream
// is the paper's history and recording continues after the replayed events.
class TReplayDriver {
 public:
  static constexpr std::uint32_t EventWaitMs = 8;
  static constexpr std::uint32_t CaptionIntervalMs = 500;

  TReplayDriver(TDrawDocument& document, TMsClock& clock, TLanguage language = TLanguage::English);

  // Takes a whole event file into slot 0 at the scale and applies its first step (the
  // new-paper event). False when the file is refused: the document is left untouched
  // and not playing.
  bool Import(const std::uint8_t* data, std::size_t size, float scale);
  // One pass: with eventWait a step runs only once 8 ms have passed since the last one.
  TReplayStep Step(bool eventWait);
  // Honoured at the next pass outside a stroke: a stroke being replayed is finished first.
  void RequestStop();

  std::string Caption() const;
  // Read position as a whole percentage of the stream.
  std::int32_t ProgressPercent() const;
  std::uint32_t ElapsedMs() const;
  void SetLanguage(TLanguage language) { language_ = language; }

 private:
  enum class TState { Idle, Playing, Ended, Stopped };
  TEventPacket& Stream() { return document_.StrokeStreams[0]; }
  const TEventPacket& Stream() const { return document_.StrokeStreams[0]; }
  TReplayStep Stop();
  TReplayStep Apply(std::uint32_t now);

  TDrawDocument& document_;
  TMsClock& clock_;
  TLanguage language_;
  TState state_ = TState::Idle;
  std::uint32_t startMs_ = 0;
  std::uint32_t endMs_ = 0;
  std::uint32_t lastCaptionMs_ = 0;
};

// Ends a replay whose last step read `result`: the kind word that ended it (the end
// marker, or a kind that cannot be replayed) and everything after it leave the stream, so
// the stream holds exactly the replayed events.
void CutAfterReplay(TEventPacket& stream, const TApplyResult& result);

// Replays a whole event file with nothing shown: every step, with the display composite
// deferred and rebuilt once at the end. False when the file is refused (the document is
// then untouched).
bool ReplayHeadless(TDrawDocument& document, const std::uint8_t* data, std::size_t size, float scale);

}  // namespace vt
