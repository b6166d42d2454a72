#include "app/cli/cli_input.h"

#include <algorithm>

#include "app/cli/cli_io.h"
#include "document/event_file.h"
#include "document/replay_driver.h"

namespace vt {

namespace {

bool LoadEventInput(TCliInput& input, float scale, std::string& reason) {
  if (!ReplayHeadless(*input.document, input.bytes.data(), input.bytes.size(), scale)) {
    reason = "not a valid event file";
    return false;
  }
  if (!input.document->Paper.Ready) {
    reason = "the event file creates no paper";
    return false;
  }
  return true;
}

bool LoadNativeInput(TCliInput& input, const std::string& path, std::string& reason) {
  TDrawDocument& doc = *input.document;
  const TLoadOutcome outcome = DecodeNative(input.bytes, doc.Paper, doc.StrokeStreams[0], path);
  if (outcome == TLoadOutcome::UnknownFormat) {
    reason = "not a valid native file";
    return false;
  }
  ParseNativeLayout(input.bytes, input.layout);
  input.historyParsed = outcome == TLoadOutcome::Ok;
  doc.Paper.RecompositeAll();
  return true;
}

}  // namespace

bool LoadCliInput(const std::string& path, float scale, TCliInput& input, std::string& reason) {
  input.format = ImageFormatOf(path);
  if (input.format != TImageFormat::EventFile && input.format != TImageFormat::Native) {
    reason = "input must be a .wpe or .wpb file";
    return false;
  }
  const std::size_t limit = input.format == TImageFormat::Native ? kMaxNativeFileBytes : kMaxEventFileBytes;
  if (!CliFileStore().ReadAll(path, limit, input.bytes)) {
    reason = "cannot read " + path;
    return false;
  }
  if (input.format == TImageFormat::EventFile) return LoadEventInput(input, scale, reason);
  return LoadNativeInput(input, path, reason);
}

const char* EventKindName(std::uint16_t code) {
  switch (static_cast<TEventKind>(code)) {
    case TEventKind::StrokePen:
      return "StrokePen";
    case TEventKind::StrokeWatercolour:
      return "StrokeWatercolour";
    case TEventKind::StrokeBlur:
      return "StrokeBlur";
    case TEventKind::StrokeEraser:
      return "StrokeEraser";
    case TEventKind::StrokeNewBlur:
      return "StrokeNewBlur";
    case TEventKind::LayerNew:
      return "LayerNew";
    case TEventKind::LayerDelete:
      return "LayerDelete";
    case TEventKind::LayerCombineVisible:
      return "LayerCombineVisible";
    case TEventKind::LayerDuplicate:
      return "LayerDuplicate";
    case TEventKind::LayerMove:
      return "LayerMove";
    case TEventKind::LayerMergeDown:
      return "LayerMergeDown";
    case TEventKind::LayerUndo:
      return "LayerUndo";
    case TEventKind::LayerSelect:
      return "LayerSelect";
    case TEventKind::LayerVisible:
      return "LayerVisible";
    case TEventKind::LayerOpacity:
      return "LayerOpacity";
    case TEventKind::LayerType:
      return "LayerType";
    case TEventKind::LayerSolo:
      return "LayerSolo";
    case TEventKind::LayerFlipVertical:
      return "LayerFlipVertical";
    case TEventKind::LayerFlipHorizontal:
      return "LayerFlipHorizontal";
    case TEventKind::LayerRotate180:
      return "LayerRotate180";
    case TEventKind::LayerNegative:
      return "LayerNegative";
    case TEventKind::SelectionClear:
      return "SelectionClear";
    case TEventKind::SelectionFill:
      return "SelectionFill";
    case TEventKind::LayerOffset:
      return "LayerOffset";
    case TEventKind::RectClear:
      return "RectClear";
    case TEventKind::RectFill:
      return "RectFill";
    case TEventKind::PolygonClear:
      return "PolygonClear";
    case TEventKind::PolygonFill:
      return "PolygonFill";
    case TEventKind::StraightLine:
      return "StraightLine";
    case TEventKind::PaperNew:
      return "PaperNew";
    case TEventKind::PaperColour:
      return "PaperColour";
    case TEventKind::PaperResize:
      return "PaperResize";
    case TEventKind::PaperResolution:
      return "PaperResolution";
    case TEventKind::ImageRotateRight:
      return "ImageRotateRight";
    case TEventKind::ImageRotateLeft:
      return "ImageRotateLeft";
    case TEventKind::UndoClearAll:
      return "UndoClearAll";
    case TEventKind::UndoClearLayer:
      return "UndoClearLayer";
    case TEventKind::PaperNewAlt:
      return "PaperNewAlt";
    case TEventKind::VisibleFlipVertical:
      return "VisibleFlipVertical";
    case TEventKind::VisibleFlipHorizontal:
      return "VisibleFlipHorizontal";
    case TEventKind::VisibleRotate180:
      return "VisibleRotate180";
    case TEventKind::VisibleNegative:
      return "VisibleNegative";
    case TEventKind::EndOfEvents:
      return "EndOfEvents";
  }
  return "Unknown";
}

TEventStats CountEvents(std::span<const std::uint8_t> stream) {
  TEventStats s;
  std::size_t at = 0;
  while (true) {
    const TRecordSpan r = CheckRecord(stream.data() + at, stream.size() - at);
    if (r.check != TRecordCheck::Complete) break;
    at += r.length;
    if (r.code == static_cast<std::uint16_t>(TEventKind::EndOfEvents)) break;
    s.events += 1;
    s.perKind[EventKindName(r.code)] += 1;
  }
  s.length = at;
  return s;
}

bool SplitArgs(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
               const std::vector<std::string>& flagOptions, std::vector<std::string>& positional,
               std::map<std::string, std::string>& options, std::string& reason) {
  auto has = [](const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() < 2 || a.compare(0, 2, "--") != 0) {
      positional.push_back(a);
    } else if (has(flagOptions, a)) {
      options[a] = "";
    } else if (has(valueOptions, a)) {
      if (i + 1 >= args.size()) {
        reason = "option " + a + " needs a value";
        return false;
      }
      options[a] = args[++i];
    } else {
      reason = "unknown option " + a;
      return false;
    }
  }
  return true;
}

}  // namespace vt
