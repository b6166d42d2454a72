#include "app/cli/cli.h"

#include <ostream>

#include "app/cli/cli_commands.h"
#include "app/cli/net_commands.h"

namespace vt {

void PrintUsage(std::ostream& os) {
  os << "vellumtide-cli " VT_VERSION
        " - headless tools for vellumTide pictures and event files\n"
        "\n"
        "Usage:\n"
        "  vellumtide-cli --help        show this text\n"
        "  vellumtide-cli --version     show the version\n"
        "  vellumtide-cli render INPUT OUTPUT [--scale F] [--quality Q]\n"
        "      replay INPUT.wpe (at scale F) or open INPUT.wpb and write the picture as\n"
        "      OUTPUT.bmp, OUTPUT.jpg (quality Q, default 80) or OUTPUT.png\n"
        "  vellumtide-cli info INPUT [--json]\n"
        "      paper size, layers, event count and count per record kind of INPUT.wpe or .wpb\n"
        "  vellumtide-cli convert INPUT.wpe OUTPUT.wpb\n"
        "      replay an event file and save the picture with its history\n"
        "  vellumtide-cli export-events INPUT.wpb OUTPUT.wpe\n"
        "      write the history stored in a native file as an event file\n";
  PrintNetUsage(os);
  os << "\n"
        "Exit codes: 0 success, 1 unreadable or invalid input or failed output, 2 wrong usage.\n";
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    PrintUsage(err);
    return kExitUsage;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    PrintUsage(out);
    return kExitOk;
  }
  if (command == "--version") {
    out << "vellumtide-cli " VT_VERSION "\n";
    return kExitOk;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "render") return RunRender(rest, out, err);
  if (command == "info") return RunInfo(rest, out, err);
  if (command == "convert") return RunConvert(rest, out, err);
  if (command == "export-events") return RunExportEvents(rest, out, err);
  if (command == "host") return RunHostCommand(rest, out, err);
  if (command == "join") return RunJoinCommand(rest, out, err);
  err << "vellumtide-cli: unknown command '" << command << "'\n\n";
  PrintUsage(err);
  return kExitUsage;
}

}  // namespace vt
