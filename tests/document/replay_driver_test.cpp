#include "document/replay_driver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "document/event_file.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_file_store.h"
#include "tests/support/sample_drawing.h"

namespace vt {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ExportOf(TDrawDocument& doc) {
  Bytes out;
  EXPECT_TRUE(ExportEventStream(doc.StrokeStreams[0], out));
  return out;
}

Bytes Recorded(TDrawDocument& doc, std::int32_t w = 80, std::int32_t h = 60, std::int32_t strokes = 6) {
  test::RecordSampleDrawing(doc, w, h, strokes);
  return ExportOf(doc);
}

// Every pass of the update loop until the replay ends; returns the passes taken.
std::int32_t PlayToEnd(TReplayDriver& driver, TDrawDocument& doc, TFakeClock& clock) {
  std::int32_t passes = 0;
  while (doc.Playing && passes < 1000000) {
    clock.Advance(1);
    driver.Step(false);
    ++passes;
  }
  return passes;
}

TEST(EventFile, ExportImportExportGivesTheSameBytesAndLeavesTheStreamAsItWas) {
  TDrawDocument live;
  const Bytes file = Recorded(live);
  EXPECT_EQ(file.size(), static_cast<std::size_t>(live.StrokeStreams[0].Stream().Size()) + 2);
  EXPECT_EQ(file[file.size() - 1], 0xFF);

  TDrawDocument doc;
  TFakeClock clock;
  TReplayDriver driver(doc, clock);
  ASSERT_TRUE(driver.Import(file.data(), file.size(), 1.0f));
  PlayToEnd(driver, doc, clock);
  EXPECT_EQ(ExportOf(doc), file);

  // Drawing after the replay follows the replayed events directly.
  TStroke b;
  test::SetSampleBrush(b, TBrushKind::Pen, 0x102030, 4, 0);
  test::DrawRecordedStroke(doc.Paper, doc.StrokeStreams[0], b, test::Wave(5, 5, 6));
  const Bytes more = ExportOf(doc);
  ASSERT_GT(more.size(), file.size());
  EXPECT_TRUE(std::equal(file.begin(), file.end() - 2, more.begin()));
}

TEST(EventFile, ALoneNewPaperExportsAsEightBytes) {
  TEventPacket p;
  p.RecordPaperNew(640, 480);
  Bytes out;
  ASSERT_TRUE(ExportEventStream(p, out));
  EXPECT_EQ(out, (Bytes{0x00, 0x02, 0x80, 0x02, 0xE0, 0x01, 0xFF, 0xFF}));
  EXPECT_EQ(p.Stream().Size(), 6);
}

TEST(EventFile, AnExportStopsBeforeAnUnknownKindAndWritesNothing) {
  TEventPacket p;
  p.RecordPaperNew(10, 10);
  p.RecordLayerOp(TEventKind::LayerSelect, 0);
  p.Stream().WriteWord(0x0999);
  Bytes out;
  EXPECT_FALSE(ExportEventStream(p, out));
  EXPECT_EQ(out.size(), 9u);
  TFakeFileStore store;
  store.files["old.wpe"] = {7};
  EXPECT_FALSE(SaveEventFile(store, "old.wpe", p));
  EXPECT_EQ(store.files["old.wpe"], Bytes{7});

  TEventPacket stroke;
  stroke.RecordPaperNew(10, 10);
  TStroke b;
  stroke.RecordStrokeBegin(b, 1, 1, 0.5f);
  EXPECT_FALSE(ExportEventStream(stroke, out));
  EXPECT_TRUE(out.empty());
}

TEST(ReplayDriver, ReplayPaintsTheRecordedPictureAndEndsWithTheHistory) {
  TDrawDocument live;
  const Bytes file = Recorded(live);
  TDrawDocument doc;
  TFakeClock clock(1000);
  TReplayDriver driver(doc, clock);
  ASSERT_TRUE(driver.Import(file.data(), file.size(), 1.0f));
  EXPECT_TRUE(doc.Playing);
  EXPECT_EQ(doc.Paper.Width(), 80);  // the new-paper event is applied at once
  PlayToEnd(driver, doc, clock);
  EXPECT_FALSE(doc.Playing);
  doc.Paper.RecompositeAll();
  EXPECT_EQ(test::Pixels(doc.Paper.Composite), test::Pixels(live.Paper.Composite));
  EXPECT_EQ(doc.StrokeStreams[0].Stream().Size(), live.StrokeStreams[0].Stream().Size());
  EXPECT_EQ(doc.StrokeStreams[0].Stream().Remaining(), 0);
  EXPECT_EQ(driver.Caption(),
            doc.Paper.CaptionText() + " : <Imported : " + std::to_string(driver.ElapsedMs()) + "[ms]>");
  // Nothing more happens after the end.
  EXPECT_FALSE(driver.Step(false).applied);
}

TEST(ReplayDriver, EventWaitAllowsOneStepPer8Ms) {
  TDrawDocument live;
  const Bytes file = Recorded(live);
  TDrawDocument doc;
  TFakeClock clock(50);
  TReplayDriver driver(doc, clock);
  ASSERT_TRUE(driver.Import(file.data(), file.size(), 1.0f));
  EXPECT_FALSE(driver.Step(true).applied);
  clock.Advance(7);
  EXPECT_FALSE(driver.Step(true).applied);
  clock.Advance(1);
  EXPECT_TRUE(driver.Step(true).applied);
  EXPECT_FALSE(driver.Step(true).applied);
  EXPECT_TRUE(driver.Step(false).applied);
}

TEST(ReplayDriver, CaptionShowsProgressAndElapsedEvery500Ms) {
  TDrawDocument live;
  const Bytes file = Recorded(live);
  TDrawDocument doc;
  TFakeClock clock(0xFFFFFF00u);  // across the clock's wrap
  TReplayDriver driver(doc, clock, TLanguage::Japanese);
  ASSERT_TRUE(driver.Import(file.data(), file.size(), 1.0f));
  clock.Advance(499);
  EXPECT_FALSE(driver.Step(false).captionChanged);
  clock.Advance(1);
  ASSERT_TRUE(driver.Step(false).captionChanged);
  const std::int32_t pct =
      static_cast<std::int32_t>(100.0 * doc.StrokeStreams[0].Stream().ReadPosition() / (file.size()));
  EXPECT_EQ(driver.Caption(), doc.Paper.CaptionText() +
                                  " : <インポートファイル再生中 : " + std::to_string(pct) + "[%] : 500[ms]>");
  clock.Advance(10);
  EXPECT_FALSE(driver.Step(false).captionChanged);
}

TEST(ReplayDriver, StopFinishesTheStrokeThenDropsTheRest) {
  TDrawDocument live;
  const Bytes file = Recorded(live);
  TDrawDocument doc;
  TFakeClock clock;
  TReplayDriver driver(doc, clock);
  ASSERT_TRUE(driver.Import(file.data(), file.size(), 1.0f));
  TEventPacket& s = doc.StrokeStreams[0];
  while (!s.InStroke()) driver.Step(false);
  for (int i = 0; i < 3; ++i) driver.Step(false);
  ASSERT_TRUE(s.InStroke());
  const std::int32_t left = s.Points();
  driver.RequestStop();
  std::int32_t passes = 0;
  while (doc.Playing) {
    driver.Step(false);
    ++passes;
  }
  EXPECT_EQ(passes, left + 1);  // the stroke's points, then the pass that stops
  EXPECT_EQ(s.Stream().Size(), s.Stream().ReadPosition());
  EXPECT_LT(s.Stream().Size(), static_cast<std::int32_t>(file.size()));
  // The cut falls right after the stroke record: the history is a valid prefix.
  EXPECT_TRUE(std::equal(s.Stream().Memory(), s.Stream().Memory() + s.Stream().Size(), file.begin()));
  EXPECT_EQ(driver.Caption(), doc.Paper.CaptionText() + " <Stopped event playing>");
  EXPECT_FALSE(doc.StopRequested);
  Bytes again;
  EXPECT_TRUE(ExportEventStream(s, again));
}

TEST(ReplayDriver, ScaleTwoDoublesThePaperAndEveryCoordinate) {
  TEventPacket p;
  p.RecordPaperNew(40, 30);
  p.RecordRectFill(0, 5, 5, 10, 10, 0x000000);
  p.WriteEnd();
  Bytes file(p.Stream().Memory(), p.Stream().Memory() + p.Stream().Size());
  for (float scale : {1.0f, 2.0f}) {
    TDrawDocument doc;
    ASSERT_TRUE(ReplayHeadless(doc, file.data(), file.size(), scale));
    EXPECT_EQ(doc.Paper.Width(), static_cast<std::int32_t>(40 * scale));
    EXPECT_EQ(doc.Paper.Height(), static_cast<std::int32_t>(30 * scale));
    const std::int32_t inside = static_cast<std::int32_t>(14 * scale),
                       outside = static_cast<std::int32_t>(16 * scale);
    EXPECT_EQ(doc.Paper.Composite.PixelAt(inside, inside) & 0xFFFFFF, 0u);
    EXPECT_EQ(doc.Paper.Composite.PixelAt(outside, outside) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(doc.Paper.Composite.PixelAt(static_cast<std::int32_t>(4 * scale), 10) & 0xFFFFFF, 0xFFFFFFu);
  }
  // A stroke replayed at 2.0 covers the doubled extent.
  TDrawDocument live;
  const Bytes drawing = Recorded(live, 60, 40, 3);
  TDrawDocument twice;
  ASSERT_TRUE(ReplayHeadless(twice, drawing.data(), drawing.size(), 2.0f));
  EXPECT_EQ(twice.Paper.Width(), 120);
}

TEST(ReplayDriver, RefusedFilesLeaveTheDocumentAlone) {
  TDrawDocument live;
  const Bytes file = Recorded(live);
  Bytes layerFirst{0x11, 0x01, 0x00, 0xFF, 0xFF};
  Bytes cutMidStroke(file.begin(), file.begin() + 6 + 2 + 5 + 20);
  for (const Bytes& bad : {layerFirst, cutMidStroke, Bytes{}, Bytes{0x00, 0x02, 0x10}}) {
    TDrawDocument doc;
    TFakeClock clock;
    TReplayDriver driver(doc, clock);
    EXPECT_FALSE(driver.Import(bad.data(), bad.size(), 1.0f));
    EXPECT_FALSE(doc.Playing);
    EXPECT_FALSE(doc.Paper.Ready);
    EXPECT_EQ(doc.StrokeStreams[0].Stream().Size(), 0);
    EXPECT_FALSE(ReplayHeadless(doc, bad.data(), bad.size(), 1.0f));
  }
}

TEST(ReplayDriver, HeadlessReplayMatchesTheSteppedOne) {
  TDrawDocument live;
  const Bytes file = Recorded(live, 90, 70, 12);
  TDrawDocument stepped, headless;
  TFakeClock clock;
  TReplayDriver driver(stepped, clock);
  ASSERT_TRUE(driver.Import(file.data(), file.size(), 1.0f));
  PlayToEnd(driver, stepped, clock);
  stepped.Paper.RecompositeAll();
  ASSERT_TRUE(ReplayHeadless(headless, file.data(), file.size(), 1.0f));
  EXPECT_EQ(test::Pixels(headless.Paper.Composite), test::Pixels(stepped.Paper.Composite));
  // Every layer, hidden ones included, and not only what the composite shows.
  const TLayerMng& a = *headless.Paper.LayerManager;
  const TLayerMng& b = *stepped.Paper.LayerManager;
  ASSERT_EQ(a.TopIndex, b.TopIndex);
  const auto pixelsOf = [](const TLayerMng& m, std::int32_t i) {
    const TBlockImage& block = m.LayerAt(i).Block();
    TPX image(block.Width, block.Height, 0u);
    block.CopyToImage(image, 0, 0, block.Width, block.Height, 0, 0);
    return test::Pixels(image);
  };
  for (std::int32_t i = 0; i <= a.TopIndex; ++i) EXPECT_EQ(pixelsOf(a, i), pixelsOf(b, i)) << "layer " << i;
  EXPECT_EQ(ExportOf(headless), file);
}

// ---- Golden replay -----------------------------------------------------------------------

std::uint64_t Checksum(const TPX& px) {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a over the colour bytes
  for (std::uint32_t v : test::Pixels(px))
    for (int i = 0; i < 3; ++i) h = (h ^ ((v >> (8 * i)) & 0xFF)) * 1099511628211ull;
  return h;
}

// The recorded drawing in tests/data must keep replaying to the same picture. A change
// that alters pixels changes this value on purpose. VT_WRITE_GOLDEN=1 records the file
// again and prints its checksum.
TEST(ReplayDriver, GoldenDrawingReplaysToItsChecksum) {
  const std::string path = std::string(VT_TEST_DATA_DIR) + "/golden_drawing.wpe";
  if (std::getenv("VT_WRITE_GOLDEN")) {
    TDrawDocument live;
    const Bytes file = Recorded(live, 128, 96, 15);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path;
  const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TDrawDocument doc;
  ASSERT_TRUE(ReplayHeadless(doc, file.data(), file.size(), 1.0f));
  if (std::getenv("VT_WRITE_GOLDEN"))
    std::printf("golden checksum %016llx\n", static_cast<unsigned long long>(Checksum(doc.Paper.Composite)));
  EXPECT_EQ(doc.Paper.Width(), 128);
  EXPECT_EQ(Checksum(doc.Paper.Composite), 0xe404ea24c3f20232ull);
}

}  // namespace
}  // namespace vt
