#include "raster/jpeg_codec.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>
#include <jpeglib.h>

namespace vt {
namespace {

void Gradient(TPX& px, std::int32_t w, std::int32_t h) {
  px.SetSize(w, h);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x)
      px.SetPixel(x, y,
                  0x00000000u | static_cast<std::uint32_t>(x * 4) << 16 |
                      static_cast<std::uint32_t>(y * 4) << 8 | 0x80);
}

// A progressive greyscale file with one scan per AC coefficient: 64 scans in all.
std::vector<std::uint8_t> ManyScanJpeg(int scans) {
  jpeg_compress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = 16;
  info.image_height = 16;
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  std::vector<jpeg_scan_info> script(static_cast<std::size_t>(scans));
  for (int i = 0; i < scans; ++i)
    script[static_cast<std::size_t>(i)] = {1, {0}, i == 0 ? 0 : i, i == 0 ? 0 : i, 0, 0};
  info.scan_info = script.data();
  info.num_scans = scans;
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(16, 100);
  for (int y = 0; y < 16; ++y) {
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&info, &p, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<std::uint8_t> bytes(out, out + size);
  std::free(out);
  return bytes;
}

TEST(JpegCodec, RoundTripKeepsSizeAndColoursNearly) {
  TPX px, back;
  Gradient(px, 40, 24);
  std::vector<std::uint8_t> high, low;
  ASSERT_TRUE(EncodeJPEG(px, 95, high));
  ASSERT_TRUE(EncodeJPEG(px, 10, low));
  EXPECT_LT(low.size(), high.size());
  ASSERT_TRUE(LoadJPEGFromMemory(back, high.data(), high.size()));
  ASSERT_EQ(back.Width, 40);
  ASSERT_EQ(back.Height, 24);
  for (std::int32_t y = 0; y < 24; y += 5)
    for (std::int32_t x = 0; x < 40; x += 7) {
      const std::uint32_t a = px.PixelAt(x, y), b = back.PixelAt(x, y);
      EXPECT_EQ(b >> 24, 0xFFu);
      for (int sh = 0; sh < 24; sh += 8)
        EXPECT_NEAR(int((a >> sh) & 255), int((b >> sh) & 255), 6) << x << "," << y;
    }
  const auto path = (std::filesystem::temp_directory_path() / "vt_jpeg_codec_test.jpg").string();
  ASSERT_TRUE(SaveJPEG(px, path, 80));
  EXPECT_TRUE(LoadJPEG(back, path));
  std::remove(path.c_str());
  EXPECT_FALSE(LoadJPEG(back, "/nonexistent/file.jpg"));
  EXPECT_FALSE(SaveJPEG(px, "/nonexistent-dir/x.jpg", 80));
}

TEST(JpegCodec, ProgressiveScanLimit) {
  TPX px;
  const auto ok = ManyScanJpeg(64);
  EXPECT_TRUE(LoadJPEGFromMemory(px, ok.data(), ok.size()));
  EXPECT_EQ(px.Width, 16);
  // More scans than the limit: the same picture is refused.
  std::vector<std::uint8_t> bomb = ok;
  const std::size_t eoi = bomb.size() - 2;
  std::vector<std::uint8_t> lastScan;  // repeat the final scan until past the limit
  for (std::size_t i = eoi - 1; i > 2; --i)
    if (bomb[i] == 0xFF && bomb[i + 1] == 0xDA) {
      lastScan.assign(bomb.begin() + static_cast<std::ptrdiff_t>(i),
                      bomb.begin() + static_cast<std::ptrdiff_t>(eoi));
      break;
    }
  ASSERT_FALSE(lastScan.empty());
  for (int i = 0; i < kMaxJpegScans; ++i)
    bomb.insert(bomb.begin() + static_cast<std::ptrdiff_t>(bomb.size() - 2), lastScan.begin(),
                lastScan.end());
  px.SetSize(3, 3);
  EXPECT_FALSE(LoadJPEGFromMemory(px, bomb.data(), bomb.size()));
  EXPECT_EQ(px.Width, 3);
}

TEST(JpegCodec, BadInputFailsAndLeavesTheBufferAlone) {
  TPX src;
  Gradient(src, 32, 16);
  std::vector<std::uint8_t> good;
  ASSERT_TRUE(EncodeJPEG(src, 75, good));
  auto truncated = good;
  truncated.resize(good.size() / 2);
  auto huge = good;
  // The frame header: FF C0, length, precision, height, width.
  for (std::size_t i = 0; i + 8 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 0xEA;  // 60000 x 60000
      huge[i + 6] = huge[i + 8] = 0x60;
      break;
    }
  auto garbage = good;
  for (std::size_t i = 200; i < garbage.size() - 2; i += 3) garbage[i] = 0xFF;
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"not a jpeg", {'B', 'M', 0, 0, 0}},
      {"header only", std::vector<std::uint8_t>(good.begin(), good.begin() + 20)},
      {"truncated", truncated},
      {"absurd dimensions", huge},
  };
  for (const auto& c : cases) {
    TPX px;
    px.SetSize(5, 4);
    px.Fill(0x12345678);
    EXPECT_FALSE(LoadJPEGFromMemory(px, c.bytes.data(), c.bytes.size())) << c.what;
    EXPECT_EQ(px.Width, 5) << c.what;
    EXPECT_TRUE(px.IsUniform(0x345678)) << c.what;
  }
  TPX px;
  LoadJPEGFromMemory(px, garbage.data(), garbage.size());  // corrupt data: any result, no crash
}

}  // namespace
}  // namespace vt
