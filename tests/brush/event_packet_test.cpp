#include "brush/event_packet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace vt {
namespace {

std::vector<std::uint8_t> Bytes(const TEventPacket& p) {
  const TMyMemory& s = p.Stream();
  return {s.Memory(), s.Memory() + s.Size()};
}

TStrokeParams Params() {
  TStrokeParams p;
  p.layer = 2;
  p.colour = 0x123456;
  p.ifSIZE = true;
  p.ifEDGE = true;
  p.MIN = 75;
  p.WIDTH = 12.7f;
  p.GAMMA = 1;
  p.EFFECT = 65;
  p.ENV = 40;
  p.SPEED = 30;
  return p;
}

TEST(EventPacket, StrokeRecordLayout) {
  TEventPacket p;
  p.RecordStrokeBegin(1, Params(), 10, -3, 1.0f);
  p.RecordStrokePoint(11, 4, 0.9999f);
  p.RecordStrokePoint(12, 5, 0.5f);
  p.RecordStrokePoint(13, 6, 0.0f);
  p.RecordStrokeEnd();
  const std::vector<std::uint8_t> b = Bytes(p);
  ASSERT_EQ(b.size(), 45u);
  EXPECT_EQ(b[0] | b[1] << 8, 1);
  EXPECT_EQ(b[2], 2);  // layer
  EXPECT_EQ(b[3], 0x12);
  EXPECT_EQ(b[4], 0x34);
  EXPECT_EQ(b[5], 0x56);
  EXPECT_EQ(b[6], 1 | 4);
  EXPECT_EQ(b[9] | b[10] << 8, 3251);  // WIDTH 12.7 * 256, truncated
  EXPECT_EQ(static_cast<std::int16_t>(b[21] | b[22] << 8), -3);
  EXPECT_EQ(b[23] | b[24] << 8, 1024);  // pressure 1.0
  EXPECT_EQ(b[25] | b[26] << 8, 3);     // N
  EXPECT_EQ(b[31] | b[32] << 8, 1023);  // pressure 0.9999
  EXPECT_EQ(p.EventCount(), 1);
  EXPECT_FALSE(p.InStroke());
}

TEST(EventPacket, ReadingScalesCoordinatesAndWidthOnly) {
  TEventPacket p;
  p.RecordStrokeBegin(0, Params(), -3, 7, 0.5f);
  p.RecordStrokePoint(100, 200, 0.25f);
  p.RecordStrokeEnd();
  p.SetScale(2.0f);
  ASSERT_TRUE(p.RecordComplete());
  EXPECT_EQ(p.ReadCode(), 0);
  TStrokeParams params;
  TEventPoint first;
  p.ReadStrokeBegin(params, first);
  EXPECT_EQ(first.x, -6);
  EXPECT_EQ(first.y, 14);
  EXPECT_FLOAT_EQ(first.pressure, 0.5f);
  EXPECT_FLOAT_EQ(params.WIDTH, 25.3984375f);
  EXPECT_FLOAT_EQ(params.MIN, 75.0f);
  EXPECT_EQ(params.colour, 0x123456u);
  EXPECT_TRUE(p.InStroke());
  bool last = false;
  const TEventPoint q = p.ReadStrokePoint(last);
  EXPECT_TRUE(last);
  EXPECT_FALSE(p.InStroke());
  EXPECT_EQ(q.x, 200);
  EXPECT_EQ(q.y, 400);
  EXPECT_FLOAT_EQ(q.pressure, 0.25f);
}

TEST(EventPacket, AStrokeWithoutFurtherPointsEndsAtItsFirst) {
  TEventPacket p;
  p.RecordStrokeBegin(0, Params(), 5, 5, 0.3f);
  p.RecordStrokeEnd();
  EXPECT_EQ(p.Stream().Size(), 27);
  p.ReadCode();
  TStrokeParams params;
  TEventPoint first;
  p.ReadStrokeBegin(params, first);
  EXPECT_FALSE(p.InStroke());
  EXPECT_EQ(p.Stream().Remaining(), 0);
}

TEST(EventPacket, EveryKindRoundTrips) {
  TEventPacket w;
  const std::vector<TPointI> poly{{1, 2}, {-3, 4}, {500, -600}};
  w.RecordPaperNew(640, 480);
  w.RecordLayerNew(2);
  w.RecordLayerMove(3, 1);
  w.RecordLayerVisible(4, true);
  w.RecordLayerOpacity(5, 200);
  w.RecordLayerType(6, 3);
  w.RecordSelectionFill(7, 0xABCDEF);
  w.RecordLayerOffset(8, -10, 20);
  w.RecordRectClear(9, 1, 2, 3, 4);
  w.RecordRectFill(10, -1, -2, 30, 40, 0x010203);
  w.RecordPolygonClear(11, poly);
  w.RecordPolygonFill(12, 0xFF00FF, poly);
  w.RecordStraightLine(Params(), 9, 1, 2, 3, 4);
  w.RecordPaperColour(0x808080);
  w.RecordPaperResize(800, 600, 4);
  w.RecordPaperResolution(320, 240);
  w.RecordLayerOp(TEventKind::LayerUndo, 13);
  w.RecordBare(TEventKind::VisibleNegative);
  w.WriteEnd();
  EXPECT_EQ(w.EventCount(), 18);

  TEventPacket r;
  ASSERT_TRUE(r.LoadEventBytes(w.Stream().Memory(), static_cast<std::size_t>(w.Stream().Size())));
  EXPECT_EQ(r.EventCount(), 19);
  std::vector<TEventArgs> args;
  std::vector<std::uint16_t> codes;
  while (r.RecordComplete()) {
    codes.push_back(r.ReadCode());
    args.push_back(r.ReadArgs(codes.back()));
  }
  ASSERT_EQ(codes.size(), 19u);
  EXPECT_EQ(codes.back(), 0xFFFF);
  EXPECT_EQ(args[0].w, 640);
  EXPECT_EQ(args[0].h, 480);
  EXPECT_EQ(args[1].layer, 2);
  EXPECT_EQ(args[2].layer, 3);
  EXPECT_EQ(args[2].value, 1);
  EXPECT_EQ(args[3].value, 1);
  EXPECT_EQ(args[4].value, 200);
  EXPECT_EQ(args[5].value, 3);
  EXPECT_EQ(args[6].colour, 0xABCDEFu);
  EXPECT_EQ(args[7].x, -10);
  EXPECT_EQ(args[7].y, 20);
  EXPECT_EQ(args[8].w, 3);
  EXPECT_EQ(args[9].colour, 0x010203u);
  EXPECT_EQ(args[9].x, -1);
  EXPECT_EQ(args[10].points, poly);
  EXPECT_EQ(args[11].points, poly);
  EXPECT_EQ(args[11].colour, 0xFF00FFu);
  EXPECT_EQ(args[12].brushKind, 0);  // kinds outside 0..4 are recorded as the pen
  EXPECT_EQ(args[12].params.layer, 2);
  EXPECT_EQ(args[12].w, 3);
  EXPECT_EQ(args[13].colour, 0x808080u);
  EXPECT_EQ(args[14].value, 4);
  EXPECT_EQ(args[15].w, 320);
  EXPECT_EQ(args[16].layer, 13);
}

TEST(EventPacket, ARecordIsCompleteOnlyWhenWhole) {
  TEventPacket whole;
  whole.RecordRectFill(1, 2, 3, 4, 5, 0x112233);
  const std::vector<std::uint8_t> b = Bytes(whole);
  ASSERT_EQ(b.size(), 14u);
  TEventPacket net;
  net.Stream().WriteBytes(b.data(), 9);
  EXPECT_EQ(net.PeekRecord().check, TRecordCheck::Incomplete);
  net.Stream().WriteBytes(b.data() + 9, 5);
  EXPECT_TRUE(net.RecordComplete());

  TEventPacket stroke;
  stroke.RecordStrokeBegin(0, Params(), 1, 1, 1);
  stroke.RecordStrokePoint(2, 2, 1);
  stroke.RecordStrokeEnd();
  const std::vector<std::uint8_t> s = Bytes(stroke);
  for (std::size_t cut = 0; cut < s.size(); ++cut)
    EXPECT_NE(CheckRecord(s.data(), cut).check, TRecordCheck::Complete) << cut;

  TEventPacket paper;
  paper.RecordPaperNew(10, 10);
  EXPECT_TRUE(paper.RecordComplete());
  EXPECT_EQ(paper.PeekRecord().length, 6u);
}

TEST(EventPacket, LoadingRefusesBadFilesAndKeepsTheStream) {
  TEventPacket good;
  good.RecordPaperNew(10, 10);
  good.RecordLayerNew(0);
  good.WriteEnd();
  const std::vector<std::uint8_t> valid = Bytes(good);

  TEventPacket strokeFirst;
  strokeFirst.RecordStrokeBegin(0, Params(), 1, 1, 1);
  for (int i = 0; i < 3; ++i) strokeFirst.RecordStrokePoint(i, i, 1);
  strokeFirst.RecordStrokeEnd();
  strokeFirst.WriteEnd();

  TEventPacket noEnd;
  noEnd.RecordPaperNew(10, 10);

  std::vector<std::uint8_t> unknown = valid;
  unknown[6] = 0x99;  // LayerNew's code becomes 0x0199

  std::vector<std::uint8_t> cutMidStroke = valid;
  cutMidStroke.resize(6);
  const std::vector<std::uint8_t> s = Bytes(strokeFirst);
  ASSERT_EQ(s.size(), 47u);
  cutMidStroke.insert(cutMidStroke.end(), s.begin(), s.begin() + 30);
  cutMidStroke.push_back(0xFF);
  cutMidStroke.push_back(0xFF);

  TEventPacket target;
  target.RecordPaperNew(1, 1);
  const std::vector<std::uint8_t> before = Bytes(target);
  for (const auto& bad :
       {Bytes(strokeFirst), Bytes(noEnd), unknown, cutMidStroke, std::vector<std::uint8_t>{}}) {
    EXPECT_FALSE(target.LoadEventBytes(bad.data(), bad.size()));
    EXPECT_EQ(Bytes(target), before);
  }
  std::vector<std::uint8_t> trailing = valid;
  trailing.push_back(0x42);
  ASSERT_TRUE(target.LoadEventBytes(trailing.data(), trailing.size()));
  EXPECT_EQ(Bytes(target), valid);
  EXPECT_EQ(target.EventCount(), 3);
}

TEST(EventPacket, ExportThenMoreDrawingLeavesNoMarkerBetween) {
  const auto path = std::filesystem::temp_directory_path() / "vt_event_packet_export.wpe";
  TEventPacket p;
  p.RecordPaperNew(8, 8);
  p.WriteEnd();
  ASSERT_TRUE(p.ExportEventFile(path.string()));
  p.DropEnd();
  p.RecordLayerNew(1);
  EXPECT_EQ(std::filesystem::file_size(path), 8u);
  const std::vector<std::uint8_t> b = Bytes(p);
  ASSERT_EQ(b.size(), 9u);
  EXPECT_EQ(b[6] | b[7] << 8, 0x0100);

  TEventPacket back;
  ASSERT_TRUE(back.LoadEventFile(path.string()));
  std::vector<std::uint8_t> again;
  ASSERT_TRUE(back.ExportEventBytes(again));
  EXPECT_EQ(again.size(), 8u);
  std::filesystem::remove(path);

  TEventPacket unterminated;
  unterminated.RecordPaperNew(8, 8);
  EXPECT_FALSE(unterminated.ExportEventBytes(again));
}

TEST(EventPacket, OutOfRangeValuesArePinnedNotWrapped) {
  TEventPacket p;
  p.RecordRectClear(0, -100000, 100000, 70000, -5);
  TStrokeParams params = Params();
  params.MIN = 1000;  // stored unchanged by the brush, but too large for the word
  params.EFFECT = -4;
  p.RecordStraightLine(params, 0, 0, 0, 0, 0);
  p.ReadCode();
  const TEventArgs rect = p.ReadArgs(static_cast<std::uint16_t>(TEventKind::RectClear));
  EXPECT_EQ(rect.x, -32768);
  EXPECT_EQ(rect.y, 32767);
  EXPECT_EQ(rect.w, 32767);
  EXPECT_EQ(rect.h, -5);
  p.ReadCode();
  const TEventArgs line = p.ReadArgs(static_cast<std::uint16_t>(TEventKind::StraightLine));
  EXPECT_FLOAT_EQ(line.params.MIN, 65535.0f / 256.0f);
  EXPECT_FLOAT_EQ(line.params.EFFECT, 0.0f);
}

}  // namespace
}  // namespace vt
