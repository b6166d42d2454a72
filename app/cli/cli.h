#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vt {

// Exit codes of vellumtide-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // unreadable or invalid input, failed output
inline constexpr int kExitUsage = 2;   // wrong usage

// Runs one command line (without the program name). Output goes to out, usage errors
// and failure reasons to err.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

void PrintUsage(std::ostream& os);

}  // namespace vt
