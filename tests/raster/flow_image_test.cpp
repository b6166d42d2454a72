#include "raster/flow_image.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

class FlowImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 5; ++i) {
      layers[i].SetSize(200, 100);
      layers[i].SetPixel(10, 10, 0x000000u + static_cast<std::uint32_t>(i));
    }
  }
  TBlockImage layers[5];
  TFlowImage flow;
};

TEST_F(FlowImageTest, AcquireClonesTheLayerAndClearsTheMask) {
  flow.Acquire(2, layers[2]);
  EXPECT_EQ(flow.SlotLayer(0), 2);
  EXPECT_EQ(flow.ImageFor(2).PixelAt(10, 10), 2u);
  EXPECT_EQ(flow.ImageFor(2).Width, 200);
  EXPECT_EQ(flow.MaskFor(2).MaskAt(150, 90), 0);
  // The mask covers the paper with tiles; the image only where the layer has them.
  EXPECT_EQ(flow.MemoryBytes(), layers[2].MemoryBytes());
}

TEST_F(FlowImageTest, OneSlotIsReplacedUnlessLocked) {
  flow.Acquire(1, layers[1]);
  flow.Acquire(2, layers[2]);
  EXPECT_EQ(flow.SlotLayer(0), 2);

  flow.SetLock(2, true);
  flow.Acquire(3, layers[3]);
  EXPECT_EQ(flow.SlotLayer(0), 2);
  // A layer no slot holds falls back to slot 0's blocks.
  EXPECT_EQ(&flow.ImageFor(3), &flow.ImageFor(2));
}

TEST_F(FlowImageTest, FourSlotsAreReusedLeastRecentlyAssignedFirst) {
  flow.SetSlotCount(4);
  for (int i = 0; i < 4; ++i) flow.Acquire(i, layers[i]);
  flow.Acquire(4, layers[4]);
  EXPECT_EQ(flow.SlotLayer(0), 4);
  EXPECT_EQ(flow.SlotLayer(1), 1);

  // Slot 1 is now the oldest; locked, it is passed over for slot 2.
  flow.SetLock(1, true);
  flow.Acquire(0, layers[0]);
  EXPECT_EQ(flow.SlotLayer(1), 1);
  EXPECT_EQ(flow.SlotLayer(2), 0);
}

TEST_F(FlowImageTest, AcquiringTheHeldLayerKeepsTheWorkingCopy) {
  flow.Acquire(1, layers[1]);
  flow.ImageFor(1).SetPixel(20, 20, 0x123456u);
  flow.Acquire(1, layers[1]);
  EXPECT_EQ(flow.ImageFor(1).PixelAt(20, 20), 0x123456u);
  flow.Refresh(1, layers[1]);
  EXPECT_EQ(flow.ImageFor(1).PixelAt(20, 20), layers[1].BackColor);
}

TEST_F(FlowImageTest, APaperResizeResizesTheSlotOnTheNextAcquire) {
  flow.Acquire(1, layers[1]);
  flow.Reset();
  EXPECT_EQ(flow.SlotLayer(0), -1);
  layers[2].SetSize(300, 50);
  flow.Acquire(2, layers[2]);
  EXPECT_EQ(flow.ImageFor(2).Width, 300);
  EXPECT_EQ(flow.MaskFor(2).Height, 50);
}

TEST_F(FlowImageTest, SlotCountOutsideOneToFourIsIgnored) {
  flow.SetSlotCount(0);
  EXPECT_EQ(flow.SlotCount(), 1);
  flow.SetSlotCount(5);
  EXPECT_EQ(flow.SlotCount(), 1);
  flow.SetSlotCount(4);
  EXPECT_EQ(flow.SlotCount(), 4);
}

}  // namespace
}  // namespace vt
