#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vt {

// Headless members of a shared drawing. args are the words after the command name:
//   host --port P --user U --password W --size WxH --members N --layers L [common]
//   join ADDRESS --port P --user U --password W [common]
// common: --strokes K (generated pen strokes on the own layers, paced like a person),
//         --seconds S (stay that long, then leave), --save-history OUT.wpe,
//         --render OUT.png, --loopback (listen on and connect to 127.0.0.1 only).
// Log lines, information texts and the status line are printed to out as they happen.
// Returns 0 after a session that ran, 1 when the session could not start or the join
// failed, 2 on wrong usage.
int RunHostCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunJoinCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage lines of the two commands, for the program's help text.
void PrintNetUsage(std::ostream& os);

}  // namespace vt
