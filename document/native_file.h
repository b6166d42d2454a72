#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "brush/event_packet.h"
#include "document/file_store.h"
#include "document/paper.h"

namespace vt {

// The native layered file: a 32-byte header, one record per layer with its pixels
// run-length coded, then the paper's event history through its end marker.
//
//  header: "WPB2", int32 0, width, height, paper colour, byte top layer index, byte
//          current layer, byte export blocked, byte 0, int32 history length, int32 0
//  layer:  byte mode, byte opacity, byte visible, byte 0, 4 bytes 0, int32 L, L bytes
//
// Pixel coding: packets of a count byte c; c <= 124 is a run (one pixel stands for c
// pixels), c >= 125 a literal of 255 - c pixels. A pixel is 3 bytes (bits 16-23, 8-15,
// 0-7), or 4 bytes with bits 24-31 first for layers of mode 3. The encoder emits counts
// 1..120 only.

// How a load ended. The picture is taken only with Ok and BrokenHistory; otherwise the
// paper and the history are left as they were.
enum class TLoadOutcome {
  Ok,
  NotFound,       // missing or unreadable file
  UnknownFormat,  // not a native file, or its header or layers are malformed
  BrokenHistory,  // the picture loaded, but its history did not parse: history empty, export blocked
};

inline constexpr std::size_t kNativeHeaderSize = 32;
inline constexpr std::size_t kNativeLayerRecordSize = 12;
// Largest native file read: far above any real picture, below what a stream can index.
inline constexpr std::size_t kMaxNativeFileBytes = 0x7FFFFFFF;

struct TNativeLayerRecord {
  std::uint8_t mode = 0;
  std::uint8_t opacity = 255;
  std::uint8_t visible = 1;
  std::size_t dataOffset = 0;  // of the L pixel bytes, from the start of the file
  std::size_t dataLength = 0;  // L
};

// A native file as stored, found by walking its records without decoding pixels.
struct TNativeLayout {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t paperColour = 0xFFFFFF;
  std::int32_t currentIndex = 0;
  bool exportBlocked = false;
  std::vector<TNativeLayerRecord> layers;
  std::size_t historyOffset = 0;
  std::uint32_t historyLength = 0;
  bool historyInFile = true;  // the whole history lies within the file
};

// True for a well-formed header and layer records that all lie inside the bytes, each
// long enough to cover the paper. The history is only located, not parsed.
bool ParseNativeLayout(std::span<const std::uint8_t> bytes, TNativeLayout& layout);

// The largest coding of `total` pixels: a run of one pixel costs 1 + pixel bytes, and no
// packet costs more per pixel.
std::size_t MaxEncodedSize(std::size_t total, bool fourBytes);
// Codes the pixels into out (at least MaxEncodedSize bytes) and returns the bytes used.
std::size_t EncodeLayerPixels(const std::uint32_t* pixels, std::size_t total, bool fourBytes,
                              std::uint8_t* out);
std::vector<std::uint8_t> EncodeLayerPixels(std::span<const std::uint32_t> pixels, bool fourBytes);
// Decodes a layer's coded pixels in pieces of any length, in order. Next fills exactly n
// pixels; false once the data ends first or a packet would run past the last of the
// `total` pixels (and for every call after that).
class TLayerPixelDecoder {
 public:
  TLayerPixelDecoder(std::span<const std::uint8_t> data, bool fourBytes, std::size_t total);
  bool Next(std::uint32_t* out, std::size_t n);

 private:
  bool Fail() {
    failed_ = true;
    return false;
  }
  std::uint32_t Pixel(const std::uint8_t* q) const;

  const std::uint8_t* in_;
  const std::uint8_t* end_;
  std::size_t pixelBytes_;
  bool fourBytes_;
  std::size_t left_;  // pixels of the layer not produced yet
  bool failed_ = false;
  // The packet being produced: a run of runPixel_ or a literal read from literal_.
  std::size_t packetLeft_ = 0;
  bool run_ = false;
  std::uint32_t runPixel_ = 0;
  const std::uint8_t* literal_ = nullptr;
};

// Fills exactly pixels.size() pixels; false when the data ends first or a packet would
// run past the last pixel. Bytes after the last packet are ignored. Three-byte pixels
// come back with the top byte 0, as the empty space of a layer holds them.
bool DecodeLayerPixels(std::span<const std::uint8_t> data, bool fourBytes, std::span<std::uint32_t> pixels);

// The whole file for the paper and its history. False when the paper has no layers or
// the history is inside a stroke (its record is not closed yet). The history is stored
// with an end marker; an empty history is stored as none.
bool EncodeNative(const TPaper& paper, const TEventPacket& history, std::vector<std::uint8_t>& out);
// Takes the picture into the paper (named `name`) and the history into the packet.
// A parsed history loses its end marker and gains UndoClearAll, so that recording goes
// on after the last saved event; every layer's undo ring starts empty. The composite is
// not rebuilt: callers recomposite before showing it.
TLoadOutcome DecodeNative(std::span<const std::uint8_t> bytes, TPaper& paper, TEventPacket& history,
                          const std::string& name);

bool SaveToFile(TFileStore& store, const std::string& path, const TPaper& paper, const TEventPacket& history);
TLoadOutcome LoadFromFile(TFileStore& store, const std::string& path, TPaper& paper, TEventPacket& history);

}  // namespace vt
