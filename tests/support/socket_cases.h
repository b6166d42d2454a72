#pragma once

#include "net/my_socket.h"
#include "tests/support/fake_clock.h"
#include "tests/support/session_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vt {

// One framed message as raw wire bytes.
inline std::vector<std::uint8_t> Frame(std::int32_t type, std::int32_t sender, std::int32_t destination,
                                       std::vector<std::uint8_t> payload,
                                       std::optional<std::int32_t> len = std::nullopt) {
  std::vector<std::uint8_t> bytes;
  for (std::int32_t value :
       {type, sender, destination, len.value_or(static_cast<std::int32_t>(payload.size()))}) {
    for (int i = 0; i < 4; ++i)
      bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
  }
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  return bytes;
}

// A peer that speaks raw bytes, to play a misbehaving client or host.
class TRawPeer : public TTransportEvents {
 public:
  explicit TRawPeer(std::unique_ptr<TTransport> transport) : transport_(std::move(transport)) {
    transport_->SetEvents(this);
  }
  ~TRawPeer() override { transport_->SetEvents(nullptr); }

  void Connect(std::uint16_t port) { connection_ = transport_->Connect("127.0.0.1", port); }
  bool Listen() { return transport_->Listen(0); }
  std::uint16_t Port() const { return transport_->ListenPort(); }
  void Send(const std::vector<std::uint8_t>& bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
      const std::int32_t taken =
          transport_->Send(connection_, bytes.data() + at, static_cast<std::int32_t>(bytes.size() - at));
      if (taken <= 0) return;
      at += static_cast<std::size_t>(taken);
    }
  }
  bool Connected() const { return connected_; }
  bool Closed() const { return closed_; }
  std::vector<std::uint8_t>& Received() { return received_; }

  void TransportAccepted(TConnection connection) override {
    connection_ = connection;
    connected_ = true;
  }
  void TransportConnected(TConnection) override { connected_ = true; }
  void TransportReadable(TConnection connection) override {
    std::uint8_t chunk[4096];
    for (std::int32_t n; (n = transport_->Read(connection, chunk, sizeof chunk)) > 0;) {
      received_.insert(received_.end(), chunk, chunk + n);
    }
  }
  void TransportDisconnected(TConnection) override { closed_ = true; }
  void TransportFailed(TConnection) override { closed_ = true; }

 private:
  std::unique_ptr<TTransport> transport_;
  TConnection connection_ = -1;
  bool connected_ = false;
  bool closed_ = false;
  std::vector<std::uint8_t> received_;
};

// The session behaviour of TMySocket, run over each transport by a typed test.
// Env provides Make() (a new transport) and PumpEvents() (run pending notifications).
template <class Env>
class SocketSessionCases : public ::testing::Test {
 protected:
  SocketSessionCases() : harness_([this] { return env_.Make(); }, [this] { env_.PumpEvents(); }, clock_) {}

  void SetUp() override { ASSERT_TRUE(harness_.StartHost()); }

  std::vector<std::uint8_t> Take(TMySocket& socket, std::int32_t slot) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(socket.DataAvailable(slot)));
    socket.ReadData(slot, bytes.data(), static_cast<std::int32_t>(bytes.size()));
    return bytes;
  }
  // Runs until every listed socket holds n bytes from slot.
  bool WaitForData(std::vector<TMySocket*> sockets, std::int32_t slot, std::int32_t n) {
    return harness_.RunUntil([&] {
      for (TMySocket* s : sockets) {
        if (s->DataAvailable(slot) < n) return false;
      }
      return true;
    });
  }
  TMySocket& Host() { return harness_.Host(); }

  Env env_;
  TFakeClock clock_{5000};
  TSessionHarness harness_;
};

TYPED_TEST_SUITE_P(SocketSessionCases);

TYPED_TEST_P(SocketSessionCases, MessagesSplitAcrossReadsOrSharingOneReadParseAlike) {
  TRawPeer peer(this->env_.Make());
  peer.Connect(this->Host().ListenPort());
  ASSERT_TRUE(this->harness_.RunUntil(
      [&] { return this->Host().MemberCount() == 2 && peer.Received().size() >= 20; }));
  std::vector<std::uint8_t> stream = Frame(mtHello, 1, 0, std::vector<std::uint8_t>(32, 0));
  std::memcpy(stream.data() + 16, "RAW", 3);
  for (std::uint8_t i = 1; i <= 3; ++i) {
    const auto message = Frame(mtData, 1, 0, std::vector<std::uint8_t>(100u * i, i));
    stream.insert(stream.end(), message.begin(), message.end());
  }
  // First every message in pieces of 7 bytes, each piece read before the next is sent.
  for (std::size_t at = 0; at < stream.size(); at += 7) {
    const std::int64_t before = this->Host().BytesReceived();
    peer.Send(std::vector<std::uint8_t>(
        stream.begin() + static_cast<std::ptrdiff_t>(at),
        stream.begin() + static_cast<std::ptrdiff_t>(std::min(at + 7, stream.size()))));
    ASSERT_TRUE(this->harness_.RunUntil([&] { return this->Host().BytesReceived() > before; }));
  }
  EXPECT_EQ(this->Host().GetName(1), "RAW");
  const auto split = this->Take(this->Host(), 1);
  // Then the same data messages in one write.
  peer.Send(std::vector<std::uint8_t>(stream.begin() + 48, stream.end()));
  ASSERT_TRUE(this->WaitForData({&this->Host()}, 1, 600));
  EXPECT_EQ(this->Take(this->Host(), 1), split);
  ASSERT_EQ(split.size(), 600u);
  EXPECT_EQ(split[0], 1);
  EXPECT_EQ(split[599], 3);
}

TYPED_TEST_P(SocketSessionCases, RelayToOneSlotAndToAllButTheSender) {
  for (const char* name : {"A", "B", "C"}) ASSERT_TRUE(this->harness_.Join(name));
  TMySocket& a = this->harness_.Client(0);
  TMySocket& b = this->harness_.Client(1);
  TMySocket& c = this->harness_.Client(2);
  const std::vector<std::uint8_t> toAll(50, 0xA1);
  const std::vector<std::uint8_t> toB(30, 0xB2);
  EXPECT_EQ(a.SendData(-1, toAll.data(), 50), 50);
  EXPECT_EQ(a.SendData(b.OwnId(), toB.data(), 30), 30);
  ASSERT_TRUE(this->WaitForData({&this->Host(), &b}, 1, 80));
  ASSERT_TRUE(this->WaitForData({&c}, 1, 50));
  this->harness_.RunRounds(20);
  std::vector<std::uint8_t> both = toAll;
  both.insert(both.end(), toB.begin(), toB.end());
  EXPECT_EQ(this->Take(this->Host(), 1), both);  // the host keeps every stream it relays
  EXPECT_EQ(this->Take(b, 1), both);
  EXPECT_EQ(this->Take(c, 1), toAll);
  EXPECT_EQ(a.DataAvailable(1), 0);  // never echoed to its sender
  // The host's own data reaches every client under slot 0.
  this->Host().SendData(-1, toB.data(), 30);
  ASSERT_TRUE(this->WaitForData({&a, &b, &c}, 0, 30));
}

TYPED_TEST_P(SocketSessionCases, LateClientNeverReceivesEarlierMessages) {
  ASSERT_TRUE(this->harness_.Join("A"));
  const std::vector<std::uint8_t> early(64, 1);
  const std::vector<std::uint8_t> late(16, 2);
  this->harness_.Client(0).SendData(-1, early.data(), 64);
  this->Host().SendData(-1, early.data(), 64);
  ASSERT_TRUE(this->WaitForData({&this->Host()}, 1, 64));
  ASSERT_TRUE(this->harness_.Join("B"));
  this->harness_.Client(0).SendData(-1, late.data(), 16);
  this->Host().SendData(-1, late.data(), 16);
  TMySocket& b = this->harness_.Client(1);
  ASSERT_TRUE(this->WaitForData({&b}, 1, 16));
  ASSERT_TRUE(this->WaitForData({&b}, 0, 16));
  this->harness_.RunRounds(20);
  EXPECT_EQ(this->Take(b, 1), late);
  EXPECT_EQ(this->Take(b, 0), late);
}

TYPED_TEST_P(SocketSessionCases, EighthConnectionIsRefusedAndMemberCountStaysEight) {
  for (int i = 0; i < 7; ++i) {
    ASSERT_TRUE(this->harness_.Join("C" + std::to_string(i)));
  }
  EXPECT_EQ(this->Host().MemberCount(), 8);
  int changes = 0;
  this->Host().SetOnChange([&] { ++changes; });
  TMySocket& eighth = this->harness_.AddClient("X");
  ASSERT_TRUE(this->harness_.RunUntil([&] { return eighth.State() == ssClosed; }));
  this->harness_.RunRounds(20);
  EXPECT_EQ(this->Host().MemberCount(), 8);
  EXPECT_EQ(this->Host().JoinsPending(), 7);
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(eighth.Established());
  // The members are undisturbed.
  const std::uint8_t byte = 9;
  this->harness_.Client(6).SendData(-1, &byte, 1);
  ASSERT_TRUE(this->WaitForData({&this->harness_.Client(0)}, 7, 1));
}

TYPED_TEST_P(SocketSessionCases, JoinBusyRefusesUntilItExpires) {
  TMySocket& a = this->harness_.AddClient("A");
  ASSERT_TRUE(this->harness_.RunUntil([&] { return this->harness_.Joined(a, "A"); }));
  ASSERT_TRUE(this->Host().JoinBusy());
  this->clock_.Advance(TMySocket::kJoinBusyMs);  // exactly 30 s: still busy
  TMySocket& refused = this->harness_.AddClient("B");
  ASSERT_TRUE(this->harness_.RunUntil([&] { return refused.State() == ssClosed; }));
  EXPECT_EQ(this->Host().MemberCount(), 2);
  this->clock_.Advance(1);
  ASSERT_TRUE(this->harness_.Join("C"));  // accepted although nobody cleared the flag
  EXPECT_EQ(this->Host().MemberCount(), 3);
  EXPECT_EQ(this->Host().LastJoinedSlot(), 2);
}

TYPED_TEST_P(SocketSessionCases, ChatLineIsReplacedAndCut) {
  ASSERT_TRUE(this->harness_.Join("A"));
  ASSERT_TRUE(this->harness_.Join("B"));
  TMySocket& a = this->harness_.Client(0);
  TMySocket& b = this->harness_.Client(1);
  int chats = 0;
  b.SetOnChat([&] { ++chats; });
  const std::string first(200, 'x');
  a.SendChat(first);
  ASSERT_TRUE(this->harness_.RunUntil([&] { return chats == 1; }));
  EXPECT_EQ(this->Host().TakeChat(1), first);
  a.SendChat("second");
  ASSERT_TRUE(this->harness_.RunUntil([&] { return chats == 2; }));
  EXPECT_EQ(b.TakeChat(1), "second");  // replaced the line not yet taken
  EXPECT_EQ(b.TakeChat(1), "");
  a.SendChat(std::string(3000, 'y'));
  ASSERT_TRUE(this->harness_.RunUntil([&] { return chats == 3; }));
  EXPECT_EQ(b.TakeChat(1), std::string(TMySocket::kMaxChatBytes, 'y'));
}

TYPED_TEST_P(SocketSessionCases, SendDataQueuesAtMost4080Bytes) {
  ASSERT_TRUE(this->harness_.Join("A"));
  std::vector<std::uint8_t> data(10000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  TMySocket& a = this->harness_.Client(0);
  std::int32_t sent = 0;
  while (sent < 10000) {
    const std::int32_t n = a.SendData(-1, data.data() + sent, 10000 - sent);
    EXPECT_EQ(n, std::min(10000 - sent, TMySocket::kMaxPayload));
    sent += n;
  }
  ASSERT_TRUE(this->WaitForData({&this->Host()}, 1, 10000));
  EXPECT_EQ(this->Take(this->Host(), 1), data);
}

TYPED_TEST_P(SocketSessionCases, MalformedHeaderClosesOnlyItsConnection) {
  ASSERT_TRUE(this->harness_.Join("A"));
  TRawPeer peer(this->env_.Make());
  peer.Connect(this->Host().ListenPort());
  ASSERT_TRUE(this->harness_.RunUntil(
      [&] { return this->Host().MemberCount() == 3 && peer.Received().size() >= 20; }));
  peer.Send(Frame(mtData, 2, -1, {}, 5000));
  ASSERT_TRUE(this->harness_.RunUntil([&] { return peer.Closed(); }));
  EXPECT_EQ(this->Host().MemberCount(), 2);
  EXPECT_FALSE(this->Host().IsActive(2));
  EXPECT_EQ(this->Host().LastLeftSlot(), 2);
  TMySocket& a = this->harness_.Client(0);
  ASSERT_TRUE(this->harness_.RunUntil([&] { return a.MemberCount() == 2; }));
  const std::uint8_t byte = 5;
  a.SendData(0, &byte, 1);
  ASSERT_TRUE(this->WaitForData({&this->Host()}, 1, 1));
  EXPECT_EQ(a.State(), ssReady);
}

REGISTER_TYPED_TEST_SUITE_P(SocketSessionCases, MessagesSplitAcrossReadsOrSharingOneReadParseAlike,
                            RelayToOneSlotAndToAllButTheSender, LateClientNeverReceivesEarlierMessages,
                            EighthConnectionIsRefusedAndMemberCountStaysEight, JoinBusyRefusesUntilItExpires,
                            ChatLineIsReplacedAndCut, SendDataQueuesAtMost4080Bytes,
                            MalformedHeaderClosesOnlyItsConnection);

}  // namespace vt
