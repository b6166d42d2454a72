#include "document/image_file.h"

#include <gtest/gtest.h>

#include "document/autosave.h"
#include "document/capture.h"
#include "document/native_file.h"
#include "raster/bmp_codec.h"
#include "raster/jpeg_codec.h"
#include "tests/support/fake_file_store.h"
#include "tests/support/sample_drawing.h"

namespace vt {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Colour tells where a pixel was: red from x, green from y.
std::uint32_t At(std::int32_t x, std::int32_t y) {
  return 0xFF000000u | (static_cast<std::uint32_t>(x % 251) << 16) |
         (static_cast<std::uint32_t>(y % 241) << 8) | 7;
}

Bytes Picture(std::int32_t w, std::int32_t h) {
  TPX px;
  px.SetSize(w, h);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) px.Row(y)[x] = At(x, y);
  return EncodeBMP(px);
}

TEST(ImageFile, ExtensionsChooseTheFormat) {
  EXPECT_EQ(ImageFormatOf("/a/b.WpB"), TImageFormat::Native);
  EXPECT_EQ(ImageFormatOf("x.bmp"), TImageFormat::Bmp);
  EXPECT_EQ(ImageFormatOf("x.jpeg"), TImageFormat::Jpeg);
  EXPECT_EQ(ImageFormatOf("x.JPG"), TImageFormat::Jpeg);
  EXPECT_EQ(ImageFormatOf("x.wpe"), TImageFormat::EventFile);
  EXPECT_EQ(ImageFormatOf("x.png"), TImageFormat::Unknown);
  EXPECT_EQ(ImageFormatOf("dir.bmp/file"), TImageFormat::Unknown);
}

TEST(ImageFile, AWidePictureImportsCroppedToTheLargestPaper) {
  const Bytes bmp = Picture(6000, 3000);
  TDrawDocument doc;
  ASSERT_TRUE(ImportImage(doc, bmp, TImageFormat::Bmp, "/p/wide.bmp"));
  const TPaper& paper = doc.Paper;
  EXPECT_EQ(paper.Width(), 5000);
  EXPECT_EQ(paper.Height(), 3000);
  EXPECT_EQ(paper.FileName, "/p/wide.bmp");
  EXPECT_TRUE(paper.ExportBlocked);
  EXPECT_EQ(paper.LayerManager->TopIndex, 0);
  for (auto [x, y] : {std::pair{0, 0}, {4999, 2999}, {2500, 1234}, {4998, 0}})
    EXPECT_EQ(paper.Composite.PixelAt(x, y) & 0xFFFFFF, At(x, y) & 0xFFFFFF) << x << "," << y;
  const TMyMemory& h = doc.StrokeStreams[0].Stream();
  EXPECT_EQ(Bytes(h.Memory(), h.Memory() + h.Size()), (Bytes{0x00, 0x02, 0x88, 0x13, 0xB8, 0x0B}));
}

TEST(ImageFile, JpegImportsAndRefusedPicturesChangeNothing) {
  TPX px;
  px.SetSize(33, 17);
  px.Fill(0xFF336699u);
  Bytes jpeg;
  ASSERT_TRUE(EncodeJPEG(px, 90, jpeg));
  TFakeFileStore store;
  store.files["in.JPG"] = jpeg;
  TDrawDocument doc;
  ASSERT_TRUE(ImportImageFile(store, doc, "in.JPG"));
  EXPECT_EQ(doc.Paper.Width(), 33);

  TDrawDocument other;
  store.files["bad.bmp"] = {'B', 'M', 1, 2, 3};
  store.files["pic.png"] = Picture(4, 4);
  for (const char* name : {"bad.bmp", "pic.png", "missing.bmp"}) {
    EXPECT_FALSE(ImportImageFile(store, other, name)) << name;
    EXPECT_FALSE(other.Paper.Ready);
  }
}

TEST(ImageFile, CompositeExportsAsBmpAndJpeg) {
  TDrawDocument doc;
  test::RecordSampleDrawing(doc, 50, 40);
  TFakeFileStore store;
  ASSERT_TRUE(SaveComposite(store, "out.bmp", doc.Paper, TImageFormat::Bmp, 80));
  TPX back;
  ASSERT_TRUE(LoadBMPFromMemory(back, store.files["out.bmp"].data(), store.files["out.bmp"].size()));
  EXPECT_EQ(test::Pixels(back), test::Pixels(doc.Paper.Composite));
  ASSERT_TRUE(SaveComposite(store, "out.jpg", doc.Paper, TImageFormat::Jpeg, 80));
  ASSERT_TRUE(LoadJPEGFromMemory(back, store.files["out.jpg"].data(), store.files["out.jpg"].size()));
  EXPECT_EQ(back.Width, 50);
  EXPECT_FALSE(SaveComposite(store, "out.png", doc.Paper, TImageFormat::Unknown, 80));
  store.failWrites = true;
  EXPECT_FALSE(SaveComposite(store, "out.bmp", doc.Paper, TImageFormat::Bmp, 80));
}

TEST(Capture, TakesTheSmallestFreeNumberOfTheDay) {
  TFakeFileStore store;
  TDrawDocument doc;
  test::RecordSampleDrawing(doc, 20, 20, 1);
  const TLocalDate date{2024, 3, 7};
  EXPECT_EQ(CaptureFileName(store, "/caps", date), "/caps/2024-3-7-0.bmp");
  EXPECT_EQ(SaveCapture(store, "/caps/", date, doc.Paper), "/caps/2024-3-7-0.bmp");
  EXPECT_EQ(SaveCapture(store, "/caps", date, doc.Paper), "/caps/2024-3-7-1.bmp");
  store.files.erase("/caps/2024-3-7-0.bmp");
  EXPECT_EQ(CaptureFileName(store, "/caps", date), "/caps/2024-3-7-0.bmp");
  EXPECT_EQ(CaptureFileName(store, "/caps", {2024, 12, 25}), "/caps/2024-12-25-0.bmp");
  store.failWrites = true;
  EXPECT_EQ(SaveCapture(store, "/caps", date, doc.Paper), "");
}

TEST(Autosave, RunsOnlyWhenIdleOfflineAndAfterMoreThan50Strokes) {
  struct Case {
    const char* name;
    std::function<void(TDrawDocument&, std::uint32_t& now, bool& key)> change;
    bool due;
  };
  const Case cases[] = {
      {"all conditions met", [](TDrawDocument&, std::uint32_t&, bool&) {}, true},
      {"only 5000 ms idle", [](TDrawDocument&, std::uint32_t& now, bool&) { now = 5000; }, false},
      {"a key held", [](TDrawDocument&, std::uint32_t&, bool& key) { key = true; }, false},
      {"recording a stroke",
       [](TDrawDocument& d, std::uint32_t&, bool&) {
         TStroke b;
         d.StrokeStreams[0].RecordStrokeBegin(b, 1, 1, 1);
       },
       false},
      {"networking", [](TDrawDocument& d, std::uint32_t&, bool&) { d.Paper.NetMode = 1; }, false},
      {"replaying", [](TDrawDocument& d, std::uint32_t&, bool&) { d.Playing = true; }, false},
      {"only 50 strokes", [](TDrawDocument& d, std::uint32_t&, bool&) { d.AutosaveMark = 10; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDrawDocument doc;
    test::RecordSampleDrawing(doc, 30, 20, 2);
    doc.LastActivity = 0xFFFFF000u;  // across the clock's wrap
    doc.StrokeCounter = 60;
    doc.AutosaveMark = 9;
    std::uint32_t now = 5001;
    bool key = false;
    c.change(doc, now, key);
    now += 0xFFFFF000u;
    EXPECT_EQ(AutosaveDue(doc, now, key), c.due);
    TFakeFileStore store;
    EXPECT_EQ(RunAutosave(store, "/prog/$$$tmp.wpb", doc, now, key), c.due);
    EXPECT_EQ(store.files.count("/prog/$$$tmp.wpb"), c.due ? 1u : 0u);
    if (c.due) {
      EXPECT_EQ(doc.AutosaveMark, 60);
      EXPECT_FALSE(AutosaveDue(doc, now, key));
      TDrawDocument back;
      EXPECT_EQ(LoadFromFile(store, "/prog/$$$tmp.wpb", back.Paper, back.StrokeStreams[0]), TLoadOutcome::Ok);
    }
  }
}

}  // namespace
}  // namespace vt
