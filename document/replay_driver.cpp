#include "document/replay_driver.h"

namespace vt {

namespace {

const TReplayTexts kJapanese{"インポートファイル再生中", "インポートファイル再生終了", "再生を停止しました"};
const TReplayTexts kEnglish{"Playing imported file", "Imported", "Stopped event playing"};

}  // namespace

const TReplayTexts& ReplayTexts(TLanguage language) {
  return language == TLanguage::Japanese ? kJapanese : kEnglish;
}

void CutAfterReplay(TEventPacket& stream, const TApplyResult& result) {
  TMyMemory& m = stream.Stream();
  if (!result.kindRead) return;
  m.SkipRead(-2);
  m.SetSize(m.ReadPosition());
}

TReplayDriver::TReplayDriver(TDrawDocument& document, TMsClock& clock, TLanguage language)
    : document_(document), clock_(clock), language_(language) {}

bool TReplayDriver::Import(const std::uint8_t* data, std::size_t size, float scale) {
  if (!Stream().LoadEventBytes(data, size)) return false;
  Stream().SetScale(scale);
  document_.Playing = true;
  document_.StopRequested = false;
  state_ = TState::Playing;
  const std::uint32_t now = clock_.NowMs();
  document_.LastReplayStep = now;
  Apply(now);
  startMs_ = lastCaptionMs_ = clock_.NowMs();
  return true;
}

TReplayStep TReplayDriver::Step(bool eventWait) {
  if (!document_.Playing) return {};
  if (document_.StopRequested && !Stream().InStroke()) return Stop();
  const std::uint32_t now = clock_.NowMs();
  if (eventWait && now - document_.LastReplayStep < EventWaitMs) return {};
  return Apply(now);
}

TReplayStep TReplayDriver::Apply(std::uint32_t now) {
  TReplayStep step;
  document_.LastReplayStep = now;
  step.applied = true;
  step.result = document_.Paper.ApplyEvent(Stream(), document_.StrokeEngines[0]);
  document_.Playing = step.result.continues;
  if (!step.result.continues) {
    CutAfterReplay(Stream(), step.result);
    state_ = TState::Ended;
    endMs_ = now;
    step.finished = step.captionChanged = true;
  } else if (now - lastCaptionMs_ >= CaptionIntervalMs) {
    lastCaptionMs_ = now;
    step.captionChanged = true;
  }
  return step;
}

TReplayStep TReplayDriver::Stop() {
  // The unplayed rest is dropped: the history ends with the last replayed event.
  TMyMemory& m = Stream().Stream();
  m.SetSize(m.ReadPosition());
  document_.Playing = false;
  document_.StopRequested = false;
  state_ = TState::Stopped;
  endMs_ = clock_.NowMs();
  TReplayStep step;
  step.finished = step.captionChanged = true;
  return step;
}

void TReplayDriver::RequestStop() {
  if (document_.Playing) document_.StopRequested = true;
}

std::int32_t TReplayDriver::ProgressPercent() const {
  return static_cast<std::int32_t>(Stream().ReadProgress());
}

std::uint32_t TReplayDriver::ElapsedMs() const {
  return (state_ == TState::Playing ? clock_.NowMs() : endMs_) - startMs_;
}

std::string TReplayDriver::Caption() const {
  const TReplayTexts& t = ReplayTexts(language_);
  const std::string base = document_.Paper.CaptionText();
  switch (state_) {
    case TState::Playing:
      return base + " : <" + t.playing + " : " + std::to_string(ProgressPercent()) +
             "[%] : " + std::to_string(ElapsedMs()) + "[ms]>";
    case TState::Ended:
      return base + " : <" + t.imported + " : " + std::to_string(ElapsedMs()) + "[ms]>";
    case TState::Stopped:
      return base + " <" + t.stopped + ">";
    case TState::Idle:
      break;
  }
  return base;
}

bool ReplayHeadless(TDrawDocument& document, const std::uint8_t* data, std::size_t size, float scale) {
  TEventPacket& stream = document.StrokeStreams[0];
  if (!stream.LoadEventBytes(data, size)) return false;
  stream.SetScale(scale);
  TPaper& paper = document.Paper;
  paper.SetDeferDisplay(true);
  document.Playing = true;
  while (true) {
    const TApplyResult r = paper.ApplyEvent(stream, document.StrokeEngines[0]);
    if (!r.continues) {
      CutAfterReplay(stream, r);
      break;
    }
    // A validated file always reaches its end marker; a step that read nothing and found
    // no whole record would otherwise repeat forever.
    if (!r.kindRead && !stream.InStroke() && !stream.RecordComplete()) break;
  }
  document.Playing = false;
  paper.SetDeferDisplay(false);
  paper.RecompositeAll();
  return true;
}

}  // namespace vt
