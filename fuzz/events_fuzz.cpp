// Event files and network streams: the validation walk over arbitrary bytes, then every
// complete record read back as a replay would.
#include <cstddef>
#include <cstdint>

#include "brush/event_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vt::TEventPacket packet(64);
  if (packet.LoadEventBytes(data, size)) {
    std::vector<std::uint8_t> out;
    if (!packet.ExportEventBytes(out) || out.size() > size) __builtin_trap();
  }
  // The same bytes as a network stream: read every complete record, stop where one is
  // still arriving or unknown.
  vt::TEventPacket stream(64);
  stream.Stream().WriteBytes(data, static_cast<std::int32_t>(size));
  while (stream.InStroke() || stream.RecordComplete()) {
    if (stream.InStroke()) {
      bool last = false;
      stream.ReadStrokePoint(last);
      continue;
    }
    const std::uint16_t code = stream.ReadCode();
    if (vt::IsStrokeCode(code)) {
      vt::TStrokeParams params;
      vt::TEventPoint first;
      stream.ReadStrokeBegin(params, first);
    } else {
      stream.ReadArgs(code);
    }
  }
  return 0;
}
