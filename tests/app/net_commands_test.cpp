#include "app/cli/net_commands.h"

#if __has_include(<QCoreApplication>)

#include "app/cli/cli.h"
#include "brush/event_packet.h"
#include "document/paper.h"
#include "platform/px_image.h"
#include "tests/support/drawing.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QImage>
#include <QTcpServer>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <unistd.h>

namespace vt {
namespace {

class NetCommandsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QCoreApplication::instance() == nullptr) {
      static int argc = 1;
      static char name[] = "net_commands_test";
      static char* argv[] = {name, nullptr};
      new QCoreApplication(argc, argv);
    }
  }

  static std::uint16_t FreePort() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) return 0;
    return server.serverPort();
  }

  static std::string Temp(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("vt_netcli_" + std::to_string(getpid()) + "_" + name))
        .string();
  }
};

TEST_F(NetCommandsTest, HostAndJoinDrawOneSharedPicture) {
  const std::uint16_t port = FreePort();
  ASSERT_NE(port, 0);
  const std::string hostPng = Temp("host.png"), joinPng = Temp("join.png");
  const std::string hostWpe = Temp("host.wpe"), joinWpe = Temp("join.wpe");
  std::ostringstream hostOut, hostErr;
  int hostCode = -1;
  QThread* hostThread = QThread::create([&] {
    hostCode = RunHostCommand({"--port",         std::to_string(port),
                               "--user",         "H",
                               "--password",     "pw",
                               "--size",         "120x90",
                               "--members",      "2",
                               "--layers",       "1",
                               "--strokes",      "4",
                               "--seconds",      "5",
                               "--save-history", hostWpe,
                               "--render",       hostPng,
                               "--loopback"},
                              hostOut, hostErr);
  });
  hostThread->start();
  QThread::msleep(300);
  std::ostringstream joinOut, joinErr;
  const int joinCode = RunJoinCommand(
      {"127.0.0.1", "--port", std::to_string(port), "--user", "J", "--password", "pw", "--strokes", "4",
       "--seconds", "3", "--save-history", joinWpe, "--render", joinPng, "--loopback"},
      joinOut, joinErr);
  ASSERT_TRUE(hostThread->wait(30000));
  delete hostThread;
  EXPECT_EQ(joinCode, kExitOk) << joinOut.str() << joinErr.str();
  EXPECT_EQ(hostCode, kExitOk) << hostOut.str() << hostErr.str();
  EXPECT_NE(hostOut.str().find("<サーバ待機>"), std::string::npos);
  EXPECT_NE(hostOut.str().find("J(127.0.0.1) が入場。現在2人。"), std::string::npos);
  EXPECT_NE(hostOut.str().find("<サーバ切断>"), std::string::npos);
  EXPECT_NE(joinOut.str().find("<接続完了>"), std::string::npos);
  EXPECT_NE(joinOut.str().find("<Client> SEND:"), std::string::npos);
  EXPECT_NE(joinOut.str().find("イベントデータを保存しました。"), std::string::npos);

  const QImage hostImage(QString::fromStdString(hostPng)), joinImage(QString::fromStdString(joinPng));
  ASSERT_FALSE(hostImage.isNull());
  EXPECT_EQ(hostImage.size(), QSize(120, 90));
  EXPECT_TRUE(hostImage == joinImage);
  // The joining member's history replays to the picture it rendered.
  TEventPacket history;
  ASSERT_TRUE(history.LoadEventFile(joinWpe));
  TPaper paper;
  TStroke brush;
  test::ReplayAll(paper, history, brush);
  EXPECT_TRUE(WrapPX(paper.Composite) == joinImage);
  for (const auto& f : {hostPng, joinPng, hostWpe, joinWpe}) std::filesystem::remove(f);
}

TEST_F(NetCommandsTest, WrongUsageAndRefusedJoinsAreReported) {
  struct TCase {
    std::vector<std::string> args;
    bool host;
    int code;
  };
  const std::vector<TCase> cases = {
      {{"--members", "5"}, true, kExitUsage},      {{"--size", "0x10"}, true, kExitUsage},
      {{"--port", "70000"}, true, kExitUsage},     {{"--seconds"}, true, kExitUsage},
      {{"--port", "1"}, false, kExitUsage},  // no address
      {{"1.2.3.4", "5.6.7.8"}, false, kExitUsage}, {{"not-an-address", "--seconds", "1"}, false, kExitFailed},
  };
  for (const TCase& c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(c.host ? RunHostCommand(c.args, out, err) : RunJoinCommand(c.args, out, err), c.code)
        << c.args[0];
  }
}

}  // namespace
}  // namespace vt

#endif
