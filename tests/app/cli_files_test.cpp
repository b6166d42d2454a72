#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli/cli.h"
#include "document/draw_document.h"
#include "document/native_file.h"
#include "document/replay_driver.h"
#include "raster/bmp_codec.h"

namespace vt {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

CliRun Cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = RunCli(args, out, err);
  return {code, out.str(), err.str()};
}

Bytes ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& p, const Bytes& b) {
  std::ofstream(p, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

class CliFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vt_cli_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    fs::copy_file(fs::path(VT_TEST_DATA_DIR) / "golden_drawing.wpe", P("in.wpe"));
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string P(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST_F(CliFiles, RenderIsDeterministicAndShowsTheReplayedPicture) {
  ASSERT_EQ(Cli({"render", P("in.wpe"), P("a.bmp")}).code, kExitOk);
  ASSERT_EQ(Cli({"render", P("in.wpe"), P("b.bmp")}).code, kExitOk);
  const Bytes a = ReadBytes(P("a.bmp"));
  EXPECT_EQ(a, ReadBytes(P("b.bmp")));

  const Bytes file = ReadBytes(P("in.wpe"));
  TDrawDocument doc;
  ASSERT_TRUE(ReplayHeadless(doc, file.data(), file.size(), 1.0f));
  EXPECT_EQ(a, EncodeBMP(doc.Paper.Composite));

  for (const char* name : {"c.png", "d.jpg", "e.JPEG"}) {
    ASSERT_EQ(Cli({"render", P("in.wpe"), P(name), "--quality", "60"}).code, kExitOk) << name;
    const Bytes once = ReadBytes(P(name));
    ASSERT_EQ(Cli({"render", "--quality", "60", P("in.wpe"), P(name)}).code, kExitOk);
    EXPECT_EQ(once, ReadBytes(P(name))) << name;
  }
  EXPECT_EQ(ReadBytes(P("c.png"))[1], 'P');

  ASSERT_EQ(Cli({"render", P("in.wpe"), P("big.bmp"), "--scale", "2.0"}).code, kExitOk);
  TPX big;
  ASSERT_TRUE(LoadBMP(big, P("big.bmp")));
  EXPECT_EQ(big.Width, 2 * doc.Paper.Width());
}

TEST_F(CliFiles, ConvertInfoAndExportEventsRoundTrip) {
  ASSERT_EQ(Cli({"convert", P("in.wpe"), P("pic.wpb")}).code, kExitOk);
  ASSERT_EQ(Cli({"export-events", P("pic.wpb"), P("back.wpe")}).code, kExitOk);
  EXPECT_EQ(ReadBytes(P("back.wpe")), ReadBytes(P("in.wpe")));

  ASSERT_EQ(Cli({"render", P("in.wpe"), P("from_events.bmp")}).code, kExitOk);
  ASSERT_EQ(Cli({"render", P("pic.wpb"), P("from_native.bmp")}).code, kExitOk);
  EXPECT_EQ(ReadBytes(P("from_events.bmp")), ReadBytes(P("from_native.bmp")));

  const CliRun events = Cli({"info", P("in.wpe")});
  const CliRun native = Cli({"info", P("pic.wpb")});
  ASSERT_EQ(events.code, kExitOk);
  ASSERT_EQ(native.code, kExitOk);
  EXPECT_NE(events.out.find("paper: 128 x 96\n"), std::string::npos) << events.out;
  EXPECT_NE(events.out.find("layers: 5 (current 1)\n"), std::string::npos);
  EXPECT_NE(events.out.find("  2: mode 2 (subtract), opacity 128, hidden\n"), std::string::npos);
  EXPECT_NE(events.out.find("  PaperNew: 1\n"), std::string::npos);
  EXPECT_NE(events.out.find("  LayerNew: 4\n"), std::string::npos);
  EXPECT_NE(native.out.find("format: native file\n"), std::string::npos);
  // The same layers and events, whether replayed or stored.
  EXPECT_EQ(events.out.substr(events.out.find("paper:")), native.out.substr(native.out.find("paper:")));

  const CliRun json = Cli({"info", "--json", P("pic.wpb")});
  ASSERT_EQ(json.code, kExitOk);
  EXPECT_EQ(json.out.rfind("{\"format\":\"wpb\",\"width\":128,\"height\":96,", 0), 0u) << json.out;
  EXPECT_NE(json.out.find("{\"index\":2,\"mode\":2,\"opacity\":128,\"visible\":false}"), std::string::npos);
}

TEST_F(CliFiles, ExportOfABlockedHistoryIsRefused) {
  ASSERT_EQ(Cli({"convert", P("in.wpe"), P("pic.wpb")}).code, kExitOk);
  Bytes b = ReadBytes(P("pic.wpb"));
  b[22] = 1;
  WriteBytes(P("blocked.wpb"), b);
  const CliRun r = Cli({"export-events", P("blocked.wpb"), P("out.wpe")});
  EXPECT_EQ(r.code, kExitFailed);
  EXPECT_FALSE(fs::exists(P("out.wpe")));
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

TEST_F(CliFiles, BadInputFailsAndWrongUsageIsAUsageError) {
  WriteBytes(P("junk.wpe"), {0x00, 0x02, 0x10, 0x00, 0x10});
  WriteBytes(P("junk.wpb"), {'W', 'P', 'B', '2', 0, 0});
  const struct {
    std::vector<std::string> args;
    int code;
  } cases[] = {
      {{"render", P("missing.wpe"), P("o.bmp")}, kExitFailed},
      {{"render", P("junk.wpe"), P("o.bmp")}, kExitFailed},
      {{"render", P("junk.wpb"), P("o.bmp")}, kExitFailed},
      {{"info", P("junk.wpe")}, kExitFailed},
      {{"render", P("in.wpe"), P("no/such/dir/o.bmp")}, kExitFailed},
      {{"render", P("in.wpe")}, kExitUsage},
      {{"render", P("in.wpe"), P("o.gif")}, kExitUsage},
      {{"render", P("in.txt"), P("o.bmp")}, kExitFailed},
      {{"render", P("in.wpe"), P("o.bmp"), "--scale", "0"}, kExitUsage},
      {{"render", P("in.wpe"), P("o.bmp"), "--scale", "1e9"}, kExitUsage},
      {{"render", P("in.wpe"), P("o.bmp"), "--scale", "nan"}, kExitUsage},
      {{"render", P("in.wpe"), P("o.jpg"), "--quality", "101"}, kExitUsage},
      {{"render", P("in.wpe"), P("o.jpg"), "--quality"}, kExitUsage},
      {{"render", P("in.wpe"), P("o.jpg"), "--fast"}, kExitUsage},
      {{"info"}, kExitUsage},
      {{"convert", P("in.wpe"), P("o.bmp")}, kExitUsage},
      {{"export-events", P("in.wpe"), P("o.wpe")}, kExitUsage},
  };
  for (const auto& c : cases) {
    const CliRun r = Cli(c.args);
    EXPECT_EQ(r.code, c.code) << c.args[0] << " " << (c.args.size() > 2 ? c.args[2] : "") << ": " << r.err;
    EXPECT_TRUE(r.out.empty());
    if (c.code == kExitFailed) {
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
  }
}

}  // namespace
}  // namespace vt
