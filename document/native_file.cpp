#include "document/native_file.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "layers/layer_mng.h"

namespace vt {

namespace {

constexpr std::size_t kMaxRun = 120;           // longest packet the encoder writes
constexpr std::uint32_t kLongestPacket = 124;  // longest run a reader accepts
constexpr std::uint8_t kFirstLiteral = 125;

std::uint32_t ReadU32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

bool IsMagic(std::span<const std::uint8_t> b) {
  return b[0] == 'W' && b[1] == 'P' && b[2] == 'B' && (b[3] == '2' || b[3] == ' ');
}

std::size_t PixelBytes(bool fourBytes) { return fourBytes ? 4 : 3; }

// The fewest bytes that can cover `total` pixels: one run packet per 124 pixels.
std::size_t MinEncodedSize(std::size_t total, bool fourBytes) {
  return (total + kLongestPacket - 1) / kLongestPacket * (1 + PixelBytes(fourBytes));
}

inline std::uint8_t* PutPixel(std::uint8_t* o, std::uint32_t v, bool fourBytes) {
  if (fourBytes) *o++ = static_cast<std::uint8_t>(v >> 24);
  o[0] = static_cast<std::uint8_t>(v >> 16);
  o[1] = static_cast<std::uint8_t>(v >> 8);
  o[2] = static_cast<std::uint8_t>(v);
  return o + 3;
}

bool ParseLayers(std::span<const std::uint8_t> bytes, std::size_t layerCount, TNativeLayout& layout) {
  const std::size_t total = static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.height);
  std::size_t at = kNativeHeaderSize;
  layout.layers.clear();
  for (std::size_t i = 0; i < layerCount; ++i) {
    if (bytes.size() - at < kNativeLayerRecordSize) return false;
    TNativeLayerRecord r;
    r.mode = bytes[at];
    r.opacity = bytes[at + 1];
    r.visible = bytes[at + 2];
    if (r.mode > 3) return false;
    r.dataLength = ReadU32(bytes, at + 8);
    r.dataOffset = at + kNativeLayerRecordSize;
    if (r.dataLength > bytes.size() - r.dataOffset) return false;
    if (r.dataLength < MinEncodedSize(total, r.mode == 3)) return false;
    at = r.dataOffset + r.dataLength;
    layout.layers.push_back(r);
  }
  layout.historyOffset = at;
  return true;
}

// Rows of a raster buffer are contiguous (top-down, no padding): the coder sees one run of
// width x height pixels.
std::span<std::uint32_t> AllPixels(TPX& px) {
  return {px.Row(0), static_cast<std::size_t>(px.Width) * static_cast<std::size_t>(px.Height)};
}

}  // namespace

bool ParseNativeLayout(std::span<const std::uint8_t> bytes, TNativeLayout& layout) {
  if (bytes.size() < kNativeHeaderSize || !IsMagic(bytes)) return false;
  // A non-zero word 4 marks a file without layers: nothing of its picture can be read.
  if (ReadU32(bytes, 4) != 0) return false;
  const std::uint32_t w = ReadU32(bytes, 8), h = ReadU32(bytes, 12);
  if (w < 1 || h < 1 || w > static_cast<std::uint32_t>(TPaper::MaxSide) ||
      h > static_cast<std::uint32_t>(TPaper::MaxSide))
    return false;
  const std::size_t top = bytes[20];
  if (top >= static_cast<std::size_t>(TLayerMng::MaxLayers)) return false;
  layout.width = static_cast<std::int32_t>(w);
  layout.height = static_cast<std::int32_t>(h);
  layout.paperColour = ReadU32(bytes, 16) & 0xFFFFFFu;
  layout.currentIndex = bytes[21];
  layout.exportBlocked = bytes[22] != 0;
  layout.historyLength = ReadU32(bytes, 24);
  if (!ParseLayers(bytes, top + 1, layout)) return false;
  layout.historyInFile = layout.historyLength <= bytes.size() - layout.historyOffset;
  return true;
}

std::size_t MaxEncodedSize(std::size_t total, bool fourBytes) { return total * (1 + PixelBytes(fourBytes)); }

std::size_t EncodeLayerPixels(const std::uint32_t* p, std::size_t total, bool fourBytes, std::uint8_t* out) {
  // Pixels of the blended modes compare by colour alone; mode 3 keeps all 32 bits.
  const std::uint32_t mask = fourBytes ? 0xFFFFFFFFu : 0x00FFFFFFu;
  std::uint8_t* o = out;
  std::size_t pos = 0;
  while (pos < total) {
    const std::uint32_t v = p[pos];
    if (pos + 1 == total) {
      *o++ = 1;
      o = PutPixel(o, v, fourBytes);
      break;
    }
    if (((p[pos + 1] ^ v) & mask) == 0) {
      const std::size_t limit = std::min(kMaxRun, total - pos);
      std::size_t n = 2;
      while (n < limit && ((p[pos + n] ^ v) & mask) == 0) ++n;
      *o++ = static_cast<std::uint8_t>(n);
      o = PutPixel(o, v, fourBytes);
      pos += n;
      continue;
    }
    // A literal ends before a pixel equal to its predecessor: that predecessor stays in
    // the literal and the repeat is coded by the packet after it.
    const std::size_t limit = std::min(kMaxRun, total - pos);
    std::size_t n = 1;
    while (n < limit && ((p[pos + n] ^ p[pos + n - 1]) & mask) != 0) ++n;
    *o++ = static_cast<std::uint8_t>(255 - n);
    for (std::size_t i = 0; i < n; ++i) o = PutPixel(o, p[pos + i], fourBytes);
    pos += n;
  }
  return static_cast<std::size_t>(o - out);
}

std::vector<std::uint8_t> EncodeLayerPixels(std::span<const std::uint32_t> pixels, bool fourBytes) {
  std::vector<std::uint8_t> out(MaxEncodedSize(pixels.size(), fourBytes));
  out.resize(EncodeLayerPixels(pixels.data(), pixels.size(), fourBytes, out.data()));
  return out;
}

TLayerPixelDecoder::TLayerPixelDecoder(std::span<const std::uint8_t> data, bool fourBytes, std::size_t total)
    : in_(data.data()), end_(data.data() + data.size()), pixelBytes_(PixelBytes(fourBytes)), fourBytes_(fourBytes),
      left_(total) {}

std::uint32_t TLayerPixelDecoder::Pixel(const std::uint8_t* q) const {
  std::uint32_t v = 0;
  if (fourBytes_) v = static_cast<std::uint32_t>(*q++) << 24;
  return v | (static_cast<std::uint32_t>(q[0]) << 16) | (static_cast<std::uint32_t>(q[1]) << 8) | q[2];
}

bool TLayerPixelDecoder::Next(std::uint32_t* out, std::size_t n) {
  if (failed_ || n > left_) return Fail();
  while (n > 0) {
    if (packetLeft_ == 0) {
      // A packet is checked whole when its count is read: its bytes must be there and
      // it must not run past the last pixel of the layer.
      if (in_ == end_) return Fail();
      const std::uint8_t c = *in_++;
      run_ = c < kFirstLiteral;
      const std::size_t count = run_ ? c : static_cast<std::size_t>(255 - c);
      const std::size_t need = run_ ? pixelBytes_ : count * pixelBytes_;
      if (static_cast<std::size_t>(end_ - in_) < need || count > left_) return Fail();
      if (run_) {
        runPixel_ = Pixel(in_);
        in_ += need;
      } else {
        literal_ = in_;
        in_ += need;
      }
      packetLeft_ = count;
      continue;
    }
    const std::size_t take = std::min(n, packetLeft_);
    if (run_) {
      std::fill_n(out, take, runPixel_);
    } else {
      for (std::size_t i = 0; i < take; ++i) out[i] = Pixel(literal_ + i * pixelBytes_);
      literal_ += take * pixelBytes_;
    }
    out += take;
    n -= take;
    packetLeft_ -= take;
    left_ -= take;
  }
  return true;
}

bool DecodeLayerPixels(std::span<const std::uint8_t> data, bool fourBytes, std::span<std::uint32_t> pixels) {
  TLayerPixelDecoder decoder(data, fourBytes, pixels.size());
  return decoder.Next(pixels.data(), pixels.size());
}

// ---- Writing ----------------------------------------------------------------------------

namespace {

void PutHeader(std::vector<std::uint8_t>& out, const TPaper& paper, std::uint32_t historyLength) {
  const TLayerMng& m = *paper.LayerManager;
  out.insert(out.end(), {'W', 'P', 'B', '2'});
  PutU32(out, 0);
  PutU32(out, static_cast<std::uint32_t>(paper.Width()));
  PutU32(out, static_cast<std::uint32_t>(paper.Height()));
  PutU32(out, m.BackColor);
  out.push_back(static_cast<std::uint8_t>(m.TopIndex));
  out.push_back(static_cast<std::uint8_t>(m.ActiveIndex));
  out.push_back(paper.ExportBlocked ? 1 : 0);
  out.push_back(0);
  PutU32(out, historyLength);
  PutU32(out, 0);
}

void PutLayers(std::vector<std::uint8_t>& out, const TPaper& paper) {
  const TLayerMng& m = *paper.LayerManager;
  const std::int32_t w = paper.Width(), h = paper.Height();
  TPX flat;
  flat.SetSize(w, h);
  const std::span<std::uint32_t> pixels = AllPixels(flat);
  const std::size_t worst = MaxEncodedSize(pixels.size(), true);
  const auto coded = std::make_unique_for_overwrite<std::uint8_t[]>(worst);
  for (std::int32_t i = 0; i <= m.TopIndex; ++i) {
    const TLayer& layer = m.LayerAt(i);
    const bool fourBytes = layer.Mode == 3;
    out.insert(out.end(), {static_cast<std::uint8_t>(layer.Mode), layer.Opacity,
                           static_cast<std::uint8_t>(layer.Visible ? 1 : 0), 0, 0, 0, 0, 0});
    layer.Block().CopyToImage(flat, 0, 0, w, h, 0, 0);
    const std::size_t n = EncodeLayerPixels(pixels.data(), pixels.size(), fourBytes, coded.get());
    PutU32(out, static_cast<std::uint32_t>(n));
    out.insert(out.end(), coded.get(), coded.get() + n);
  }
}

}  // namespace

bool EncodeNative(const TPaper& paper, const TEventPacket& history, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!paper.LayerManager || history.InStroke()) return false;
  const TMyMemory& stream = history.Stream();
  const std::size_t events = static_cast<std::size_t>(stream.Size());
  // The stored history is the stream plus its end marker; the stream itself is not touched,
  // so recording continues right after its last event.
  const std::uint32_t historyLength = events == 0 ? 0 : static_cast<std::uint32_t>(events + 2);
  PutHeader(out, paper, historyLength);
  PutLayers(out, paper);
  if (events != 0) {
    out.insert(out.end(), stream.Memory(), stream.Memory() + events);
    out.push_back(0xFF);
    out.push_back(0xFF);
  }
  return true;
}

bool SaveToFile(TFileStore& store, const std::string& path, const TPaper& paper,
                const TEventPacket& history) {
  std::vector<std::uint8_t> bytes;
  if (!EncodeNative(paper, history, bytes)) return false;
  return store.WriteDurably(path, bytes);
}

// ---- Reading ----------------------------------------------------------------------------

namespace {

bool RegionUniform(const TPX& image, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                   std::uint32_t colour) {
  for (std::int32_t j = y; j < y + h; ++j) {
    const std::uint32_t* row = image.Row(j) + x;
    for (std::int32_t i = 0; i < w; ++i)
      if (((row[i] ^ colour) & 0xFFFFFFu) != 0) return false;
  }
  return true;
}

// Decodes a layer's pixels straight into its tiles, one band of 64 rows at a time (band
// is width x 64): the same tiles as LoadFromImage followed by Compact, without making the
// tiles that Compact would drop again. The block must be empty.
bool DecodeIntoTiles(std::span<const std::uint8_t> data, bool fourBytes, TPX& band, TBlockImage& block) {
  constexpr std::int32_t t = TBlock::TileSize;
  const std::int32_t width = block.Width, height = block.Height;
  TLayerPixelDecoder decoder(data, fourBytes, static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (std::int32_t top = 0, row = 0; top < height; top += t, ++row) {
    const std::int32_t rows = std::min(t, height - top);
    for (std::int32_t j = 0; j < rows; ++j)
      if (!decoder.Next(band.Row(j), static_cast<std::size_t>(width))) return false;
    for (std::int32_t col = 0; col < block.GridCols(); ++col) {
      const std::int32_t x = col * t, w = std::min(t, width - x);
      if (w <= 0 || RegionUniform(band, x, 0, w, rows, block.BackColor)) continue;
      block.StoreTile(col, row, band, x, 0, w, rows);
    }
  }
  return true;
}

std::unique_ptr<TLayerMng> DecodeLayers(std::span<const std::uint8_t> bytes, const TNativeLayout& layout) {
  auto m = std::make_unique<TLayerMng>(layout.width, layout.height);
  TPX band;
  band.SetSize(layout.width, TBlock::TileSize);
  for (std::size_t i = 0; i < layout.layers.size(); ++i) {
    const TNativeLayerRecord& r = layout.layers[i];
    const auto index = static_cast<std::int32_t>(i);
    if (index == 0)
      m->LayerAt(0).SetMode(r.mode);
    else
      m->AddLayer(r.mode);
    TLayer& layer = m->LayerAt(index);
    layer.Opacity = r.opacity;
    if (r.visible <= 1) layer.Visible = r.visible == 1;
    layer.Block().FreeTiles();
    if (!DecodeIntoTiles(bytes.subspan(r.dataOffset, r.dataLength), r.mode == 3, band, layer.Block())) return nullptr;
    layer.UpdateThumbnail();
  }
  m->SetBackColor(layout.paperColour);
  m->Flow.Reset();
  m->SetActive(m->InRange(layout.currentIndex) ? layout.currentIndex : m->TopIndex);
  return m;
}

// The stored history becomes the recorder's stream, its read position at the end: every
// event in it is already in the picture.
bool TakeHistory(std::span<const std::uint8_t> bytes, const TNativeLayout& layout, TEventPacket& history) {
  if (!layout.historyInFile) return false;
  const std::span<const std::uint8_t> stored = bytes.subspan(layout.historyOffset, layout.historyLength);
  if (!history.LoadEventBytes(stored.data(), stored.size())) return false;
  history.DropEnd();
  history.RecordBare(TEventKind::UndoClearAll);
  history.Stream().SkipRead(history.Stream().Remaining());
  return true;
}

}  // namespace

TLoadOutcome DecodeNative(std::span<const std::uint8_t> bytes, TPaper& paper, TEventPacket& history,
                          const std::string& name) {
  TNativeLayout layout;
  if (!ParseNativeLayout(bytes, layout)) return TLoadOutcome::UnknownFormat;
  std::unique_ptr<TLayerMng> layers = DecodeLayers(bytes, layout);
  if (!layers) return TLoadOutcome::UnknownFormat;
  paper.Init(name, layout.width, layout.height);
  paper.LayerManager = std::move(layers);
  paper.LayerManager->ResetAllUndo();
  paper.ExportBlocked = layout.exportBlocked;
  if (layout.historyLength == 0) {
    // Without a history the picture cannot be rebuilt from events: nothing to export.
    history.ResetPacket();
    paper.ExportBlocked = true;
    return TLoadOutcome::Ok;
  }
  if (TakeHistory(bytes, layout, history)) return TLoadOutcome::Ok;
  history.ResetPacket();
  paper.ExportBlocked = true;
  return TLoadOutcome::BrokenHistory;
}

TLoadOutcome LoadFromFile(TFileStore& store, const std::string& path, TPaper& paper, TEventPacket& history) {
  std::vector<std::uint8_t> bytes;
  if (!store.ReadAll(path, kMaxNativeFileBytes, bytes)) return TLoadOutcome::NotFound;
  return DecodeNative(bytes, paper, history, path);
}

}  // namespace vt
