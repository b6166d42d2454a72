#pragma once

#include "brush/ms_clock.h"
#include "brush/my_memory.h"
#include "net/transport.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vt {

enum TSocketState : std::uint8_t { ssIdle = 0, ssReady = 1, ssConnecting = 2, ssClosed = 3, ssFailed = 4 };

enum TMessageType : std::int32_t {
  mtData = 0,
  mtWelcome = 1,
  mtHello = 2,
  mtKeepAlive = 3,
  mtMemberList = 4,
  mtChat = 5,
};

// One copy's part in a network session, as host (slot 0, relaying for up to seven
// clients) or as client. Every message is a 16-byte header (type, sender, destination,
// payload length: little-endian int32) and up to 4080 payload bytes. The payloads of data
// messages are collected per sending slot in its DataStream.
//
// Bytes from the network are untrusted: a header with an unknown type, a length that does
// not fit its type, or a slot number outside the session closes that connection (on the
// host that client only; on a client the session fails with ssFailed).
//
// Callbacks run inside the socket's handlers; they may call the socket but must not
// destroy it.
class TMySocket : private TTransportEvents {
 public:
  static constexpr std::int32_t kSlotCount = 8;
  static constexpr std::int32_t kHeaderSize = 16;
  static constexpr std::int32_t kMaxPayload = 4080;
  static constexpr std::int32_t kFieldBytes = 16;
  static constexpr std::int32_t kHelloBytes = 2 * kFieldBytes;
  static constexpr std::int32_t kMemberListBytes = kSlotCount * 2 * kFieldBytes;
  // A chat line is taken from a zero-filled 1024-byte buffer: at most 1023 bytes of text.
  static constexpr std::int32_t kMaxChatBytes = 1023;
  static constexpr std::uint32_t kKeepAliveMs = 30000;
  static constexpr std::uint32_t kJoinBusyMs = 30000;
  static constexpr std::int32_t kQueueBytes = 65536;
  // Received bytes are taken in chunks and parsed at once, so a receive buffer holds at
  // most one chunk and one partial message.
  static constexpr std::int32_t kReadChunk = 8192;
  static constexpr std::int32_t kReceiveBytes = 16384;

  TMySocket(std::unique_ptr<TTransport> transport, TMsClock& clock);
  ~TMySocket() override;
  TMySocket(const TMySocket&) = delete;
  TMySocket& operator=(const TMySocket&) = delete;

  // Becomes host on the port (0: any free port, see ListenPort). False, with state
  // ssFailed, when the port cannot be opened.
  bool Standby(std::uint16_t port, const std::string& userName, const std::string& password);
  // Becomes a client of the host at a dotted IPv4 address. False, with state ssFailed,
  // when the address is not one.
  bool Connect(const std::string& address, std::uint16_t port, const std::string& userName,
               const std::string& password);
  void Close();

  // Queues one message, its length clamped to 0..4080; returns the length queued.
  std::int32_t SendMessage(std::int32_t type, std::int32_t destination, std::int32_t len, const void* data);
  std::int32_t SendData(std::int32_t destination, const void* data, std::int32_t len);
  void SendMemberList();
  void SendChat(const std::string& text);
  // Sends at most one queued message to each connection, and the keep-alive.
  void Pump();

  std::int32_t DataAvailable(std::int32_t slot) const;
  // Copies n bytes of the slot's stream and returns n; when fewer are unread, copies
  // nothing and returns how many are.
  std::int32_t ReadData(std::int32_t slot, void* buffer, std::int32_t n);

  bool IsActive(std::int32_t slot) const;
  // Host: the client in the slot has sent its hello since it was accepted.
  bool HasGreeted(std::int32_t slot) const;
  std::string GetAddress(std::int32_t slot) const;
  std::string GetName(std::int32_t slot) const;
  std::string GetPassword(std::int32_t slot) const;
  std::string TakeChat(std::int32_t slot);

  void AckJoin() { --joinsPending_; }
  void AckLeave() { --leavesPending_; }
  void SetJoinBusy(bool busy) { joinBusy_ = busy; }
  void SetOnChat(std::function<void()> callback) { onChat_ = std::move(callback); }
  void SetOnChange(std::function<void()> callback) { onChange_ = std::move(callback); }

  TSocketState State() const { return state_; }
  std::int32_t OwnId() const { return ownId_; }
  bool IsHost() const { return isHost_; }
  bool Established() const { return established_; }
  bool JoinBusy() const { return joinBusy_; }
  std::int32_t MemberCount() const { return memberCount_; }
  std::int32_t JoinsPending() const { return joinsPending_; }
  std::int32_t LeavesPending() const { return leavesPending_; }
  std::int32_t LastJoinedSlot() const { return lastJoinedSlot_; }
  std::int32_t LastLeftSlot() const { return lastLeftSlot_; }
  const std::string& LastLeftAddress() const { return lastLeftAddress_; }
  const std::string& UserName() const { return userName_; }
  const std::string& Password() const { return password_; }
  std::int64_t BytesSent() const { return bytesSent_; }
  std::int64_t BytesReceived() const { return bytesReceived_; }
  std::uint16_t ListenPort() const { return transport_->ListenPort(); }
  // Bytes held for sending (after compaction): a measure of memory, not of progress.
  std::int32_t SendQueueSize() const { return sendQueue_.Size(); }

 private:
  struct THeader {
    std::int32_t Type;
    std::int32_t Sender;
    std::int32_t Destination;
    std::int32_t Len;
  };
  // Where a connection stands in SendQueue: Pos is the next byte to send or examine;
  // while Pos < MessageEnd a message went out in part and its rest comes first.
  struct TCursor {
    std::int32_t Pos = 0;
    std::int32_t MessageEnd = 0;
  };
  struct TSlot {
    TCursor Send;
    TMyMemory DataStream{kQueueBytes};
    // Host: bytes received on this client's connection, not yet parsed.
    TMyMemory Received{kReceiveBytes};
    bool Active = false;
    bool Greeted = false;
    TConnection Connection = -1;
    std::string Address;
    std::string Name;
    std::string Password;
    std::string ChatText;
  };

  void TransportAccepted(TConnection connection) override;
  void TransportConnected(TConnection connection) override;
  void TransportReadable(TConnection connection) override;
  void TransportDisconnected(TConnection connection) override;
  void TransportFailed(TConnection connection) override;

  // Forgets any earlier session and its callbacks before a new one starts.
  void BeginSession(const std::string& userName, const std::string& password, bool host);
  void ResetSession();
  std::int32_t SlotOf(TConnection connection) const;
  std::int32_t FreeSlot() const;
  void Receive(TConnection connection, TMyMemory& buffer, std::int32_t slot);
  // Parses whole messages; false when the connection was closed for a bad header.
  bool Parse(TMyMemory& buffer, std::int32_t slot);
  bool Acceptable(const THeader& header, std::int32_t slot) const;
  void Handle(const THeader& header, const std::uint8_t* payload, std::int32_t slot);
  void HandleMemberList(const std::uint8_t* payload);
  void Reject(std::int32_t slot);
  void Depart(std::int32_t slot);
  void Fail();
  void PumpCursor(TCursor& cursor, TConnection connection, std::int32_t slot);
  void CompactSendQueue();
  void Notify(const std::function<void()>& callback);

  std::unique_ptr<TTransport> transport_;
  TMsClock& clock_;
  std::int32_t ownId_ = 0;
  TSocketState state_ = ssIdle;
  bool isHost_ = false;
  bool established_ = false;
  std::uint32_t lastKeepAlive_ = 0;
  bool joinBusy_ = false;
  std::uint32_t joinTime_ = 0;
  std::string password_;
  std::string userName_;
  std::int32_t memberCount_ = 0;
  std::int32_t joinsPending_ = 0;
  std::int32_t leavesPending_ = 0;
  std::string lastLeftAddress_;
  std::int32_t lastJoinedSlot_ = 0;
  std::int32_t lastLeftSlot_ = 0;
  TConnection clientConnection_ = -1;
  TCursor clientSend_;
  std::array<TSlot, kSlotCount> slots_;
  std::int64_t bytesSent_ = 0;
  std::int64_t bytesReceived_ = 0;
  TMyMemory sendQueue_{kQueueBytes};
  TMyMemory receiveBuffer_{kQueueBytes};
  std::function<void()> onChat_;
  std::function<void()> onChange_;
  // Advanced whenever a session starts or is closed, so that a handler notices when a
  // callback ended the session under it.
  std::uint32_t generation_ = 0;
};

}  // namespace vt
