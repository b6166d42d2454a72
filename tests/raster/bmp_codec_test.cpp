#include "raster/bmp_codec.h"

#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

namespace vt {
namespace {

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  if (at + 4 > b.size()) return;
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A BMP with the given header fields and pixel bytes, 40-byte header.
std::vector<std::uint8_t> MakeBmp(std::int32_t w, std::int32_t h, std::uint16_t bits,
                                  const std::vector<std::uint8_t>& palette,
                                  const std::vector<std::uint8_t>& pixels) {
  std::vector<std::uint8_t> b(54, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 10, static_cast<std::uint32_t>(54 + palette.size()));
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(w));
  Put32(b, 22, static_cast<std::uint32_t>(h));
  b[26] = 1;
  b[28] = static_cast<std::uint8_t>(bits);
  Put32(b, 46, static_cast<std::uint32_t>(palette.size() / 4));
  b.insert(b.end(), palette.begin(), palette.end());
  b.insert(b.end(), pixels.begin(), pixels.end());
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  return b;
}

TEST(BmpCodec, SaveWritesPaddedBottomUpRows) {
  TPX px;
  px.SetSize(3, 2);
  px.Fill(0x00112233);
  px.SetPixel(0, 1, 0xFFAABBCC);  // bottom-left pixel comes first in the file
  const std::vector<std::uint8_t> b = EncodeBMP(px);
  ASSERT_EQ(b.size(), 78u);
  EXPECT_EQ(b[2], 78);
  EXPECT_EQ(b[10], 54);
  EXPECT_EQ(b[28], 24);
  EXPECT_EQ((std::vector<std::uint8_t>(b.begin() + 54, b.begin() + 66)),
            (std::vector<std::uint8_t>{0xCC, 0xBB, 0xAA, 0x33, 0x22, 0x11, 0x33, 0x22, 0x11, 0, 0, 0}));
  const auto path = (std::filesystem::temp_directory_path() / "vt_bmp_codec_test.bmp").string();
  ASSERT_TRUE(px.SaveBMP(path));
  TPX back;
  ASSERT_TRUE(LoadBMP(back, path));
  std::remove(path.c_str());
  EXPECT_EQ(back.Width, 3);
  EXPECT_EQ(back.PixelAt(0, 1), 0xFFAABBCCu);
  EXPECT_EQ(back.PixelAt(2, 0), 0xFF112233u);
  EXPECT_FALSE(px.SaveBMP("/nonexistent-dir/x.bmp"));
}

TEST(BmpCodec, ReadsTopDown32AndPalettised8) {
  TPX px;
  // 2 x 2 top-down 32-bit: first stored row is the top row; the file's A byte is ignored.
  const std::vector<std::uint8_t> rows{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
  const auto top = MakeBmp(2, -2, 32, {}, rows);
  ASSERT_TRUE(LoadBMPFromMemory(px, top.data(), top.size()));
  EXPECT_EQ(px.PixelAt(1, 0), 0xFF060504u);
  EXPECT_EQ(px.PixelAt(0, 1), 0xFF090807u);
  // 3 x 1 palettised, two palette entries, row padded to 4 bytes.
  const auto pal = MakeBmp(3, 1, 8, {10, 20, 30, 0, 40, 50, 60, 0}, {1, 0, 1, 0});
  ASSERT_TRUE(LoadBMPFromMemory(px, pal.data(), pal.size()));
  EXPECT_EQ(px.Width, 3);
  EXPECT_EQ(px.PixelAt(0, 0), 0xFF3C3228u);
  EXPECT_EQ(px.PixelAt(1, 0), 0xFF1E140Au);
}

TEST(BmpCodec, BadInputFailsAndLeavesTheBufferAlone) {
  const std::vector<std::uint8_t> row24{1, 2, 3, 4, 5, 6, 0, 0};
  auto good = MakeBmp(2, 1, 24, {}, row24);
  auto patched = [&](std::size_t at, std::uint32_t v) {
    auto b = good;
    Put32(b, at, v);
    return b;
  };
  auto truncated = good;
  truncated.resize(good.size() - 3);
  auto magic = good;
  magic[1] = 'X';
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"header only", std::vector<std::uint8_t>(good.begin(), good.begin() + 30)},
      {"wrong magic", magic},
      {"pixel data shorter than claimed", truncated},
      {"huge width", patched(18, 100000)},
      {"huge height", patched(22, 100000)},
      {"negative width", patched(18, static_cast<std::uint32_t>(-2))},
      {"zero height", patched(22, 0)},
      {"most negative height", patched(22, 0x80000000u)},
      {"pixel offset past the end", patched(10, 0xFFFFFFF0u)},
      {"compressed", patched(30, 1)},
      {"16 bits", patched(28, 16)},
      {"unknown header size", patched(14, 64)},
      {"palette index out of range", MakeBmp(2, 1, 8, {1, 2, 3, 0}, {0, 1, 0, 0})},
      {"palette larger than 256", MakeBmp(1, 1, 8, std::vector<std::uint8_t>(1028, 0), {0, 0, 0, 0})},
      {"palette past the end",
       [] {
         auto b = MakeBmp(1, 1, 8, {}, {0, 0, 0, 0});
         Put32(b, 46, 200);
         return b;
       }()},
  };
  for (const auto& c : cases) {
    TPX px;
    px.SetSize(5, 4);
    px.Fill(0x12345678);
    EXPECT_FALSE(LoadBMPFromMemory(px, c.bytes.data(), c.bytes.size())) << c.what;
    EXPECT_EQ(px.Width, 5) << c.what;
    EXPECT_TRUE(px.IsUniform(0x345678)) << c.what;
  }
  TPX px;
  EXPECT_TRUE(LoadBMPFromMemory(px, good.data(), good.size()));
  EXPECT_FALSE(LoadBMP(px, "/nonexistent/file.bmp"));
}

}  // namespace
}  // namespace vt
