#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "brush/event_packet.h"
#include "brush/stroke.h"
#include "document/display.h"
#include "document/paint_sink.h"
#include "layers/layer_mng.h"
#include "layers/select_mng.h"
#include "raster/px.h"

namespace vt {

// What one step of ApplyEvent did.
struct TApplyResult {
  bool continues = true;      // false: the stream ended (terminator or unknown kind)
  std::uint16_t kind = 0;     // the kind word read, when one was read
  bool kindRead = false;
  bool needsRefresh = false;  // the caller should recomposite and repaint everything
};

// The document: layers, selection, view state and the images the window shows. Every
// change of picture content arrives as live strokes from the local user or as events
// from a stream; after each change the paper recomposites the affected rectangle,
// refreshes its preview and paints through its sink.
class TPaper {
 public:
  // The program's limit for either side of a paper. Sizes arriving in events (also after
  // a replay scale) are clamped to 1..MaxSide, so no stream can build a paper the tiled
  // storage cannot hold.
  static constexpr std::int32_t MaxSide = 5000;

  TPaper();
  TPaper(const TPaper&) = delete;
  TPaper& operator=(const TPaper&) = delete;

  void Init(const std::string& name, std::int32_t width, std::int32_t height);
  void ResizeBuffers(std::int32_t width, std::int32_t height);
  std::int32_t Width() const { return Composite.Width; }
  std::int32_t Height() const { return Composite.Height; }

  // Live strokes; coordinates are paper pixels, pressure 0..1. A stroke whose target
  // layer is not in the stack is ignored.
  void BeginStroke(TStroke& stroke, float pressure, float x, float y);
  void StrokeTo(TStroke& stroke, float pressure, float x, float y);
  // Commits the stroke into its layer (after saving the rectangle for undo) and returns
  // the changed rectangle.
  TIntRect EndStroke(TStroke& stroke);
  void DrawLine(TStroke& stroke, float x0, float y0, float x1, float y1);

  // One step of an event stream: one stroke point, or one whole record once all of its
  // bytes have arrived.
  TApplyResult ApplyEvent(TEventPacket& stream, TStroke& stroke);

  // Local changes other than strokes: the record is appended to the recorder, then
  // performed by the same call a replay of it makes.
  void Command(TEventPacket& recorder, TStroke& stroke, TEventKind kind, const TEventArgs& args);
  // A paper-wide command (the Visible* filters, quarter turns, resize, resolution): as
  // Command, then UndoClearAll is recorded and the undo rings dropped, since they no
  // longer match the pixels.
  void PaperCommand(TEventPacket& recorder, TStroke& stroke, TEventKind kind, const TEventArgs& args);
  // Undo on a layer; nothing while the recorder is inside a stroke. An empty ring is still
  // recorded and replays as nothing.
  void UndoCommand(TEventPacket& recorder, TStroke& stroke, std::int32_t layer);

  void RecompositeAll();
  void RecompositeRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  // The whole picture with one layer shown displaced (the move tool's drag).
  void RecompositeShifted(std::int32_t layer, std::int32_t dx, std::int32_t dy);
  // Refreshes the stroke's working copy over the rectangle (bounds, right and bottom
  // exclusive) and recomposites it with the working copy in place of its layer.
  void RecompositeStroke(TStroke& stroke, std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom);
  void UpdatePreview();
  void UpdatePreviewRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);

  // Anchors 0..8: top-left, top, top-right, left, centre, right, bottom-left, bottom,
  // bottom-right; other values are top-left.
  void ResizeCanvas(std::int32_t width, std::int32_t height, std::int32_t anchor);
  void ScaleImage(std::int32_t width, std::int32_t height);
  void Rotate90(bool clockwise);

  std::int64_t MemoryUsage() const;
  std::string CaptionText() const;
  void SetExportBlocked(bool blocked) { ExportBlocked = blocked; }

  // While deferred (headless replay, nothing shown), strokes and events keep layers and
  // working copies exact but skip the display composite; RecompositeAll catches up.
  void SetDeferDisplay(bool defer);
  void SetPaintSink(TPaintSink* sink) { sink_ = sink; }

  std::string FileName;
  bool ExportBlocked = false;
  std::uint8_t NetMode = 0;
  bool Ready = false;
  std::int32_t ParticipantIndex = 0;
  std::int32_t ParticipantCount = 0;
  TPXDC Composite;
  TPXDC ViewBuffer;
  TPXDC PreviewImage;
  std::unique_ptr<TLayerMng> LayerManager;
  std::unique_ptr<TSelectMng> Selection;
  TDisplay Display;

 private:
  bool ValidLayer(std::int32_t index) const { return LayerManager && LayerManager->InRange(index); }
  // Performs one non-stroke record; returns whether it painted its own rectangle.
  bool Perform(std::uint16_t code, const TEventArgs& args, TStroke& stroke);
  void PaintRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  void PaintWindow();
  void ShowRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  void AfterPaperChange();
  // Rebuilds the working copy of a pen or new-blur stroke from its layer through the mask
  // over the rectangle (clipped to the paper).
  void RebuildWorkingCopy(std::int32_t layer, TBrushKind kind, std::uint32_t colour, std::int32_t x,
                          std::int32_t y, std::int32_t w, std::int32_t h);
  // Performs a rebuild that deferred display put off, over every live mask tile.
  void FlushDeferredRebuild();

  TPaintSink* sink_ = nullptr;
  bool deferDisplay_ = false;
  // While display is deferred offline, a pen or new-blur stroke rebuilds its working
  // copy once, when it ends, rather than after every segment: nothing looks at the copy
  // before then, and the mask only grows, so the result is the same.
  struct TDeferredRebuild {
    bool pending = false;
    std::int32_t layer = 0;
    TBrushKind kind = TBrushKind::Pen;
    std::uint32_t colour = 0;
  } deferredRebuild_;
};

}  // namespace vt
