#include "net/net_session.h"

#include "brush/event_kind.h"
#include "net/memory_transport.h"
#include "tests/support/drawing.h"
#include "tests/support/net_world.h"
#include "tests/support/socket_cases.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace vt {
namespace {

constexpr std::uint16_t kPort = 9001;

class NetSessionTest : public ::testing::Test {
 protected:
  TMemoryNetwork network;
  TNetWorld world{[this] { return std::make_unique<TMemoryTransport>(network); },
                  [this] { network.Deliver(); }};

  static THostParams Params(std::int32_t maxMembers = 3, std::int32_t layers = 2,
                            const std::string& password = "pw") {
    THostParams params;
    params.Port = kPort;
    params.Password = password;
    params.Width = 160;
    params.Height = 120;
    params.MaxMembers = maxMembers;
    params.LayersPerMember = layers;
    return params;
  }

  TNetMember& JoinClient(const std::string& user, const std::string& password = "pw") {
    TNetMember& client = world.Client(kPort, user, password);
    EXPECT_TRUE(world.RunUntil([&] { return world.Joined(); }));
    return client;
  }

  static std::string TempFile(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("vt_net_" + std::to_string(getpid()) + "_" + name))
        .string();
  }
};

// The composite of a copy once every layer is exact.
std::vector<std::uint32_t> Picture(TNetMember& member) {
  member.Document()->Paper.RecompositeAll();
  return test::Pixels(member.Document()->Paper.Composite);
}

bool LayerBlank(const TPaper& paper, std::int32_t layer) {
  const TBlockImage& block = paper.LayerManager->LayerAt(layer).Block();
  for (std::int32_t y = 0; y < paper.Height(); ++y)
    for (std::int32_t x = 0; x < paper.Width(); ++x)
      if ((block.PixelAt(x, y) & 0xFFFFFFu) != (block.BackColor & 0xFFFFFFu)) return false;
  return true;
}

TEST_F(NetSessionTest, ThreeMembersDrawTheSamePictureAndTheirHistoriesReplayToIt) {
  TNetMember& host = world.Host(Params());
  TNetMember& one = JoinClient("ONE");
  TNetMember& two = JoinClient("TWO");

  EXPECT_EQ(host.Observer.LogLines.front(), "<サーバ待機>");
  EXPECT_TRUE(host.Observer.Logged("ONE(127.0.0.1) が入場。現在2人。"));
  EXPECT_TRUE(host.Observer.Logged("TWO(127.0.0.1) が入場。現在3人。"));
  EXPECT_EQ(two.Observer.LogLines,
            (std::vector<std::string>{"<サーバに接続 (127.0.0.1) >", "<サーバ認識>", "<キャンバス情報取得>",
                                      "<レイヤ枚数: 2[枚/人]>", "<接続完了>", ""}));
  for (TNetMember* member : {&host, &one, &two})
    EXPECT_EQ(member->Observer.MemberLines, (std::vector<std::string>{"TWO", "ONE", "@HOST"}));
  EXPECT_EQ(two.Document()->Paper.ParticipantIndex, 2);
  EXPECT_EQ(two.Document()->Paper.LayerManager->TopIndex, 5);

  ASSERT_TRUE(world.RunUntil([&] { return world.Drained(); }));
  std::uint32_t seed = 1;
  for (TNetMember* member : {&host, &one, &two})
    member->Artist = std::make_unique<THeadlessArtist>(TArtistParams{6, 12, 10, 40, seed++});
  ASSERT_TRUE(world.RunUntil([&] { return world.Drained(); }));
  const auto expected = Picture(host);
  EXPECT_EQ(Picture(one), expected);
  EXPECT_EQ(Picture(two), expected);
  EXPECT_NE(expected, std::vector<std::uint32_t>(expected.size(), 0xFFFFFFu));
  EXPECT_EQ(host.Observer.Status.rfind("<Server> SEND:", 0), 0u);
  EXPECT_EQ(two.Observer.Status.substr(two.Observer.Status.size() - 12), " SYNC:100[%]");

  for (TNetMember* member : {&two, &one, &host}) {
    member->Observer.HistoryFile = TempFile("history" + std::to_string(member->OwnMember()) + ".wpe");
    member->Session.CloseSharedDrawing();
    EXPECT_EQ(member->Observer.Events.back(), "inform:イベントデータを保存しました。");
    TEventPacket history;
    ASSERT_TRUE(history.LoadEventFile(member->Observer.HistoryFile));
    TPaper paper;
    TStroke brush;
    test::ReplayAll(paper, history, brush);
    EXPECT_EQ(test::Pixels(paper.Composite), expected) << member->Observer.HistoryFile;
    std::filesystem::remove(member->Observer.HistoryFile);
  }
}

struct TRefusal {
  const char* name;
  std::int32_t maxMembers;
  std::int32_t clientsBefore;
  const char* password;
  const char* line;
};

class NetRefusalTest : public NetSessionTest, public ::testing::WithParamInterface<TRefusal> {};

TEST_P(NetRefusalTest, RefusedNewcomerEndsItsSessionAndTheHostGoesOn) {
  const TRefusal& c = GetParam();
  TNetMember& host = world.Host(Params(c.maxMembers));
  for (std::int32_t i = 0; i < c.clientsBefore; ++i) JoinClient(std::string("C").append(std::to_string(i)));
  TNetMember& late = world.Client(kPort, "LATE", c.password);
  ASSERT_TRUE(world.RunUntil([&] { return late.Observer.Logged(c.line); }));
  EXPECT_EQ(late.Session.NetPhase(), npNone);
  EXPECT_EQ(late.Session.Socket(), nullptr);
  EXPECT_EQ(late.Document(), nullptr);
  EXPECT_TRUE(late.Observer.MemberLines.empty());
  // The host is drawing again at once and takes the next newcomer.
  EXPECT_EQ(host.Session.NetPhase(), npRunning);
  EXPECT_FALSE(host.Session.Socket()->JoinBusy());
  ASSERT_TRUE(world.RunUntil([&] {
    return host.Observer.Logged(
        std::string("<LATE が退室 : 現在").append(std::to_string(c.clientsBefore + 1)).append("人>"));
  }));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NetRefusalTest,
    ::testing::Values(TRefusal{"WrongPassword", 3, 0, "nope", "<パスワード認証失敗 切断>"},
                      TRefusal{"Full", 3, 2, "pw", "<満席の為 切断>"},
                      TRefusal{"FullAndWrongPassword", 3, 2, "nope", "<パスワード認証失敗 切断>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetSessionTest, JoinResetsTheNewcomersLayersOnEveryCopy) {
  TNetMember& host = world.Host(Params());
  TNetMember& one = JoinClient("ONE");
  // Leftovers in the block the next member gets (say, of a member who left).
  for (TNetMember* member : {&host, &one}) {
    TLayerMng& layers = *member->Document()->Paper.LayerManager;
    layers.FillRect(4, 10, 10, 30, 30, 0x123456);
    layers.SetVisible(4, false);
    layers.SetMode(5, 1);
    layers.SetOpacity(5, 7);
  }
  TNetMember& two = JoinClient("TWO");
  two.Artist = std::make_unique<THeadlessArtist>(TArtistParams{3, 10, 10, 40, 9});
  ASSERT_TRUE(world.RunUntil([&] { return two.Artist->Done(); }));
  ASSERT_TRUE(world.RunUntil([&] { return world.Drained(); }));

  for (TNetMember* member : {&host, &one, &two}) {
    const TPaper& paper = member->Document()->Paper;
    for (std::int32_t l : {4, 5}) {
      const TLayer& layer = paper.LayerManager->LayerAt(l);
      EXPECT_TRUE(layer.Visible);
      EXPECT_EQ(layer.Mode, 0);
      EXPECT_EQ(layer.Opacity, 255);
    }
    EXPECT_FALSE(LayerBlank(paper, 4) && LayerBlank(paper, 5)) << "the new member draws in layers 4 and 5";
    for (std::int32_t l = 0; l < 4; ++l) EXPECT_TRUE(LayerBlank(paper, l));
  }
  EXPECT_EQ(Picture(one), Picture(host));
  EXPECT_EQ(Picture(two), Picture(host));
}

TEST_F(NetSessionTest, StrokeSplitOverMessagesReplaysOnlyWhenWhole) {
  TNetMember& host = world.Host(Params(2, 1, ""));
  TNetMember& one = JoinClient("ONE", "");
  ASSERT_TRUE(world.RunUntil([&] { return world.Drained(); }));
  TDrawDocument& mine = *host.Document();
  TStroke brush;
  brush.SetLayer(0);
  brush.SetWIDTH(3);
  const std::int32_t before = mine.OwnStream().Stream().Size();
  test::DrawRecordedStroke(mine.Paper, mine.OwnStream(), brush, test::Wave(5, 60, 5000, 0));
  const std::int32_t whole = mine.OwnStream().Stream().Size() - before;
  ASSERT_GT(whole, 4 * TMySocket::kMaxPayload);

  TDrawDocument& theirs = *one.Document();
  bool sawPart = false;
  ASSERT_TRUE(world.RunUntil([&] {
    const std::int32_t arrived = one.Session.Exchange().Pending(0) + one.Session.Socket()->DataAvailable(0);
    if (arrived > 0 && arrived < whole && theirs.StrokeStreams[0].Stream().Size() == before) {
      sawPart = true;
      EXPECT_TRUE(LayerBlank(theirs.Paper, 0));
    }
    return world.Drained();
  }));
  EXPECT_TRUE(sawPart);
  EXPECT_FALSE(LayerBlank(theirs.Paper, 0));
  EXPECT_EQ(Picture(one), Picture(host));
}

// The history holds whole records only: with an end marker it is always a valid file.
bool HistoryWhole(TDrawDocument& document) {
  std::vector<std::uint8_t> bytes(
      document.MergedStream.Stream().Memory(),
      document.MergedStream.Stream().Memory() + document.MergedStream.Stream().Size());
  bytes.push_back(0xFF);
  bytes.push_back(0xFF);
  std::size_t length = 0;
  std::int32_t count = 0;
  return TEventPacket::ValidateEvents(bytes.data(), bytes.size(), length, count) && length == bytes.size();
}

TEST_F(NetSessionTest, HistoryNeverHoldsHalfAStrokeAndAnOpenStrokeIsNotSent) {
  TNetMember& host = world.Host(Params(2, 1, ""));
  TNetMember& one = JoinClient("ONE", "");
  one.Artist = std::make_unique<THeadlessArtist>(TArtistParams{4, 40, 10, 30, 5});
  bool sawOpenStroke = false, sawRemoteStroke = false;
  ASSERT_TRUE(world.RunUntil([&] {
    EXPECT_TRUE(HistoryWhole(*host.Document()));
    EXPECT_TRUE(HistoryWhole(*one.Document()));
    if (one.Artist->InStroke()) {
      sawOpenStroke = true;
      const TMyMemory& own = one.Document()->OwnStream().Stream();
      EXPECT_LT(one.Session.OwnBytesSent(), own.Size());
      EXPECT_LT(one.Document()->MergedPositions[1], own.Size());
    }
    sawRemoteStroke = sawRemoteStroke || host.Document()->StrokeStreams[1].InStroke();
    return one.Artist->Done() && world.Drained();
  }));
  EXPECT_TRUE(sawOpenStroke);
  EXPECT_TRUE(sawRemoteStroke);
}

TEST_F(NetSessionTest, HostLeavingEndsEveryClientWithTheLostHostNotice) {
  TNetMember& host = world.Host(Params());
  TNetMember& one = JoinClient("ONE");
  TNetMember& two = JoinClient("TWO");
  host.Session.CloseSharedDrawing();
  EXPECT_TRUE(host.Observer.Logged("<サーバ切断>"));
  EXPECT_EQ(host.Observer.Lobby.back(), 0x602);
  EXPECT_EQ(host.Observer.Events, std::vector<std::string>{"ask"});
  ASSERT_TRUE(world.RunUntil([&] { return one.Document() == nullptr && two.Document() == nullptr; }));
  for (TNetMember* client : {&one, &two}) {
    EXPECT_EQ(client->Observer.Events,
              (std::vector<std::string>{"inform:サーバが落ちたので切断します。", "ask"}));
    EXPECT_EQ(client->Session.NetPhase(), npNone);
    EXPECT_EQ(client->Session.Socket(), nullptr);
    EXPECT_FALSE(client->Observer.Logged("<サーバ切断>"));
  }
}

TEST_F(NetSessionTest, ChatLinesReachEveryMemberAsPlainLines) {
  TNetMember& host = world.Host(Params());
  TNetMember& one = JoinClient("ONE");
  one.Session.SendChatLine("");
  one.Session.SendChatLine("hello\n<接続完了>");
  host.Session.SendChatLine("hi");
  world.RunRounds(20);
  const std::string line = "[ONE] hello <接続完了>";
  EXPECT_TRUE(one.Observer.Logged(line));
  EXPECT_TRUE(host.Observer.Logged(line));
  EXPECT_TRUE(one.Observer.Logged("[HOST] hi"));
  EXPECT_EQ(std::count_if(host.Observer.LogLines.begin(), host.Observer.LogLines.end(),
                          [](const std::string& l) { return l.rfind("[ONE]", 0) == 0; }),
            1);
}

TEST_F(NetSessionTest, ClientDroppedDuringTheJoinEndsAsAFailedConnection) {
  world.Host(Params());
  TNetMember& blocked = world.Client(kPort, "A", "pw");
  // A second newcomer while the first is joining is closed at once by the host.
  TNetMember& second = world.Client(kPort, "B", "pw");
  ASSERT_TRUE(world.RunUntil([&] { return second.Session.NetPhase() == npNone; }));
  EXPECT_TRUE(second.Observer.Logged("<接続出来ません>"));
  ASSERT_TRUE(world.RunUntil([&] { return world.Members[1]->Session.NetPhase() == npRunning; }));
  EXPECT_NE(blocked.Document(), nullptr);
}

// A host that speaks raw bytes, to send join replies a real host never would.
class NetJoinReplyTest : public NetSessionTest,
                         public ::testing::WithParamInterface<std::array<std::int32_t, 6>> {};

TEST_P(NetJoinReplyTest, AbsurdJoinReplyIsRefused) {
  TRawPeer raw(std::make_unique<TMemoryTransport>(network));
  ASSERT_TRUE(raw.Listen());
  TNetMember& client = world.Client(raw.Port(), "GUEST", "");
  ASSERT_TRUE(world.RunUntil([&] { return raw.Connected(); }));
  raw.Send(Frame(mtWelcome, 0, 1, {1, 0, 0, 0}));
  for (std::int32_t value : GetParam()) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 4; ++i)
      bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
    raw.Send(Frame(mtData, 0, 1, bytes));
  }
  ASSERT_TRUE(world.RunUntil([&] { return client.Session.NetPhase() == npNone; }));
  EXPECT_TRUE(client.Observer.Logged("<異バージョンの為 切断>"));
  EXPECT_EQ(client.Document(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, NetJoinReplyTest,
                         ::testing::Values(std::array<std::int32_t, 6>{10006, 0, 100, 100, 3, 2},
                                           std::array<std::int32_t, 6>{10007, 0, 100000, 100, 3, 2},
                                           std::array<std::int32_t, 6>{10007, 0, 100, -5, 3, 2},
                                           std::array<std::int32_t, 6>{10007, 0, 100, 100, 9, 2},
                                           std::array<std::int32_t, 6>{10007, 0, 100, 100, 3, 0},
                                           // slot 1 is not a member of a session of one
                                           std::array<std::int32_t, 6>{10007, 0, 100, 100, 1, 2},
                                           std::array<std::int32_t, 6>{10007, 7, 100, 100, 3, 2}));

struct TGateCase {
  std::int32_t member;
  std::uint16_t code;
  std::uint8_t layer;
  bool admitted;
};

TEST(EventGateTest, MembersPerformOnlyTheirOwnBlockOfLayers) {
  const std::vector<TGateCase> cases = {
      {1, 0, 2, true},       {1, 0, 3, true},       {1, 0, 1, false},      {1, 0, 4, false},
      {2, 0x0131, 4, true},  {2, 0x0131, 0, false}, {1, 0x0124, 2, true},  {1, 0x0112, 0, false},
      {0, 0x0112, 5, true},  {0, 0x0113, 3, true},  {0, 0x0114, 2, true},  {0, 0x0128, 2, false},
      {0, 0x0200, 0, false}, {1, 0x0100, 2, false}, {1, 0x0201, 2, false}, {1, 0xFFFF, 2, false},
      {1, 0x0207, 3, true},  {1, 0x0104, 2, false}, {3, 0x0129, 7, true},  {3, 0x0210, 6, false},
  };
  for (const TGateCase& c : cases) {
    const std::uint8_t record[3] = {static_cast<std::uint8_t>(c.code), static_cast<std::uint8_t>(c.code >> 8),
                                    c.layer};
    EXPECT_EQ(TEventExchange::Admissible(c.member, 2, record, c.code), c.admitted)
        << "member " << c.member << " code " << c.code << " layer " << int(c.layer);
  }
}

TEST(EventExchangeTest, OwnStreamLeavesInWholeRecordsOfAtMostOneMessage) {
  TEventPacket packet;
  for (int i = 0; i < 400; ++i) packet.RecordLayerOpacity(1, static_cast<std::uint8_t>(i));  // 4 bytes each
  const TMyMemory& stream = packet.Stream();
  EXPECT_EQ(TEventExchange::ChunkEnd(stream, 0, stream.Size()), 1600);
  TEventPacket big;
  TStroke brush;
  TPaper paper;
  paper.Init("x", 50, 50);
  big.RecordLayerOpacity(0, 1);
  test::DrawRecordedStroke(paper, big, brush, test::Wave(1, 1, 2000, 0));
  // The small record goes alone; the long stroke goes in pieces of a whole message.
  EXPECT_EQ(TEventExchange::ChunkEnd(big.Stream(), 0, big.Stream().Size()), 4);
  EXPECT_EQ(TEventExchange::ChunkEnd(big.Stream(), 4, big.Stream().Size()), 4 + TMySocket::kMaxPayload);
  EXPECT_EQ(TEventExchange::ReplayInterval(2), 8u);
  EXPECT_EQ(TEventExchange::ReplayInterval(3), 4u);
  EXPECT_EQ(TEventExchange::ReplayInterval(4), 2u);
}

}  // namespace
}  // namespace vt
