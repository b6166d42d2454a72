#pragma once

#include <cstdint>

#include "document/draw_document.h"
#include "tests/support/drawing.h"

namespace vt::test {

inline void SetSampleBrush(TStroke& b, TBrushKind kind, std::uint32_t colour, float width,
                           std::int32_t layer) {
  b.SetKind(kind);
  b.SetColour(colour);
  b.SetWIDTH(width);
  b.SetLayer(layer);
  b.SetMIN(50);
  b.SetEFFECT(60);
  b.SetENV(40);
  b.SetSPEED(30);
  b.SetifSIZE(true);
  b.SetifTRANSPARENCY(true);
}

// Records a drawing into the document's slot 0 the way a user makes one: a new paper, a
// paper colour, layers of all four modes (one hidden, one half transparent), strokes of
// every brush kind, rectangle and polygon fills and clears, and an undo.
inline void RecordSampleDrawing(TDrawDocument& doc, std::int32_t w, std::int32_t h,
                                std::int32_t strokes = 10) {
  TPaper& paper = doc.Paper;
  TEventPacket& rec = doc.StrokeStreams[0];
  TStroke& brush = doc.StrokeEngines[0];
  TEventArgs a;
  a.w = w;
  a.h = h;
  paper.Command(rec, brush, TEventKind::PaperNew, a);
  a = {};
  a.colour = 0xF0E8D0;
  paper.Command(rec, brush, TEventKind::PaperColour, a);
  for (std::uint8_t mode : {1, 2, 3, 0}) {
    a = {};
    a.layer = mode;
    paper.Command(rec, brush, TEventKind::LayerNew, a);
  }
  a = {};
  a.layer = 2;
  a.value = 128;
  paper.Command(rec, brush, TEventKind::LayerOpacity, a);
  const TBrushKind kinds[] = {TBrushKind::Pen, TBrushKind::Watercolor, TBrushKind::Blur, TBrushKind::Eraser,
                              TBrushKind::NewBlur};
  for (std::int32_t i = 0; i < strokes; ++i) {
    TStroke b;
    const std::int32_t layer = (i * 3) % 5;
    SetSampleBrush(b, kinds[i % 5], 0x3060C0u + static_cast<std::uint32_t>(i) * 0x0B1D07u,
                   2.0f + (i % 6) * 2.0f, layer);
    DrawRecordedStroke(paper, rec, b, Wave(4 + (i * 7) % (w / 2), 8 + (i * 13) % (h - 16), 24, 4));
  }
  a = {};
  a.layer = 1;
  a.x = w / 5;
  a.y = h / 4;
  a.w = w / 3;
  a.h = h / 3;
  a.colour = 0x884422;
  paper.Command(rec, brush, TEventKind::RectFill, a);
  a.layer = 3;
  paper.Command(rec, brush, TEventKind::RectFill, a);
  a.layer = 0;
  a.x += 5;
  paper.Command(rec, brush, TEventKind::RectClear, a);
  a = {};
  a.layer = 4;
  a.colour = 0x202060;
  a.points = {{w / 2, 2}, {w - 3, h / 3}, {w / 2 + 10, h - 4}, {w / 3, h / 2}};
  paper.Command(rec, brush, TEventKind::PolygonFill, a);
  paper.UndoCommand(rec, brush, 0);
  a = {};
  a.layer = 4;
  a.value = 0;
  paper.Command(rec, brush, TEventKind::LayerVisible, a);
  a.value = 1;
  paper.Command(rec, brush, TEventKind::LayerVisible, a);
  a = {};
  a.layer = 2;
  a.value = 0;
  paper.Command(rec, brush, TEventKind::LayerVisible, a);
  a = {};
  a.layer = 1;
  paper.Command(rec, brush, TEventKind::LayerSelect, a);
  paper.RecompositeAll();
}

}  // namespace vt::test
