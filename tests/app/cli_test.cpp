#include "app/cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vt {
namespace {

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

CliRun RunCommand(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = RunCli(args, out, err);
  return {code, out.str(), err.str()};
}

TEST(Cli, HelpPrintsUsageAndSucceeds) {
  const CliRun r = RunCommand({"--help"});
  EXPECT_EQ(r.code, kExitOk);
  EXPECT_NE(r.out.find("Usage:"), std::string::npos);
  EXPECT_TRUE(r.err.empty());
}

TEST(Cli, UnknownCommandAndNoCommandAreUsageErrors) {
  for (const auto& args : {std::vector<std::string>{"frobnicate"}, std::vector<std::string>{}}) {
    const CliRun r = RunCommand(args);
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("Usage:"), std::string::npos);
  }
}

}  // namespace
}  // namespace vt
