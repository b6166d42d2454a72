#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "document/draw_document.h"
#include "document/image_file.h"
#include "document/native_file.h"

namespace vt {

// A picture the tool was given: an event file replayed headless, or a native file.
struct TCliInput {
  std::unique_ptr<TDrawDocument> document = std::make_unique<TDrawDocument>();
  TImageFormat format = TImageFormat::Unknown;
  std::vector<std::uint8_t> bytes;  // the file as read
  TNativeLayout layout;             // native files: the records as stored
  bool historyParsed = true;        // native files: the embedded history is valid
};

// Reads and opens the input; on failure puts a one-line reason in `reason`. The composite
// is current afterwards.
bool LoadCliInput(const std::string& path, float scale, TCliInput& input, std::string& reason);

// The stored records of a stream from its start through the end marker.
struct TEventStats {
  std::int32_t events = 0;  // records before the end marker
  std::map<std::string, std::int32_t> perKind;
  std::size_t length = 0;  // bytes through the end marker
};
TEventStats CountEvents(std::span<const std::uint8_t> stream);
const char* EventKindName(std::uint16_t code);

// Parses "--name value" options and positional arguments; false on an unknown option or a
// missing value.
bool SplitArgs(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
               const std::vector<std::string>& flagOptions, std::vector<std::string>& positional,
               std::map<std::string, std::string>& options, std::string& reason);

}  // namespace vt
