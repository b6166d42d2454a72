#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "brush/event_kind.h"
#include "brush/my_memory.h"
#include "raster/helpers.h"

namespace vt {

class TStroke;

// The brush state a stroke or straight-line record carries (17 bytes on the wire).
struct TStrokeParams {
  std::uint8_t layer = 0;
  std::uint32_t colour = 0;  // 0x00RRGGBB
  bool ifSIZE = false;
  bool ifTRANSPARENCY = false;
  bool ifEDGE = false;
  float MIN = 0, WIDTH = 0, GAMMA = 0, EFFECT = 0, ENV = 0, SPEED = 0;
};

struct TEventPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  float pressure = 0;
};

// The payload of any record other than a stroke, as read back (coordinates, sizes and
// paper dimensions already scaled). Which fields a kind fills is listed with each writer.
struct TEventArgs {
  std::uint8_t layer = 0;     // also LayerNew's type
  std::uint8_t value = 0;     // layer to (move), visible flag, opacity, type, anchor
  std::uint32_t colour = 0;   // 0x00RRGGBB
  std::int32_t x = 0, y = 0;  // rectangle origin, offset, line start
  std::int32_t w = 0, h = 0;  // rectangle size, paper size, line end (x2, y2)
  std::uint16_t brushKind = 0;
  TStrokeParams params;
  std::vector<TPointI> points;
};

// A stream of drawing events being recorded or read back. Writing appends whole records;
// reading walks forward from the read position and applies a record only once all of
// its bytes are there (a network stream may stop anywhere).
class TEventPacket {
 public:
  static constexpr std::int32_t RecorderCapacity = 256000;

  explicit TEventPacket(std::int32_t capacity = RecorderCapacity);

  TMyMemory& Stream() { return stream_; }
  const TMyMemory& Stream() const { return stream_; }
  float Scale() const { return scale_; }
  // Magnification applied to coordinates and sizes when reading; never when writing.
  void SetScale(float factor) { scale_ = factor; }
  bool InStroke() const { return inStroke_; }
  std::int32_t Points() const { return points_; }
  std::int32_t EventCount() const { return eventCount_; }

  // ---- Writing ----
  void RecordStrokeBegin(std::uint16_t kind, const TStrokeParams& params, std::int32_t x, std::int32_t y,
                         float pressure);
  void RecordStrokeBegin(const TStroke& brush, std::int32_t x, std::int32_t y, float pressure);
  void RecordStrokePoint(std::int32_t x, std::int32_t y, float pressure);
  // Patches the point count into the record's placeholder.
  void RecordStrokeEnd();

  // Kinds whose only payload is a layer: LayerDelete, LayerDuplicate, LayerMergeDown,
  // LayerUndo, LayerSelect, LayerSolo, LayerFlipVertical, LayerFlipHorizontal,
  // LayerRotate180, LayerNegative, SelectionClear, UndoClearLayer.
  void RecordLayerOp(TEventKind kind, std::uint8_t layer);
  // Kinds without payload: LayerCombineVisible, ImageRotateRight, ImageRotateLeft,
  // UndoClearAll, the four Visible* filters, EndOfEvents.
  void RecordBare(TEventKind kind);
  void RecordLayerNew(std::uint8_t type);
  void RecordLayerMove(std::uint8_t from, std::uint8_t to);
  void RecordLayerVisible(std::uint8_t layer, bool visible);
  void RecordLayerOpacity(std::uint8_t layer, std::uint8_t opacity);
  void RecordLayerType(std::uint8_t layer, std::uint8_t type);
  void RecordSelectionFill(std::uint8_t layer, std::uint32_t colour);
  void RecordLayerOffset(std::uint8_t layer, std::int32_t dx, std::int32_t dy);
  void RecordRectClear(std::uint8_t layer, std::int32_t left, std::int32_t top, std::int32_t w,
                       std::int32_t h);
  void RecordRectFill(std::uint8_t layer, std::int32_t left, std::int32_t top, std::int32_t w, std::int32_t h,
                      std::uint32_t colour);
  // At most 65535 vertices are recorded; a longer list is cut.
  void RecordPolygonClear(std::uint8_t layer, std::span<const TPointI> vertices);
  void RecordPolygonFill(std::uint8_t layer, std::uint32_t colour, std::span<const TPointI> vertices);
  // Brush kinds outside 0..4 are recorded as 0.
  void RecordStraightLine(const TStrokeParams& params, std::uint16_t kind, std::int32_t x1, std::int32_t y1,
                          std::int32_t x2, std::int32_t y2);
  void RecordPaperNew(std::int32_t width, std::int32_t height);
  void RecordPaperColour(std::uint32_t colour);
  void RecordPaperResize(std::int32_t width, std::int32_t height, std::uint8_t anchor);
  void RecordPaperResolution(std::int32_t width, std::int32_t height);

  // Writes any non-stroke record from its payload as ReadArgs returns it (unscaled).
  void RecordArgs(std::uint16_t code, const TEventArgs& args);

  void WriteEnd() { RecordBareNoCount(TEventKind::EndOfEvents); }
  void DropEnd() { stream_.SkipWrite(-2); }
  void ResetPacket();

  // ---- Reading ----
  // The record at the read position: complete, still arriving, or of an unknown kind.
  TRecordSpan PeekRecord() const;
  bool RecordComplete() const { return PeekRecord().check == TRecordCheck::Complete; }
  std::uint16_t ReadCode() { return stream_.ReadWord(); }
  // After a stroke code: the brush state and the first point. The points that follow are
  // read with ReadStrokePoint; a record without further points leaves InStroke false.
  void ReadStrokeBegin(TStrokeParams& params, TEventPoint& first);
  // Applies a record's brush state to a brush through its setters (WIDTH is already
  // scaled, so its clamp applies to the scaled value).
  static void ApplyParams(const TStrokeParams& params, TStroke& brush);
  static TStrokeParams ParamsOf(const TStroke& brush);
  // What a record carries: values as a reader at scale 1 gets them back. A live stroke
  // that is recorded must draw with these, so that every replay of it gives its pixels.
  static TStrokeParams Quantized(const TStrokeParams& params);
  static float QuantizedPressure(float pressure);
  TEventPoint ReadStrokePoint(bool& last);
  // The payload of a complete non-stroke record whose code was just read.
  TEventArgs ReadArgs(std::uint16_t code);
  float ReadProgress() const { return stream_.ReadProgress(); }

  // ---- Files ----
  // Walks a whole event stream: it must start with PaperNew or PaperNewAlt and reach
  // EndOfEvents through complete records of known kinds. On success returns the length
  // through the end marker and the number of records.
  static bool ValidateEvents(const std::uint8_t* data, std::size_t size, std::size_t& length,
                             std::int32_t& count);
  // Replaces the stream with the validated events (through the end marker); on failure
  // the stream is untouched.
  bool LoadEventBytes(const std::uint8_t* data, std::size_t size);
  bool LoadEventFile(const std::string& fileName);
  // The stream from its first record through EndOfEvents, record by record; false when a
  // code outside the table or a short record comes first.
  bool ExportEventBytes(std::vector<std::uint8_t>& out) const;
  bool ExportEventFile(const std::string& fileName) const;

 private:
  void Begin(TEventKind kind);
  void RecordBareNoCount(TEventKind kind) { stream_.WriteWord(static_cast<std::uint16_t>(kind)); }
  void WriteParams(const TStrokeParams& p);
  void WriteColour(std::uint32_t colour);
  void WritePolygon(std::span<const TPointI> vertices);
  std::uint32_t ReadColour();
  TStrokeParams ReadParams();
  std::int32_t Scaled(std::int32_t v) const;
  TEventPoint ReadPoint();

  float scale_ = 1.0f;
  TMyMemory stream_;
  bool inStroke_ = false;
  std::int32_t points_ = 0;
  std::int32_t eventCount_ = 0;
};

}  // namespace vt
