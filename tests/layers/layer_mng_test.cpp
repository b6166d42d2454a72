#include "layers/layer_mng.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

std::uint32_t Rgb(std::uint32_t c) { return c & 0xFFFFFFu; }

// Paints a recognisable colour into a layer so that tests can tell layers apart.
void Mark(TLayerMng& m, int index, std::uint32_t colour) { m.FillRect(index, 0, 0, 4, 4, colour); }
std::uint32_t MarkOf(const TLayerMng& m, int index) { return Rgb(m.LayerAt(index).Block().PixelAt(1, 1)); }

TEST(LayerMng, TwentyFourLayersAtMostAndOneAtLeast) {
  TLayerMng m(100, 100);
  m.DeleteLayer(0);
  EXPECT_EQ(m.TopIndex, 0);
  for (int i = 0; i < 30; ++i) m.AddLayer(0);
  EXPECT_EQ(m.TopIndex, 23);
  m.DuplicateLayer(m.ActiveIndex);
  EXPECT_EQ(m.TopIndex, 23);
  EXPECT_FALSE(m.CanAddLayer());
}

TEST(LayerMng, DeletingChoosesTheLayerThatTakesThePlace) {
  TLayerMng m(64, 64);
  m.AddLayer(0);
  m.AddLayer(0);
  for (int i = 0; i < 3; ++i) Mark(m, i, 0x100000u * static_cast<std::uint32_t>(i + 1));
  m.DeleteLayer(2);  // the top: the layer below becomes active
  EXPECT_EQ(m.TopIndex, 1);
  EXPECT_EQ(m.ActiveIndex, 1);
  m.AddLayer(0);
  Mark(m, 2, 0x300000);
  m.DeleteLayer(1);  // a middle layer: the one that moved into its place is active
  EXPECT_EQ(m.TopIndex, 1);
  EXPECT_EQ(m.ActiveIndex, 1);
  EXPECT_EQ(MarkOf(m, 1), 0x300000u);
  EXPECT_EQ(MarkOf(m, 0), 0x100000u);
}

TEST(LayerMng, IndexesOutsideTheStackAreIgnored) {
  TLayerMng m(64, 64);
  for (int bad : {-1, 1, 24, 255, 100000}) {
    m.FillRect(bad, 0, 0, 10, 10, 0);
    m.SetVisible(bad, false);
    m.SetOpacity(bad, 3);
    m.SetMode(bad, 1);
    m.SetActive(bad);
    m.DeleteLayer(bad);
    m.MoveLayer(bad, 0);
    m.DuplicateLayer(bad);
    EXPECT_FALSE(m.MergeDown(bad));
    EXPECT_EQ(m.Undo(bad), TIntRect{});
  }
  EXPECT_EQ(m.TopIndex, 0);
  EXPECT_EQ(m.ActiveIndex, 0);
  EXPECT_TRUE(m.LayerAt(0).Visible);
  EXPECT_EQ(m.LayerAt(0).Block().TileCount(), 0);
}

TEST(LayerMng, MergeVisibleOfTwoAddLayersSaturates) {
  TLayerMng m(64, 64);
  m.SetMode(0, 1);
  m.AddLayer(1);
  m.FillRect(0, 0, 0, 64, 64, 0x80A0F0);
  m.FillRect(1, 0, 0, 64, 64, 0x909010);
  ASSERT_TRUE(m.MergeVisible());
  EXPECT_EQ(m.TopIndex, 0);
  EXPECT_EQ(m.LayerAt(0).Opacity, 255);
  EXPECT_EQ(Rgb(m.LayerAt(0).Block().PixelAt(10, 10)), 0xFFFFFFu & 0xFFFFFF);
  // Blue 0xF0 + 0x10 saturates, green 0xA0 + 0x90 saturates, red 0x80 + 0x90 saturates.

  TLayerMng mixed(64, 64);
  mixed.AddLayer(1);
  EXPECT_FALSE(mixed.VisibleSummary().canMerge);
  EXPECT_FALSE(mixed.MergeVisible());
  EXPECT_EQ(mixed.TopIndex, 1);
}

TEST(LayerMng, MergeDownOfAHalfMultiplyLayerOntoWhite) {
  TLayerMng m(64, 64);
  m.SetOpacity(0, 200);
  m.AddLayer(0);
  m.FillRect(1, 0, 0, 64, 64, 0x000000);
  m.SetOpacity(1, 128);
  ASSERT_TRUE(m.MergeDown(1));
  EXPECT_EQ(m.TopIndex, 0);
  EXPECT_EQ(m.ActiveIndex, 0);
  // Black lifted toward white by the layer's opacity: 255 - floor(128 * 255 / 255) = 127.
  EXPECT_EQ(Rgb(m.LayerAt(0).Block().PixelAt(5, 5)), 0x7F7F7Fu);
  EXPECT_EQ(m.LayerAt(0).Opacity, 200);
  EXPECT_EQ(m.LayerAt(0).Mode, 0);
}

TEST(LayerMng, LayersWithoutABlendAreNotMerged) {
  TLayerMng m(64, 64);
  m.AddLayer(3);
  Mark(m, 1, 0x123456);
  EXPECT_FALSE(m.MergeDown(1));
  EXPECT_EQ(m.TopIndex, 1);
  m.SetMode(0, 3);
  EXPECT_FALSE(m.VisibleSummary().canMerge);
  EXPECT_FALSE(m.MergeVisible());
  EXPECT_EQ(MarkOf(m, 1), 0x123456u);
}

TEST(LayerMng, MoveLayerTakesTheUndoRingAlong) {
  TLayerMng m(64, 64);
  m.AddLayer(0);
  m.AddLayer(0);
  Mark(m, 0, 0xAA0000);
  Mark(m, 1, 0x00BB00);
  Mark(m, 2, 0x0000CC);
  m.SnapshotRect(0, 0, 0, 4, 4);
  m.FillRect(0, 0, 0, 4, 4, 0xAA0001);
  m.MoveLayer(0, 2);
  EXPECT_EQ(MarkOf(m, 0), 0x00BB00u);
  EXPECT_EQ(MarkOf(m, 1), 0x0000CCu);
  EXPECT_EQ(MarkOf(m, 2), 0xAA0001u);
  EXPECT_EQ(m.ActiveIndex, 2);
  EXPECT_TRUE(m.CanUndo(2));
  EXPECT_FALSE(m.CanUndo(0));
  EXPECT_EQ(m.Undo(2), (TIntRect{0, 0, 4, 4}));
  EXPECT_EQ(MarkOf(m, 2), 0xAA0000u);
  m.MoveLayer(2, 0);
  EXPECT_EQ(MarkOf(m, 0), 0xAA0000u);
  EXPECT_EQ(MarkOf(m, 1), 0x00BB00u);
}

TEST(LayerMng, SoloAndWholePaperFilters) {
  TLayerMng m(64, 64);
  m.AddLayer(0);
  m.AddLayer(0);
  m.ToggleSolo(1);  // visible: hide only it
  EXPECT_TRUE(m.LayerAt(0).Visible);
  EXPECT_FALSE(m.LayerAt(1).Visible);
  EXPECT_TRUE(m.LayerAt(2).Visible);
  m.ToggleSolo(1);  // hidden: show only it
  EXPECT_FALSE(m.LayerAt(0).Visible);
  EXPECT_TRUE(m.LayerAt(1).Visible);

  m.ToggleSolo(1);  // all visible but 1
  Mark(m, 0, 0x102030);
  Mark(m, 1, 0x102030);
  m.InvertAll();
  EXPECT_EQ(MarkOf(m, 0), 0xEFDFCFu);
  EXPECT_EQ(MarkOf(m, 1), 0x102030u);
  EXPECT_EQ(Rgb(m.LayerAt(2).Block().PixelAt(30, 30)), 0u);  // white inverted
}

TEST(LayerMng, CompositeBlendsVisibleLayersByModeAndOpacity) {
  TLayerMng m(64, 64);
  m.SetBackColor(0xC0C0C0);
  m.FillRect(0, 0, 0, 64, 64, 0x808080);  // multiply
  m.AddLayer(1);
  m.FillRect(1, 0, 0, 64, 64, 0x101010);  // add
  m.AddLayer(2);
  m.FillRect(2, 0, 0, 64, 64, 0x040404);  // subtract
  m.AddLayer(0);
  m.FillRect(3, 0, 0, 64, 64, 0x000000);
  m.SetVisible(3, false);
  TPX out;
  out.SetSize(64, 64);
  m.CompositeRect(out, {0, 0, 64, 64});
  // 0xC0 * 0x80 / 255 = 96 = 0x60; + 0x10 = 0x70; - 4 = 0x6C.
  EXPECT_EQ(Rgb(out.PixelAt(20, 20)), 0x6C6C6Cu);

  // The active layer's working copy stands in for it when a stroke is open.
  m.SetActive(1);
  m.WorkImage(1).FillRect(0, 0, 0xFF202020u, 64, 64);
  m.CompositeRect(out, {0, 0, 64, 64}, 1u << 1);
  EXPECT_EQ(Rgb(out.PixelAt(20, 20)), 0x7C7C7Cu);
}

TEST(LayerMng, AModeChangeRefreshesACachedWorkingCopyOfAnInactiveLayer) {
  TLayerMng m(64, 64);
  m.Flow.SetSlotCount(4);
  m.AddLayer(0);
  m.SetActive(0);  // both layers now have working copies
  ASSERT_TRUE(m.Flow.Holds(1));
  m.SetMode(1, 1);
  EXPECT_EQ(m.WorkImage(1).BackColor, 0x000000u);
  EXPECT_EQ(m.WorkImage(1).PixelAt(10, 10) & 0xFFFFFF, 0x000000u);
}

TEST(LayerMng, EmptyLayersCostOnlyThumbnails) {
  TLayerMng m(5000, 5000);
  for (int i = 0; i < 23; ++i) m.AddLayer(i % 3);
  EXPECT_LT(m.PaperBytes() + m.PaperUndoBytes(), 1 << 20);
}

}  // namespace
}  // namespace vt
