#include "document/event_file.h"

namespace vt {

namespace {

// Length of the leading whole records of known kinds, through the end marker when one is
// reached.
std::size_t ExportableLength(const std::uint8_t* data, std::size_t size, bool& complete) {
  std::size_t at = 0;
  complete = false;
  while (true) {
    const TRecordSpan r = CheckRecord(data + at, size - at);
    if (r.check != TRecordCheck::Complete) return at;
    at += r.length;
    if (r.code == static_cast<std::uint16_t>(TEventKind::EndOfEvents)) {
      complete = true;
      return at;
    }
  }
}

}  // namespace

bool ExportEventStream(TEventPacket& stream, std::vector<std::uint8_t>& out) {
  out.clear();
  if (stream.InStroke()) return false;
  stream.WriteEnd();
  const TMyMemory& m = stream.Stream();
  bool complete = false;
  const std::size_t n = ExportableLength(m.Memory(), static_cast<std::size_t>(m.Size()), complete);
  out.assign(m.Memory(), m.Memory() + n);
  stream.DropEnd();
  return complete;
}

bool SaveEventFile(TFileStore& store, const std::string& path, TEventPacket& stream) {
  std::vector<std::uint8_t> bytes;
  if (!ExportEventStream(stream, bytes)) return false;
  return store.WriteDurably(path, bytes);
}

bool ReadEventFile(TFileStore& store, const std::string& path, std::vector<std::uint8_t>& bytes) {
  if (!store.ReadAll(path, kMaxEventFileBytes, bytes)) return false;
  std::size_t length = 0;
  std::int32_t count = 0;
  return TEventPacket::ValidateEvents(bytes.data(), bytes.size(), length, count);
}

}  // namespace vt
