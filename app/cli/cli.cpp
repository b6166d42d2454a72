#include "app/cli/cli.h"

#include <ostream>

namespace vt {

void PrintUsage(std::ostream& os) {
  os << "vellumtide-cli " VT_VERSION " - headless tools for vellumTide pictures and event files\n"
        "\n"
        "Usage:\n"
        "  vellumtide-cli --help        show this text\n"
        "  vellumtide-cli --version     show the version\n";
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
  err << "vellumtide-cli: unknown command '" << command << "'\n\n";
  PrintUsage(err);
  return kExitUsage;
}

}  // namespace vt
