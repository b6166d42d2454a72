#include "brush/event_packet.h"

#include <algorithm>
#include <cmath>

#include "brush/my_file.h"
#include "brush/stroke.h"

namespace vt {

namespace {

// Coordinates beyond the 16-bit range are pinned to its ends rather than wrapped, so a
// point far off the paper never comes back on the other side.
std::int16_t Sint(std::int32_t v) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, -32768, 32767));
}

std::uint16_t Word(std::int32_t v) {
  return static_cast<std::uint16_t>(std::clamp<std::int32_t>(v, 0, 65535));
}

// trunc(value * scale) into the record's integer range; NaN records 0.
std::int32_t TruncScaled(float value, float scale, std::int32_t lo, std::int32_t hi) {
  const double v = static_cast<double>(value * scale);
  if (!(v == v)) return 0;
  return static_cast<std::int32_t>(std::clamp<double>(std::trunc(v), lo, hi));
}

std::int16_t Pressure(float pressure) {
  return static_cast<std::int16_t>(TruncScaled(pressure, 1024.0f, -32768, 32767));
}

std::uint16_t Param(float value) { return static_cast<std::uint16_t>(TruncScaled(value, 256.0f, 0, 65535)); }

}  // namespace

TEventPacket::TEventPacket(std::int32_t capacity) : stream_(capacity) {}

// ---- Writing ---------------------------------------------------------------------------

void TEventPacket::Begin(TEventKind kind) {
  eventCount_ += 1;
  stream_.WriteWord(static_cast<std::uint16_t>(kind));
}

void TEventPacket::WriteColour(std::uint32_t colour) {
  stream_.WriteByte(static_cast<std::uint8_t>(colour >> 16));
  stream_.WriteByte(static_cast<std::uint8_t>(colour >> 8));
  stream_.WriteByte(static_cast<std::uint8_t>(colour));
}

void TEventPacket::WriteParams(const TStrokeParams& p) {
  stream_.WriteByte(p.layer);
  WriteColour(p.colour);
  stream_.WriteByte(
      static_cast<std::uint8_t>((p.ifSIZE ? 1 : 0) | (p.ifTRANSPARENCY ? 2 : 0) | (p.ifEDGE ? 4 : 0)));
  for (float v : {p.MIN, p.WIDTH, p.GAMMA, p.EFFECT, p.ENV, p.SPEED}) stream_.WriteWord(Param(v));
}

void TEventPacket::RecordStrokeBegin(std::uint16_t kind, const TStrokeParams& params, std::int32_t x,
                                     std::int32_t y, float pressure) {
  Begin(static_cast<TEventKind>(kind <= 4 ? kind : 0));
  WriteParams(params);
  stream_.WriteSmallInt(Sint(x));
  stream_.WriteSmallInt(Sint(y));
  stream_.WriteSmallInt(Pressure(pressure));
  stream_.WriteWord(0);  // point count, patched by RecordStrokeEnd
  points_ = 0;
  inStroke_ = true;
}

void TEventPacket::RecordStrokePoint(std::int32_t x, std::int32_t y, float pressure) {
  stream_.WriteSmallInt(Sint(x));
  stream_.WriteSmallInt(Sint(y));
  stream_.WriteSmallInt(Pressure(pressure));
  points_ += 1;
}

void TEventPacket::RecordStrokeEnd() {
  stream_.WriteWord(static_cast<std::uint16_t>(points_), -(6 * points_) - 2);
  inStroke_ = false;
}

void TEventPacket::RecordLayerOp(TEventKind kind, std::uint8_t layer) {
  Begin(kind);
  stream_.WriteByte(layer);
}

void TEventPacket::RecordBare(TEventKind kind) { Begin(kind); }

void TEventPacket::RecordLayerNew(std::uint8_t type) { RecordLayerOp(TEventKind::LayerNew, type); }

void TEventPacket::RecordLayerMove(std::uint8_t from, std::uint8_t to) {
  Begin(TEventKind::LayerMove);
  stream_.WriteByte(from);
  stream_.WriteByte(to);
}

void TEventPacket::RecordLayerVisible(std::uint8_t layer, bool visible) {
  Begin(TEventKind::LayerVisible);
  stream_.WriteByte(layer);
  stream_.WriteByte(visible ? 1 : 0);
}

void TEventPacket::RecordLayerOpacity(std::uint8_t layer, std::uint8_t opacity) {
  Begin(TEventKind::LayerOpacity);
  stream_.WriteByte(layer);
  stream_.WriteByte(opacity);
}

void TEventPacket::RecordLayerType(std::uint8_t layer, std::uint8_t type) {
  Begin(TEventKind::LayerType);
  stream_.WriteByte(layer);
  stream_.WriteByte(type);
}

void TEventPacket::RecordSelectionFill(std::uint8_t layer, std::uint32_t colour) {
  Begin(TEventKind::SelectionFill);
  stream_.WriteByte(layer);
  WriteColour(colour);
}

void TEventPacket::RecordLayerOffset(std::uint8_t layer, std::int32_t dx, std::int32_t dy) {
  Begin(TEventKind::LayerOffset);
  stream_.WriteByte(layer);
  stream_.WriteSmallInt(Sint(dx));
  stream_.WriteSmallInt(Sint(dy));
}

void TEventPacket::RecordRectClear(std::uint8_t layer, std::int32_t left, std::int32_t top, std::int32_t w,
                                   std::int32_t h) {
  Begin(TEventKind::RectClear);
  stream_.WriteByte(layer);
  for (std::int32_t v : {left, top, w, h}) stream_.WriteSmallInt(Sint(v));
}

void TEventPacket::RecordRectFill(std::uint8_t layer, std::int32_t left, std::int32_t top, std::int32_t w,
                                  std::int32_t h, std::uint32_t colour) {
  Begin(TEventKind::RectFill);
  stream_.WriteByte(layer);
  for (std::int32_t v : {left, top, w, h}) stream_.WriteSmallInt(Sint(v));
  WriteColour(colour);
}

void TEventPacket::WritePolygon(std::span<const TPointI> vertices) {
  const std::size_t n = std::min<std::size_t>(vertices.size(), 65535);
  stream_.WriteWord(static_cast<std::uint16_t>(n));
  for (std::size_t i = 0; i < n; ++i) {
    stream_.WriteSmallInt(Sint(vertices[i].x));
    stream_.WriteSmallInt(Sint(vertices[i].y));
  }
}

void TEventPacket::RecordPolygonClear(std::uint8_t layer, std::span<const TPointI> vertices) {
  Begin(TEventKind::PolygonClear);
  stream_.WriteByte(layer);
  WritePolygon(vertices);
}

void TEventPacket::RecordPolygonFill(std::uint8_t layer, std::uint32_t colour,
                                     std::span<const TPointI> vertices) {
  Begin(TEventKind::PolygonFill);
  stream_.WriteByte(layer);
  WriteColour(colour);
  WritePolygon(vertices);
}

void TEventPacket::RecordStraightLine(const TStrokeParams& params, std::uint16_t kind, std::int32_t x1,
                                      std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  Begin(TEventKind::StraightLine);
  WriteParams(params);
  stream_.WriteWord(kind <= 4 ? kind : 0);
  for (std::int32_t v : {x1, y1, x2, y2}) stream_.WriteSmallInt(Sint(v));
}

void TEventPacket::RecordPaperNew(std::int32_t width, std::int32_t height) {
  Begin(TEventKind::PaperNew);
  stream_.WriteWord(Word(width));
  stream_.WriteWord(Word(height));
}

void TEventPacket::RecordPaperColour(std::uint32_t colour) {
  Begin(TEventKind::PaperColour);
  WriteColour(colour);
}

void TEventPacket::RecordPaperResize(std::int32_t width, std::int32_t height, std::uint8_t anchor) {
  Begin(TEventKind::PaperResize);
  stream_.WriteWord(Word(width));
  stream_.WriteWord(Word(height));
  stream_.WriteByte(anchor);
}

void TEventPacket::RecordPaperResolution(std::int32_t width, std::int32_t height) {
  Begin(TEventKind::PaperResolution);
  stream_.WriteWord(Word(width));
  stream_.WriteWord(Word(height));
}

void TEventPacket::RecordArgs(std::uint16_t code, const TEventArgs& a) {
  switch (static_cast<TEventKind>(code)) {
    case TEventKind::LayerNew: RecordLayerNew(a.layer); break;
    case TEventKind::LayerMove: RecordLayerMove(a.layer, a.value); break;
    case TEventKind::LayerVisible: RecordLayerVisible(a.layer, a.value != 0); break;
    case TEventKind::LayerOpacity: RecordLayerOpacity(a.layer, a.value); break;
    case TEventKind::LayerType: RecordLayerType(a.layer, a.value); break;
    case TEventKind::SelectionFill: RecordSelectionFill(a.layer, a.colour); break;
    case TEventKind::LayerOffset: RecordLayerOffset(a.layer, a.x, a.y); break;
    case TEventKind::RectClear: RecordRectClear(a.layer, a.x, a.y, a.w, a.h); break;
    case TEventKind::RectFill: RecordRectFill(a.layer, a.x, a.y, a.w, a.h, a.colour); break;
    case TEventKind::PolygonClear: RecordPolygonClear(a.layer, a.points); break;
    case TEventKind::PolygonFill: RecordPolygonFill(a.layer, a.colour, a.points); break;
    case TEventKind::StraightLine: RecordStraightLine(a.params, a.brushKind, a.x, a.y, a.w, a.h); break;
    case TEventKind::PaperNew: RecordPaperNew(a.w, a.h); break;
    case TEventKind::PaperColour: RecordPaperColour(a.colour); break;
    case TEventKind::PaperResize: RecordPaperResize(a.w, a.h, a.value); break;
    case TEventKind::PaperResolution: RecordPaperResolution(a.w, a.h); break;
    default: {
      const TRecordShape shape = ShapeOf(code);
      if (!shape.known || IsStrokeCode(code) || code == static_cast<std::uint16_t>(TEventKind::EndOfEvents)) break;
      if (shape.fixedSize == 3)
        RecordLayerOp(static_cast<TEventKind>(code), a.layer);
      else
        RecordBare(static_cast<TEventKind>(code));
      break;
    }
  }
}

void TEventPacket::ResetPacket() {
  stream_.Clear();
  eventCount_ = 0;
  inStroke_ = false;
  points_ = 0;
}

// ---- Reading ---------------------------------------------------------------------------

TRecordSpan TEventPacket::PeekRecord() const {
  const std::int32_t remaining = stream_.Remaining();
  if (remaining <= 0) return {};
  return CheckRecord(stream_.Memory() + stream_.ReadPosition(), static_cast<std::size_t>(remaining));
}

std::int32_t TEventPacket::Scaled(std::int32_t v) const {
  return static_cast<std::int32_t>(std::trunc(static_cast<double>(v) * static_cast<double>(scale_)));
}

std::uint32_t TEventPacket::ReadColour() {
  const std::uint32_t r = stream_.ReadByte(), g = stream_.ReadByte(), b = stream_.ReadByte();
  return r * 65536 + g * 256 + b;
}

TEventPoint TEventPacket::ReadPoint() {
  TEventPoint p;
  p.x = Scaled(stream_.ReadSmallInt());
  p.y = Scaled(stream_.ReadSmallInt());
  p.pressure = static_cast<float>(stream_.ReadSmallInt()) / 1024.0f;
  return p;
}

TStrokeParams TEventPacket::ReadParams() {
  TStrokeParams p;
  p.layer = stream_.ReadByte();
  p.colour = ReadColour();
  const std::uint8_t flags = stream_.ReadByte();
  p.ifSIZE = flags & 1;
  p.ifTRANSPARENCY = flags & 2;
  p.ifEDGE = flags & 4;
  for (float* v : {&p.MIN, &p.WIDTH, &p.GAMMA, &p.EFFECT, &p.ENV, &p.SPEED})
    *v = static_cast<float>(stream_.ReadWord()) / 256.0f;
  // The brush size follows the replay scale like the coordinates do.
  p.WIDTH *= scale_;
  return p;
}

void TEventPacket::ReadStrokeBegin(TStrokeParams& params, TEventPoint& first) {
  params = ReadParams();
  first = ReadPoint();
  points_ = stream_.ReadWord();
  inStroke_ = points_ > 0;
}

TEventPoint TEventPacket::ReadStrokePoint(bool& last) {
  const TEventPoint p = ReadPoint();
  points_ -= 1;
  last = points_ <= 0;
  if (last) inStroke_ = false;
  return p;
}

TEventArgs TEventPacket::ReadArgs(std::uint16_t code) {
  TEventArgs a;
  switch (static_cast<TEventKind>(code)) {
    case TEventKind::LayerMove:
    case TEventKind::LayerVisible:
    case TEventKind::LayerOpacity:
    case TEventKind::LayerType:
      a.layer = stream_.ReadByte();
      a.value = stream_.ReadByte();
      break;
    case TEventKind::SelectionFill:
      a.layer = stream_.ReadByte();
      a.colour = ReadColour();
      break;
    case TEventKind::LayerOffset:
      a.layer = stream_.ReadByte();
      a.x = Scaled(stream_.ReadSmallInt());
      a.y = Scaled(stream_.ReadSmallInt());
      break;
    case TEventKind::RectClear:
    case TEventKind::RectFill:
      a.layer = stream_.ReadByte();
      a.x = Scaled(stream_.ReadSmallInt());
      a.y = Scaled(stream_.ReadSmallInt());
      a.w = Scaled(stream_.ReadSmallInt());
      a.h = Scaled(stream_.ReadSmallInt());
      if (code == static_cast<std::uint16_t>(TEventKind::RectFill)) a.colour = ReadColour();
      break;
    case TEventKind::PolygonClear:
    case TEventKind::PolygonFill: {
      a.layer = stream_.ReadByte();
      if (code == static_cast<std::uint16_t>(TEventKind::PolygonFill)) a.colour = ReadColour();
      const std::uint16_t n = stream_.ReadWord();
      a.points.resize(n);
      for (TPointI& p : a.points) {
        p.x = Scaled(stream_.ReadSmallInt());
        p.y = Scaled(stream_.ReadSmallInt());
      }
      break;
    }
    case TEventKind::StraightLine: {
      a.params = ReadParams();
      a.brushKind = stream_.ReadWord();
      a.x = Scaled(stream_.ReadSmallInt());
      a.y = Scaled(stream_.ReadSmallInt());
      a.w = Scaled(stream_.ReadSmallInt());
      a.h = Scaled(stream_.ReadSmallInt());
      break;
    }
    case TEventKind::PaperNew:
    case TEventKind::PaperNewAlt:
    case TEventKind::PaperResolution:
    case TEventKind::PaperResize:
      a.w = Scaled(stream_.ReadWord());
      a.h = Scaled(stream_.ReadWord());
      if (code == static_cast<std::uint16_t>(TEventKind::PaperResize)) a.value = stream_.ReadByte();
      break;
    case TEventKind::PaperColour:
      a.colour = ReadColour();
      break;
    default: {
      // Layer-only kinds carry one byte; bare kinds nothing.
      if (ShapeOf(code).fixedSize == 3) a.layer = stream_.ReadByte();
      break;
    }
  }
  return a;
}

// ---- Brush state -----------------------------------------------------------------------

TStrokeParams TEventPacket::ParamsOf(const TStroke& brush) {
  TStrokeParams p;
  p.layer = static_cast<std::uint8_t>(brush.Layer());
  p.colour = brush.Colour() & 0xFFFFFFu;
  p.ifSIZE = brush.ifSIZE();
  p.ifTRANSPARENCY = brush.ifTRANSPARENCY();
  p.ifEDGE = brush.ifEDGE();
  p.MIN = brush.MIN();
  p.WIDTH = brush.WIDTH();
  p.GAMMA = brush.GAMMA();
  p.EFFECT = brush.EFFECT();
  p.ENV = brush.ENV();
  p.SPEED = brush.SPEED();
  return p;
}

TStrokeParams TEventPacket::Quantized(const TStrokeParams& params) {
  TStrokeParams q = params;
  q.colour &= 0xFFFFFFu;
  for (float* v : {&q.MIN, &q.WIDTH, &q.GAMMA, &q.EFFECT, &q.ENV, &q.SPEED})
    *v = static_cast<float>(Param(*v)) / 256.0f;
  return q;
}

float TEventPacket::QuantizedPressure(float pressure) {
  return static_cast<float>(Pressure(pressure)) / 1024.0f;
}

void TEventPacket::ApplyParams(const TStrokeParams& p, TStroke& brush) {
  brush.SetLayer(p.layer);
  brush.SetColour(p.colour);
  brush.SetifSIZE(p.ifSIZE);
  brush.SetifTRANSPARENCY(p.ifTRANSPARENCY);
  brush.SetifEDGE(p.ifEDGE);
  brush.SetMIN(p.MIN);
  brush.SetWIDTH(p.WIDTH);
  brush.SetGAMMA(p.GAMMA);
  brush.SetEFFECT(p.EFFECT);
  brush.SetENV(p.ENV);
  brush.SetSPEED(p.SPEED);
}

void TEventPacket::RecordStrokeBegin(const TStroke& brush, std::int32_t x, std::int32_t y, float pressure) {
  RecordStrokeBegin(static_cast<std::uint16_t>(brush.Kind()), ParamsOf(brush), x, y, pressure);
}

// ---- Files -----------------------------------------------------------------------------

bool TEventPacket::ValidateEvents(const std::uint8_t* data, std::size_t size, std::size_t& length,
                                  std::int32_t& count) {
  std::size_t at = 0;
  std::int32_t records = 0;
  while (true) {
    const TRecordSpan r = CheckRecord(data + at, size - at);
    if (r.check != TRecordCheck::Complete) return false;
    if (records == 0 && r.code != static_cast<std::uint16_t>(TEventKind::PaperNew) &&
        r.code != static_cast<std::uint16_t>(TEventKind::PaperNewAlt))
      return false;
    at += r.length;
    ++records;
    if (r.code == static_cast<std::uint16_t>(TEventKind::EndOfEvents)) break;
  }
  length = at;
  count = records;
  return true;
}

bool TEventPacket::LoadEventBytes(const std::uint8_t* data, std::size_t size) {
  std::size_t length = 0;
  std::int32_t count = 0;
  if (!ValidateEvents(data, size, length, count)) return false;
  // Bytes after the end marker are not events: keeping them would put them between the
  // last record and whatever is recorded after the marker is dropped.
  stream_.Clear();
  stream_.WriteBytes(data, static_cast<std::int32_t>(length));
  stream_.RewindRead();
  eventCount_ = count;
  inStroke_ = false;
  points_ = 0;
  return true;
}

bool TEventPacket::LoadEventFile(const std::string& fileName) {
  TMyMemory file(65536);
  if (!file.LoadFromFile(fileName)) return false;
  return LoadEventBytes(file.Memory(), static_cast<std::size_t>(file.Size()));
}

bool TEventPacket::ExportEventBytes(std::vector<std::uint8_t>& out) const {
  out.clear();
  const std::uint8_t* data = stream_.Memory();
  const std::size_t size = static_cast<std::size_t>(stream_.Size());
  std::size_t at = 0;
  while (true) {
    const TRecordSpan r = CheckRecord(data + at, size - at);
    if (r.check != TRecordCheck::Complete) return false;
    at += r.length;
    if (r.code == static_cast<std::uint16_t>(TEventKind::EndOfEvents)) break;
  }
  out.assign(data, data + at);
  return true;
}

bool TEventPacket::ExportEventFile(const std::string& fileName) const {
  std::vector<std::uint8_t> bytes;
  if (!ExportEventBytes(bytes)) return false;
  TMyFile file;
  if (!file.OpenWrite(fileName)) return false;
  const bool written = file.Write(bytes.data(), static_cast<std::int32_t>(bytes.size())) ==
                       static_cast<std::int32_t>(bytes.size());
  file.Close();
  return written && !file.Failed();
}

}  // namespace vt
