#include "net/my_socket.h"
#include "net/memory_transport.h"
#include "tests/support/socket_cases.h"

namespace vt {
namespace {

struct TMemoryEnv {
  TMemoryNetwork network;
  std::vector<TMemoryTransport*> made;
  std::unique_ptr<TTransport> Make() {
    auto transport = std::make_unique<TMemoryTransport>(network);
    made.push_back(transport.get());
    return transport;
  }
  void PumpEvents() { network.Deliver(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, SocketSessionCases, TMemoryEnv);

class MySocketTest : public SocketSessionCases<TMemoryEnv> {
 protected:
  TMemoryTransport& TransportOf(std::size_t madeIndex) { return *env_.made[madeIndex]; }
};

TEST_F(MySocketTest, JoinGivesSlotsNamesAndMemberLists) {
  int changes = 0;
  Host().SetOnChange([&] { ++changes; });
  ASSERT_TRUE(harness_.Join("ALICE", "pw1"));
  ASSERT_TRUE(harness_.Join("BOB", "pw2"));
  TMySocket& alice = harness_.Client(0);
  TMySocket& bob = harness_.Client(1);
  ASSERT_TRUE(harness_.RunUntil([&] { return alice.MemberCount() == 3; }));
  EXPECT_EQ(alice.OwnId(), 1);
  EXPECT_EQ(bob.OwnId(), 2);
  EXPECT_EQ(Host().MemberCount(), 3);
  EXPECT_EQ(Host().JoinsPending(), 2);
  EXPECT_EQ(Host().GetPassword(1), "pw1");
  EXPECT_EQ(Host().GetPassword(2), "pw2");
  EXPECT_EQ(Host().GetAddress(2), "127.0.0.1");
  EXPECT_EQ(alice.GetName(0), "HOST");
  EXPECT_EQ(alice.GetName(2), "BOB");
  EXPECT_EQ(alice.GetAddress(2), "127.0.0.1");
  EXPECT_EQ(alice.GetPassword(2), "");  // passwords never travel in the member list
  EXPECT_EQ(alice.State(), ssReady);
  EXPECT_GE(changes, 4);  // each accept and each hello
  Host().AckJoin();
  EXPECT_EQ(Host().JoinsPending(), 1);
}

TEST_F(MySocketTest, DepartureIsTrackedByConnectionNotAddress) {
  ASSERT_TRUE(harness_.Join("A"));
  ASSERT_TRUE(harness_.Join("B"));
  harness_.RemoveClient(0);  // both came from 127.0.0.1; only slot 1 leaves
  ASSERT_TRUE(harness_.RunUntil([&] { return Host().LeavesPending() == 1; }));
  EXPECT_FALSE(Host().IsActive(1));
  EXPECT_TRUE(Host().IsActive(2));
  EXPECT_EQ(Host().LastLeftSlot(), 1);
  EXPECT_EQ(Host().LastLeftAddress(), "127.0.0.1");
  EXPECT_EQ(Host().GetName(1), "A");  // kept for the departure notice
  EXPECT_EQ(Host().MemberCount(), 2);
  TMySocket& b = harness_.Client(0);
  ASSERT_TRUE(harness_.RunUntil([&] { return b.MemberCount() == 2; }));
  // The freed slot is given again, without the old name.
  Host().SetJoinBusy(false);
  TMySocket& c = harness_.AddClient("C");
  ASSERT_TRUE(harness_.RunUntil([&] { return c.OwnId() == 1 && Host().GetName(1) == "C"; }));
}

TEST_F(MySocketTest, PartialSendsKeepTheFraming) {
  ASSERT_TRUE(harness_.Join("A"));
  ASSERT_TRUE(harness_.Join("B"));
  TransportOf(0).SetSendLimit(7);  // the host's connections take 7 bytes per send
  TransportOf(1).SetSendLimit(5);  // so does client A's
  std::vector<std::uint8_t> expected;
  for (std::uint8_t i = 1; i <= 20; ++i) {
    const std::vector<std::uint8_t> data(i * 13u, i);
    harness_.Client(0).SendData(-1, data.data(), static_cast<std::int32_t>(data.size()));
    expected.insert(expected.end(), data.begin(), data.end());
  }
  harness_.Client(0).SendChat("after the data");
  ASSERT_TRUE(WaitForData({&harness_.Client(1)}, 1, static_cast<std::int32_t>(expected.size())));
  EXPECT_EQ(Take(harness_.Client(1), 1), expected);
  ASSERT_TRUE(harness_.RunUntil([&] { return harness_.Client(1).TakeChat(1) == "after the data"; }));
}

TEST_F(MySocketTest, BlockedSendStaysQueued) {
  ASSERT_TRUE(harness_.Join("A"));
  TransportOf(0).SetSendLimit(0);
  const std::uint8_t data[3] = {1, 2, 3};
  Host().SendData(1, data, 3);
  harness_.RunRounds(50);
  EXPECT_EQ(harness_.Client(0).DataAvailable(0), 0);
  TransportOf(0).SetSendLimit(1 << 20);
  ASSERT_TRUE(WaitForData({&harness_.Client(0)}, 0, 3));
}

TEST_F(MySocketTest, KeepAliveEveryThirtySecondsOnceEstablished) {
  ASSERT_TRUE(harness_.Join("A"));
  harness_.RunRounds(20);
  TMySocket& a = harness_.Client(0);
  const std::int64_t before = a.BytesReceived();
  clock_.Advance(TMySocket::kKeepAliveMs + 1);
  harness_.RunRounds(20);
  EXPECT_EQ(a.BytesReceived() - before, 20);
  clock_.Advance(TMySocket::kKeepAliveMs);
  harness_.RunRounds(20);
  EXPECT_EQ(a.BytesReceived() - before, 20);
  EXPECT_EQ(a.State(), ssReady);
}

TEST_F(MySocketTest, ReadDataCopiesAllOrNothing) {
  ASSERT_TRUE(harness_.Join("A"));
  const std::uint8_t data[5] = {1, 2, 3, 4, 5};
  harness_.Client(0).SendData(0, data, 5);
  ASSERT_TRUE(WaitForData({&Host()}, 1, 5));
  std::uint8_t out[8] = {};
  EXPECT_EQ(Host().ReadData(1, out, 8), 5);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(Host().ReadData(1, out, 2), 2);
  EXPECT_EQ(Host().DataAvailable(1), 3);
  EXPECT_EQ(Host().ReadData(9, out, 1), 0);
  EXPECT_EQ(Host().DataAvailable(-1), 0);
  EXPECT_FALSE(Host().IsActive(8));
}

TEST_F(MySocketTest, QueuesHoldOnlyUnsentBytes) {
  ASSERT_TRUE(harness_.Join("A"));
  ASSERT_TRUE(harness_.Join("B"));
  std::vector<std::uint8_t> block(TMySocket::kMaxPayload, 3);
  std::int32_t peak = 0;
  for (int i = 0; i < 1000; ++i) {  // about 4 MB through the host
    harness_.Client(0).SendData(-1, block.data(), TMySocket::kMaxPayload);
    harness_.RunRounds(3);
    Take(harness_.Client(1), 1);
    peak = std::max({peak, Host().SendQueueSize(), harness_.Client(0).SendQueueSize()});
  }
  EXPECT_LT(peak, 4 * TMySocket::kQueueBytes);
}

TEST_F(MySocketTest, StandbyAndConnectFailuresAreReported) {
  TMySocket other(env_.Make(), clock_);
  EXPECT_FALSE(other.Standby(Host().ListenPort(), "H", ""));  // port taken
  EXPECT_EQ(other.State(), ssFailed);
  TMySocket client(env_.Make(), clock_);
  EXPECT_FALSE(client.Connect("", 1, "G", ""));
  EXPECT_EQ(client.State(), ssFailed);
  ASSERT_TRUE(client.Connect("127.0.0.1", 1, "G", ""));  // nobody listens there
  ASSERT_TRUE(harness_.RunUntil([&] { return client.State() == ssFailed; }));
}

TEST_F(MySocketTest, HostLeavingClosesTheClient) {
  ASSERT_TRUE(harness_.Join("A"));
  Host().Close();
  ASSERT_TRUE(harness_.RunUntil([&] { return harness_.Client(0).State() == ssClosed; }));
}

// Headers a client may not send: each closes that client alone.
TEST_F(MySocketTest, HostRejectsBadHeadersFromAClient) {
  const std::vector<std::vector<std::uint8_t>> cases = {
      Frame(6, 1, -1, {0}),
      Frame(-1, 1, -1, {0}),
      Frame(mtData, 1, -1, {}, -1),
      Frame(mtData, 1, -1, {}, TMySocket::kMaxPayload + 1),
      Frame(mtData, 1, 8, {1}),
      Frame(mtData, 1, -2, {1}),
      Frame(mtData, 2, -1, {1}),  // written in another member's name
      Frame(mtData, -1, -1, {1}),
      Frame(mtWelcome, 1, 0, {1, 0, 0, 0}),
      Frame(mtMemberList, 1, -1, std::vector<std::uint8_t>(256, 65)),
      Frame(mtKeepAlive, 1, -1, {0, 0, 0, 0}),
      Frame(mtHello, 1, 0, std::vector<std::uint8_t>(31, 65)),
      Frame(mtHello, 1, -1, std::vector<std::uint8_t>(32, 65)),  // would relay the password
  };
  ASSERT_TRUE(harness_.Join("A"));
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    Host().SetJoinBusy(false);
    TRawPeer peer(env_.Make());
    peer.Connect(Host().ListenPort());
    ASSERT_TRUE(harness_.RunUntil([&] { return peer.Received().size() >= 20; }));
    const std::int32_t before = Host().LeavesPending();
    std::vector<std::uint8_t> bytes = cases[i];
    std::memcpy(bytes.data() + 4, i == 6 ? "\x03\0\0\0" : i == 7 ? "\xff\xff\xff\xff" : "\x02\0\0\0", 4);
    peer.Send(bytes);
    ASSERT_TRUE(harness_.RunUntil([&] { return peer.Closed(); }));
    EXPECT_EQ(Host().LeavesPending(), before + 1);
    EXPECT_EQ(Host().MemberCount(), 2);
    EXPECT_EQ(Host().DataAvailable(2), 0);
    EXPECT_EQ(harness_.Client(0).DataAvailable(2), 0);
    EXPECT_EQ(Host().GetName(1), "A");
  }
  EXPECT_EQ(harness_.Client(0).State(), ssReady);
}

// Headers a host may not send: each makes the client's session fail.
TEST_F(MySocketTest, ClientFailsOnBadHeadersFromTheHost) {
  const std::vector<std::vector<std::uint8_t>> cases = {
      Frame(9, 0, -1, {0}),
      Frame(mtData, 0, -1, {}, 5000),
      Frame(mtData, -1, -1, {1}),
      Frame(mtData, 8, -1, {1}),
      Frame(mtChat, 0, 9, {65}),
      Frame(mtWelcome, 1, 1, {1, 0, 0, 0}),
      Frame(mtWelcome, 0, 1, {0, 0, 0, 0}),
      Frame(mtWelcome, 0, 1, {8, 0, 0, 0}),
      Frame(mtWelcome, 0, 1, {1, 0, 0}, 4),  // the fourth byte arrives with the next case
      Frame(mtHello, 0, 0, std::vector<std::uint8_t>(32, 65)),
      Frame(mtMemberList, 0, -1, std::vector<std::uint8_t>(255, 65)),
      Frame(mtMemberList, 3, -1, std::vector<std::uint8_t>(256, 65)),
      Frame(mtKeepAlive, 0, -1, {0, 0}),
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    TRawPeer host(env_.Make());
    ASSERT_TRUE(host.Listen());
    TMySocket client(env_.Make(), clock_);
    client.Connect("127.0.0.1", host.Port(), "G", "");
    ASSERT_TRUE(harness_.RunUntil([&] { return host.Connected(); }));
    host.Send(cases[i]);
    if (i == 8) host.Send(Frame(mtData, -1, -1, {1}));  // completes the welcome with its byte
    ASSERT_TRUE(harness_.RunUntil([&] {
      client.Pump();
      return client.State() == ssFailed;
    }));
    EXPECT_EQ(client.DataAvailable(0), 0);
  }
}

TEST_F(MySocketTest, StandbyClearsCallbacks) {
  int calls = 0;
  Host().SetOnChange([&] { ++calls; });
  ASSERT_TRUE(Host().Standby(0, "HOST", ""));
  ASSERT_TRUE(harness_.Join("A"));
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace vt
