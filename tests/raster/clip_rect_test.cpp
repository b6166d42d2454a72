#include "raster/clip_rect.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(ClipCopyRect, StepsInOrder) {
  struct Case {
    const char* what;
    ClipRect in;
    bool ok;
    ClipRect out;
  };
  // Source 10 x 8, destination 6 x 5.
  const Case cases[] = {
      {"inside", {3, 2, 1, 1, 2, 2}, true, {3, 2, 1, 1, 2, 2}},
      {"entirely left of the destination", {4, 4, 0, 0, -4, 0}, false, {}},
      {"entirely above the destination", {4, 4, 0, 0, 0, -4}, false, {}},
      {"source right edge shortens", {5, 2, 7, 0, 0, 0}, true, {3, 2, 7, 0, 0, 0}},
      {"reaching past the source edge by one", {4, 1, 6, 7, 0, 0}, true, {4, 1, 6, 7, 0, 0}},
      {"negative source moves the destination", {5, 5, -2, -1, 0, 0}, true, {3, 4, 0, 0, 2, 1}},
      {"negative destination moves the source", {5, 5, 0, 0, -2, -3}, true, {3, 2, 2, 3, 0, 0}},
      {"destination right and bottom", {6, 6, 0, 0, 3, 2}, true, {3, 3, 0, 0, 3, 2}},
      {"source starts past its width", {2, 2, 10, 0, 0, 0}, false, {}},
      {"source ends before zero", {2, 2, -3, 0, 0, 0}, false, {}},
      {"destination starts past its height", {2, 2, 0, 0, 0, 5}, false, {}},
  };
  for (const Case& c : cases) {
    ClipRect r = c.in;
    EXPECT_EQ(ClipCopyRect(10, 8, 6, 5, r), c.ok) << c.what;
    if (!c.ok) continue;
    EXPECT_EQ(r.w, c.out.w) << c.what;
    EXPECT_EQ(r.h, c.out.h) << c.what;
    EXPECT_EQ(r.srcX, c.out.srcX) << c.what;
    EXPECT_EQ(r.srcY, c.out.srcY) << c.what;
    EXPECT_EQ(r.dstX, c.out.dstX) << c.what;
    EXPECT_EQ(r.dstY, c.out.dstY) << c.what;
  }
}

}  // namespace
}  // namespace vt
