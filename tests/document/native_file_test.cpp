#include "document/native_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

#include "document/draw_document.h"
#include "tests/support/fake_file_store.h"
#include "tests/support/sample_drawing.h"

namespace vt {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t A = 0x112233, B = 0x445566, C = 0x778899;

void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t GetU32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

struct EncodeCase {
  const char* name;
  std::vector<std::uint32_t> pixels;
  bool fourBytes;
  Bytes expected;
};

TEST(NativeFile, PixelCodingPacketsAreExact) {
  std::vector<std::uint32_t> distinct121(121), equal121(121, A);
  for (std::uint32_t i = 0; i < 121; ++i) distinct121[i] = i * 2;
  Bytes literal120{255 - 120};
  for (std::uint32_t i = 0; i < 120; ++i)
    literal120.insert(literal120.end(), {0, 0, static_cast<std::uint8_t>(i * 2)});
  literal120.insert(literal120.end(), {1, 0, 0, 240});
  const EncodeCase cases[] = {
      {"one pixel is a run of one", {A}, false, {1, 0x11, 0x22, 0x33}},
      {"A B C C C is a literal then a run",
       {A, B, C, C, C},
       false,
       {252, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 2, 0x77, 0x88, 0x99}},
      {"A B B C C keeps the repeat's first pixel in each literal",
       {A, B, B, C, C},
       false,
       {253, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 253, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 1, 0x77, 0x88,
        0x99}},
      {"runs stop at 120", equal121, false, {120, 0x11, 0x22, 0x33, 1, 0x11, 0x22, 0x33}},
      {"literals stop at 120", distinct121, false, literal120},
      {"the top byte is ignored in 3-byte pixels", {0xFF000000u | A, A}, false, {2, 0x11, 0x22, 0x33}},
      {"mode 3 pixels are 4 bytes and compare all 32 bits",
       {0xFF000000u | A, A},
       true,
       {253, 0xFF, 0x11, 0x22, 0x33, 0x00, 0x11, 0x22, 0x33}},
  };
  for (const EncodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes coded = EncodeLayerPixels(c.pixels, c.fourBytes);
    EXPECT_EQ(coded, c.expected);
    std::vector<std::uint32_t> back(c.pixels.size());
    ASSERT_TRUE(DecodeLayerPixels(coded, c.fourBytes, back));
    for (std::size_t i = 0; i < back.size(); ++i) {
      const std::uint32_t m = c.fourBytes ? 0xFFFFFFFFu : 0xFFFFFFu;
      EXPECT_EQ(back[i] & m, c.pixels[i] & m);
    }
  }
}

TEST(NativeFile, AllWhite640x480IsRunsOf120Only) {
  const std::vector<std::uint32_t> white(640 * 480, 0xFFFFFF);
  const Bytes coded = EncodeLayerPixels(white, false);
  ASSERT_EQ(coded.size(), 10240u);
  for (std::size_t i = 0; i < coded.size(); i += 4) {
    ASSERT_EQ(coded[i], 120);
    ASSERT_EQ(coded[i + 1] & coded[i + 2] & coded[i + 3], 0xFF);
  }
}

TEST(NativeFile, RandomPixelsSurviveCodingWithinTheWorstCaseSize) {
  std::mt19937 rng(7);
  for (bool fourBytes : {false, true}) {
    std::vector<std::uint32_t> px(5000);
    // Few colours, so runs, literals and runs of one all occur.
    for (std::uint32_t& p : px) p = (rng() % 3) * 0x01010101u;
    const Bytes coded = EncodeLayerPixels(px, fourBytes);
    EXPECT_LE(coded.size(), MaxEncodedSize(px.size(), fourBytes));
    std::vector<std::uint32_t> back(px.size());
    ASSERT_TRUE(DecodeLayerPixels(coded, fourBytes, back));
    for (std::size_t i = 0; i < px.size(); ++i)
      ASSERT_EQ(back[i] & (fourBytes ? ~0u : 0xFFFFFFu), px[i] & (fourBytes ? ~0u : 0xFFFFFFu)) << i;
  }
}

// Decoding in pieces (the loader goes band by band) gives the whole decode's pixels
// whatever the pieces' lengths, with runs and literals split across them.
TEST(NativeFile, DecodingInPiecesMatchesDecodingWhole) {
  std::mt19937 rng(11);
  for (bool fourBytes : {false, true}) {
    std::vector<std::uint32_t> px(3000);
    for (std::size_t i = 0; i < px.size(); ++i) px[i] = (i / 150) % 2 ? (rng() % 3) * 0x01020304u : 0x00FFFFFFu;
    const Bytes coded = EncodeLayerPixels(px, fourBytes);
    std::vector<std::uint32_t> whole(px.size()), pieces(px.size());
    ASSERT_TRUE(DecodeLayerPixels(coded, fourBytes, whole));
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{64}, std::size_t{119}, std::size_t{1000}}) {
      TLayerPixelDecoder decoder(coded, fourBytes, px.size());
      for (std::size_t at = 0; at < px.size(); at += piece)
        ASSERT_TRUE(decoder.Next(pieces.data() + at, std::min(piece, px.size() - at))) << piece << " at " << at;
      EXPECT_EQ(pieces, whole) << piece;
      // Nothing is left to ask for.
      std::uint32_t extra = 0;
      EXPECT_FALSE(decoder.Next(&extra, 1));
    }
  }
}

TEST(NativeFile, DecodingRefusesShortDataAndPacketsPastTheImage) {
  std::vector<std::uint32_t> px(4);
  const Bytes cases[] = {
      {},                                                      // nothing
      {3, 1, 2, 3},                                            // a run of 3 for 4 pixels, then the end
      {5, 1, 2, 3},                                            // a run past the last pixel
      {255 - 5, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5},  // a literal past it
      {255 - 4, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4},              // a literal cut short
      {4, 1, 2},                                               // a run's pixel cut short
  };
  for (const Bytes& c : cases) {
    EXPECT_FALSE(DecodeLayerPixels(c, false, px));
    // Fed a pixel at a time, the same data fails too, and stays failed.
    TLayerPixelDecoder decoder(c, false, px.size());
    bool ok = true;
    for (std::size_t i = 0; i < px.size() && ok; ++i) ok = decoder.Next(&px[i], 1);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(decoder.Next(px.data(), 0));
  }
  // Zero-length packets and bytes after the last pixel are harmless.
  EXPECT_TRUE(DecodeLayerPixels(Bytes{0, 9, 9, 9, 255, 4, 1, 2, 3, 77, 77}, false, px));
  EXPECT_EQ(px[3] & 0xFFFFFFu, 0x010203u);
}

// ---- Whole files -------------------------------------------------------------------------

Bytes SaveSample(TDrawDocument& doc, std::int32_t w = 96, std::int32_t h = 72) {
  test::RecordSampleDrawing(doc, w, h);
  Bytes out;
  EXPECT_TRUE(EncodeNative(doc.Paper, doc.StrokeStreams[0], out));
  return out;
}

void ExpectSameLayers(const TPaper& a, const TPaper& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  const TLayerMng& ma = *a.LayerManager;
  const TLayerMng& mb = *b.LayerManager;
  ASSERT_EQ(ma.TopIndex, mb.TopIndex);
  EXPECT_EQ(ma.ActiveIndex, mb.ActiveIndex);
  EXPECT_EQ(ma.BackColor, mb.BackColor);
  for (std::int32_t i = 0; i <= ma.TopIndex; ++i) {
    SCOPED_TRACE(i);
    const TLayer& la = ma.LayerAt(i);
    const TLayer& lb = mb.LayerAt(i);
    EXPECT_EQ(la.Mode, lb.Mode);
    EXPECT_EQ(la.Opacity, lb.Opacity);
    EXPECT_EQ(la.Visible, lb.Visible);
    const std::uint32_t m = la.Mode == 3 ? 0xFFFFFFFFu : 0xFFFFFFu;
    for (std::int32_t y = 0; y < a.Height(); ++y)
      for (std::int32_t x = 0; x < a.Width(); ++x)
        ASSERT_EQ(la.Block().PixelAt(x, y) & m, lb.Block().PixelAt(x, y) & m) << x << "," << y;
  }
}

TEST(NativeFile, SaveAndLoadKeepLayersHistoryAndHeader) {
  TDrawDocument doc;
  const Bytes bytes = SaveSample(doc);
  const TMyMemory& history = doc.StrokeStreams[0].Stream();

  EXPECT_EQ(std::memcmp(bytes.data(), "WPB2", 4), 0);
  EXPECT_EQ(GetU32(bytes, 8), 96u);
  EXPECT_EQ(GetU32(bytes, 12), 72u);
  EXPECT_EQ(GetU32(bytes, 16), 0xF0E8D0u);
  EXPECT_EQ(bytes[20], 4);  // five layers
  EXPECT_EQ(bytes[21], 1);
  EXPECT_EQ(bytes[22], 0);
  EXPECT_EQ(GetU32(bytes, 24), static_cast<std::uint32_t>(history.Size()) + 2);
  EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
  EXPECT_EQ(bytes[bytes.size() - 1], 0xFF);
  EXPECT_EQ(std::memcmp(bytes.data() + bytes.size() - 2 - history.Size(), history.Memory(),
                        static_cast<std::size_t>(history.Size())),
            0);

  TDrawDocument loaded;
  ASSERT_EQ(DecodeNative(bytes, loaded.Paper, loaded.StrokeStreams[0], "/pictures/a.wpb"), TLoadOutcome::Ok);
  ExpectSameLayers(doc.Paper, loaded.Paper);
  EXPECT_EQ(loaded.Paper.FileName, "/pictures/a.wpb");
  EXPECT_FALSE(loaded.Paper.ExportBlocked);
  for (std::int32_t i = 0; i <= loaded.Paper.LayerManager->TopIndex; ++i)
    EXPECT_EQ(loaded.Paper.LayerManager->LayerAt(i).UndoCount, 0);
  // The history continues: the saved events, no end marker, then UndoClearAll.
  const TMyMemory& got = loaded.StrokeStreams[0].Stream();
  ASSERT_EQ(got.Size(), history.Size() + 2);
  EXPECT_EQ(std::memcmp(got.Memory(), history.Memory(), static_cast<std::size_t>(history.Size())), 0);
  EXPECT_EQ(got.Memory()[history.Size()], 0x06);
  EXPECT_EQ(got.Memory()[history.Size() + 1], 0x02);

  // Tiles and thumbnails are what the layer itself would make of those pixels.
  for (std::int32_t i = 0; i <= loaded.Paper.LayerManager->TopIndex; ++i) {
    TLayer& layer = loaded.Paper.LayerManager->LayerAt(i);
    const std::int64_t bytesBefore = layer.Block().MemoryBytes();
    std::vector<std::uint32_t> thumb;
    for (std::int32_t y = 0; y < layer.Thumbnail.Height; ++y)
      for (std::int32_t x = 0; x < layer.Thumbnail.Width; ++x) thumb.push_back(layer.Thumbnail.PixelAt(x, y));
    layer.Block().Compact();
    layer.UpdateThumbnail();
    EXPECT_EQ(layer.Block().MemoryBytes(), bytesBefore);
    std::size_t k = 0;
    for (std::int32_t y = 0; y < layer.Thumbnail.Height; ++y)
      for (std::int32_t x = 0; x < layer.Thumbnail.Width; ++x)
        ASSERT_EQ(layer.Thumbnail.PixelAt(x, y), thumb[k++]);
  }

  // The composite of the loaded paper is the saved one.
  loaded.Paper.RecompositeAll();
  EXPECT_EQ(test::Pixels(loaded.Paper.Composite), test::Pixels(doc.Paper.Composite));
}

TEST(NativeFile, TwoSavesGiveTheSameBytesAndRecordingContinuesAfterTheLastEvent) {
  TDrawDocument doc;
  const Bytes first = SaveSample(doc);
  const std::int32_t size = doc.StrokeStreams[0].Stream().Size();
  Bytes second;
  ASSERT_TRUE(EncodeNative(doc.Paper, doc.StrokeStreams[0], second));
  EXPECT_EQ(first, second);
  EXPECT_EQ(doc.StrokeStreams[0].Stream().Size(), size);
}

TEST(NativeFile, ExportBlockedAndTheOlderMagicRoundTrip) {
  TDrawDocument doc;
  Bytes bytes = SaveSample(doc);
  doc.Paper.SetExportBlocked(true);
  Bytes blocked;
  ASSERT_TRUE(EncodeNative(doc.Paper, doc.StrokeStreams[0], blocked));
  EXPECT_EQ(blocked[22], 1);
  bytes[22] = 1;
  EXPECT_EQ(bytes, blocked);

  bytes[3] = ' ';
  TDrawDocument loaded;
  ASSERT_EQ(DecodeNative(bytes, loaded.Paper, loaded.StrokeStreams[0], "x"), TLoadOutcome::Ok);
  EXPECT_TRUE(loaded.Paper.ExportBlocked);
  ExpectSameLayers(doc.Paper, loaded.Paper);
}

TEST(NativeFile, SavingIsRefusedInsideAStroke) {
  TDrawDocument doc;
  SaveSample(doc);
  TStroke b;
  doc.StrokeStreams[0].RecordStrokeBegin(b, 3, 3, 0.5f);
  Bytes out;
  EXPECT_FALSE(EncodeNative(doc.Paper, doc.StrokeStreams[0], out));
  TFakeFileStore store;
  EXPECT_FALSE(SaveToFile(store, "a.wpb", doc.Paper, doc.StrokeStreams[0]));
  EXPECT_EQ(store.writes, 0);
}

// A damaged file leaves the document exactly as it was.
TEST(NativeFile, MalformedFilesAreUnknownFormatAndChangeNothing) {
  TDrawDocument doc;
  const Bytes good = SaveSample(doc, 40, 30);
  const std::size_t layer0 = kNativeHeaderSize;
  const std::uint32_t l0 = GetU32(good, layer0 + 8);
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
  };
  const Case cases[] = {
      {"wrong magic", [](Bytes& b) { b[3] = '3'; }},
      {"shorter than a header", [](Bytes& b) { b.resize(31); }},
      {"word 4 not zero", [](Bytes& b) { b[4] = 1; }},
      {"width 0", [](Bytes& b) { PutU32(b, 8, 0); }},
      {"width 5001", [](Bytes& b) { PutU32(b, 8, 5001); }},
      {"negative height", [](Bytes& b) { PutU32(b, 12, 0xFFFFFFFFu); }},
      {"25 layers", [](Bytes& b) { b[20] = 24; }},
      {"more layers than the file holds", [](Bytes& b) { b[20] = 5; }},
      {"mode 4", [=](Bytes& b) { b[layer0] = 4; }},
      {"L beyond the file", [=](Bytes& b) { PutU32(b, layer0 + 8, 0x7FFFFFFF); }},
      {"L too short for the paper",
       [=](Bytes& b) {
         b.erase(b.begin() + static_cast<std::ptrdiff_t>(layer0 + 12 + 8),
                 b.begin() + static_cast<std::ptrdiff_t>(layer0 + 12 + l0));
         PutU32(b, layer0 + 8, 8);
       }},
      {"a packet past width x height",
       [=](Bytes& b) {
         // Turn the first layer's packets into runs of 124: far more pixels than 40 x 30.
         for (std::uint32_t i = 0; i + 4 <= l0; i += 4) b[layer0 + 12 + i] = 124;
       }},
      {"cut inside the layers", [=](Bytes& b) { b.resize(layer0 + 12 + l0 / 2); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bad = good;
    c.damage(bad);
    TDrawDocument target;
    test::RecordSampleDrawing(target, 20, 10, 2);
    const Bytes before = [&] {
      Bytes b;
      EncodeNative(target.Paper, target.StrokeStreams[0], b);
      return b;
    }();
    EXPECT_EQ(DecodeNative(bad, target.Paper, target.StrokeStreams[0], "bad"), TLoadOutcome::UnknownFormat);
    Bytes after;
    EncodeNative(target.Paper, target.StrokeStreams[0], after);
    EXPECT_EQ(before, after);
    EXPECT_EQ(target.Paper.FileName, "NONAME");
  }
}

TEST(NativeFile, ABrokenHistoryKeepsThePictureAndBlocksExport) {
  TDrawDocument doc;
  const Bytes good = SaveSample(doc, 40, 30);
  const std::size_t historyAt = good.size() - GetU32(good, 24);
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
  };
  const Case cases[] = {
      {"length beyond the file", [](Bytes& b) { PutU32(b, 24, GetU32(b, 24) + 1); }},
      {"length near 4 GB", [](Bytes& b) { PutU32(b, 24, 0xFFFFFFF0u); }},
      {"cut mid-stroke",
       [=](Bytes& b) {
         b.resize(historyAt + 40);
         PutU32(b, 24, 40);
       }},
      {"no end marker",
       [](Bytes& b) {
         b.resize(b.size() - 2);
         PutU32(b, 24, GetU32(b, 24) - 2);
       }},
      {"first record not a new paper", [=](Bytes& b) { b[historyAt] = 0x01; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bad = good;
    c.damage(bad);
    TDrawDocument loaded;
    EXPECT_EQ(DecodeNative(bad, loaded.Paper, loaded.StrokeStreams[0], "b"), TLoadOutcome::BrokenHistory);
    ExpectSameLayers(doc.Paper, loaded.Paper);
    EXPECT_TRUE(loaded.Paper.ExportBlocked);
    EXPECT_EQ(loaded.StrokeStreams[0].Stream().Size(), 0);
  }
}

TEST(NativeFile, AnEmptyHistoryIsStoredAsNoneAndBlocksExportOnLoad) {
  TDrawDocument doc;
  SaveSample(doc, 20, 20);
  doc.StrokeStreams[0].ResetPacket();
  Bytes bytes;
  ASSERT_TRUE(EncodeNative(doc.Paper, doc.StrokeStreams[0], bytes));
  EXPECT_EQ(GetU32(bytes, 24), 0u);
  TDrawDocument loaded;
  EXPECT_EQ(DecodeNative(bytes, loaded.Paper, loaded.StrokeStreams[0], "e"), TLoadOutcome::Ok);
  EXPECT_TRUE(loaded.Paper.ExportBlocked);
}

TEST(NativeFile, AFailedWriteReportsFailureAndKeepsTheOldFile) {
  TDrawDocument doc;
  SaveSample(doc, 30, 20);
  TFakeFileStore store;
  store.files["p.wpb"] = {1, 2, 3};
  store.failWrites = true;
  EXPECT_FALSE(SaveToFile(store, "p.wpb", doc.Paper, doc.StrokeStreams[0]));
  EXPECT_EQ(store.files["p.wpb"], (Bytes{1, 2, 3}));

  store.failWrites = false;
  ASSERT_TRUE(SaveToFile(store, "p.wpb", doc.Paper, doc.StrokeStreams[0]));
  TDrawDocument loaded;
  EXPECT_EQ(LoadFromFile(store, "p.wpb", loaded.Paper, loaded.StrokeStreams[0]), TLoadOutcome::Ok);
  EXPECT_EQ(LoadFromFile(store, "missing.wpb", loaded.Paper, loaded.StrokeStreams[0]),
            TLoadOutcome::NotFound);
}

}  // namespace
}  // namespace vt
