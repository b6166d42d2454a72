#include <cstdio>
#include <ostream>

#include "app/cli/cli.h"
#include "app/cli/cli_commands.h"
#include "app/cli/cli_input.h"

namespace vt {

namespace {

struct TLayerInfo {
  std::int32_t mode;
  std::int32_t opacity;
  bool visible;
};

// What info reports, gathered once for both output forms.
struct TInfo {
  std::string format;
  std::int32_t width = 0, height = 0;
  std::uint32_t paperColour = 0;
  std::int32_t current = 0;
  bool exportBlocked = false;
  bool historyValid = true;
  std::vector<TLayerInfo> layers;
  TEventStats events;
};

const char* ModeName(std::int32_t mode) {
  switch (mode) {
    case 0:
      return "multiply";
    case 1:
      return "add";
    case 2:
      return "subtract";
    default:
      return "unblended";
  }
}

std::string Hex(std::uint32_t colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", colour & 0xFFFFFFu);
  return text;
}

TInfo Gather(const TCliInput& in) {
  TInfo info;
  const TPaper& paper = in.document->Paper;
  const TLayerMng& m = *paper.LayerManager;
  info.width = paper.Width();
  info.height = paper.Height();
  info.paperColour = m.BackColor;
  info.current = m.ActiveIndex;
  info.exportBlocked = paper.ExportBlocked;
  if (in.format == TImageFormat::EventFile) {
    info.format = "event file";
    for (std::int32_t i = 0; i <= m.TopIndex; ++i)
      info.layers.push_back({m.LayerAt(i).Mode, m.LayerAt(i).Opacity, m.LayerAt(i).Visible});
    info.events = CountEvents(in.bytes);
    return info;
  }
  info.format = "native file";
  // Layers exactly as the file stores them.
  for (const TNativeLayerRecord& r : in.layout.layers)
    info.layers.push_back({r.mode, r.opacity, r.visible != 0});
  info.current = in.layout.currentIndex;
  info.historyValid = in.historyParsed;
  if (in.historyParsed && in.layout.historyLength != 0)
    info.events = CountEvents(std::span(in.bytes).subspan(in.layout.historyOffset, in.layout.historyLength));
  return info;
}

void PrintText(const TInfo& info, std::ostream& out) {
  out << "format: " << info.format << "\n"
      << "paper: " << info.width << " x " << info.height << "\n"
      << "paper colour: " << Hex(info.paperColour) << "\n"
      << "layers: " << info.layers.size() << " (current " << info.current << ")\n";
  for (std::size_t i = 0; i < info.layers.size(); ++i) {
    const TLayerInfo& l = info.layers[i];
    out << "  " << i << ": mode " << l.mode << " (" << ModeName(l.mode) << "), opacity " << l.opacity << ", "
        << (l.visible ? "visible" : "hidden") << "\n";
  }
  out << "export blocked: " << (info.exportBlocked ? "yes" : "no") << "\n";
  if (!info.historyValid) out << "history: broken\n";
  out << "events: " << info.events.events << "\n";
  for (const auto& [kind, count] : info.events.perKind) out << "  " << kind << ": " << count << "\n";
}

void PrintJson(const TInfo& info, std::ostream& out) {
  out << "{\"format\":\"" << (info.format == "event file" ? "wpe" : "wpb") << "\",\"width\":" << info.width
      << ",\"height\":" << info.height << ",\"paperColour\":\"" << Hex(info.paperColour)
      << "\",\"currentLayer\":" << info.current << ",\"layers\":[";
  for (std::size_t i = 0; i < info.layers.size(); ++i) {
    const TLayerInfo& l = info.layers[i];
    out << (i ? "," : "") << "{\"index\":" << i << ",\"mode\":" << l.mode << ",\"opacity\":" << l.opacity
        << ",\"visible\":" << (l.visible ? "true" : "false") << "}";
  }
  out << "],\"exportBlocked\":" << (info.exportBlocked ? "true" : "false")
      << ",\"historyValid\":" << (info.historyValid ? "true" : "false")
      << ",\"events\":" << info.events.events << ",\"kinds\":{";
  bool first = true;
  for (const auto& [kind, count] : info.events.perKind) {
    out << (first ? "" : ",") << "\"" << kind << "\":" << count;
    first = false;
  }
  out << "}}\n";
}

}  // namespace

int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;
  std::string reason;
  if (!SplitArgs(args, {}, {"--json"}, positional, options, reason) || positional.size() != 1) {
    err << "vellumtide-cli info: " << (reason.empty() ? "expects one INPUT" : reason) << "\n";
    PrintUsage(err);
    return kExitUsage;
  }
  TCliInput in;
  if (!LoadCliInput(positional[0], 1.0f, in, reason)) {
    err << "vellumtide-cli: " << positional[0] << ": " << reason << "\n";
    return kExitFailed;
  }
  const TInfo info = Gather(in);
  if (options.count("--json"))
    PrintJson(info, out);
  else
    PrintText(info, out);
  return kExitOk;
}

}  // namespace vt
