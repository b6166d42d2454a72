#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vt {

// Each command gets its arguments after the command word and returns the exit code.
int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunExportEvents(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vt
