#include <ostream>

#include "app/cli/cli.h"
#include "app/cli/cli_commands.h"
#include "app/cli/cli_input.h"
#include "app/cli/cli_io.h"

namespace vt {

namespace {

// Checks the two positional arguments' extensions; prints the usage error otherwise.
bool TwoFiles(const char* command, const std::vector<std::string>& args, TImageFormat in, TImageFormat out,
              std::ostream& err) {
  if (args.size() == 2 && ImageFormatOf(args[0]) == in && ImageFormatOf(args[1]) == out) return true;
  err << "vellumtide-cli " << command << ": expects INPUT" << (in == TImageFormat::Native ? ".wpb" : ".wpe")
      << " and OUTPUT" << (out == TImageFormat::Native ? ".wpb" : ".wpe") << "\n";
  PrintUsage(err);
  return false;
}

int Failed(std::ostream& err, const std::string& what) {
  err << "vellumtide-cli: " << what << "\n";
  return kExitFailed;
}

}  // namespace

int RunConvert(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
  if (!TwoFiles("convert", args, TImageFormat::EventFile, TImageFormat::Native, err)) return kExitUsage;
  TCliInput in;
  std::string reason;
  if (!LoadCliInput(args[0], 1.0f, in, reason)) return Failed(err, args[0] + ": " + reason);
  TDrawDocument& doc = *in.document;
  if (!SaveToFile(CliFileStore(), args[1], doc.Paper, doc.StrokeStreams[0]))
    return Failed(err, "cannot write " + args[1]);
  return kExitOk;
}

int RunExportEvents(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
  if (!TwoFiles("export-events", args, TImageFormat::Native, TImageFormat::EventFile, err)) return kExitUsage;
  TCliInput in;
  std::string reason;
  if (!LoadCliInput(args[0], 1.0f, in, reason)) return Failed(err, args[0] + ": " + reason);
  if (in.document->Paper.ExportBlocked || !in.historyParsed)
    return Failed(err, args[0] + ": the history of this picture cannot be exported");
  // The history as the file stores it, through its end marker.
  const auto history = std::span(in.bytes).subspan(in.layout.historyOffset, in.layout.historyLength);
  const TEventStats stats = CountEvents(history);
  if (!CliFileStore().WriteDurably(args[1], history.first(stats.length)))
    return Failed(err, "cannot write " + args[1]);
  return kExitOk;
}

}  // namespace vt
