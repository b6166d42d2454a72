#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brush/event_packet.h"
#include "document/file_store.h"

namespace vt {

// An event file is a stream written out unchanged: its records from the new-paper event
// through the end marker, no header.

// The stream's records with an end marker added for the export (and removed again, so
// recording continues after the last event). False when the stream is inside a stroke
// (out stays empty) or a record of an unknown kind or a cut record comes first (out then
// holds the records before it).
bool ExportEventStream(TEventPacket& stream, std::vector<std::uint8_t>& out);

// Writes the export to path. A failed export writes nothing, so an existing file is never
// replaced by one that cannot be imported.
bool SaveEventFile(TFileStore& store, const std::string& path, TEventPacket& stream);

// Reads and validates an event file: whole records of known kinds from a new-paper event
// through the end marker. False when missing, unreadable or refused.
bool ReadEventFile(TFileStore& store, const std::string& path, std::vector<std::uint8_t>& bytes);

// Largest event file read: what one stream can hold.
inline constexpr std::size_t kMaxEventFileBytes = 0x7FFFFFFF;

}  // namespace vt
