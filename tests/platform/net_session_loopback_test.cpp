#include "net/net_session.h"

#include "platform/qt_transport.h"
#include "tests/support/drawing.h"
#include "tests/support/net_world.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace vt {
namespace {

// The shared drawing over real TCP on 127.0.0.1, the clock stepped by hand.
TEST(NetSessionLoopbackTest, HostAndTwoClientsDrawTheSamePicture) {
  TNetWorld world([] { return std::make_unique<TQtTransport>(true); },
                  [] { QCoreApplication::processEvents(); });
  THostParams params;
  params.Port = 0;
  params.Password = "pw";
  params.Width = 200;
  params.Height = 150;
  TNetMember& host = world.Host(params);
  ASSERT_NE(host.Session.Socket(), nullptr);
  const std::uint16_t port = host.Session.Socket()->ListenPort();
  for (const char* name : {"ONE", "TWO"}) {
    world.Client(port, name, "pw");
    ASSERT_TRUE(world.RunUntil([&] { return world.Joined(); }, std::chrono::seconds(20)));
  }
  EXPECT_EQ(host.Observer.MemberLines, (std::vector<std::string>{"TWO", "ONE", "@HOST"}));
  std::uint32_t seed = 3;
  for (auto& member : world.Members)
    member->Artist = std::make_unique<THeadlessArtist>(TArtistParams{8, 20, 10, 30, seed++});
  ASSERT_TRUE(world.RunUntil([&] { return world.Drained(); }, std::chrono::seconds(60)));
  std::vector<std::vector<std::uint32_t>> pictures;
  for (auto& member : world.Members) {
    member->Document()->Paper.RecompositeAll();
    pictures.push_back(test::Pixels(member->Document()->Paper.Composite));
  }
  EXPECT_EQ(pictures[1], pictures[0]);
  EXPECT_EQ(pictures[2], pictures[0]);

  host.Session.CloseSharedDrawing();
  ASSERT_TRUE(world.RunUntil(
      [&] { return world.Members[1]->Document() == nullptr && world.Members[2]->Document() == nullptr; },
      std::chrono::seconds(20)));
  EXPECT_EQ(world.Members[1]->Observer.Events.front(), "inform:サーバが落ちたので切断します。");
}

}  // namespace
}  // namespace vt
