#include "net/my_socket.h"

#include <algorithm>
#include <cstring>

namespace vt {

namespace {

std::int32_t LoadInt(const std::uint8_t* p) {
  const std::uint32_t value = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
  return static_cast<std::int32_t>(value);
}

void StoreInt(std::uint8_t* p, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

// Text of a fixed field: up to the first zero byte or the end of the field.
std::string FieldText(const std::uint8_t* field, std::int32_t size) {
  const auto* end = std::find(field, field + size, std::uint8_t{0});
  return std::string(reinterpret_cast<const char*>(field), static_cast<std::size_t>(end - field));
}

// Zero-filled field holding the start of the text.
void PutField(std::uint8_t* field, std::int32_t size, const std::string& text) {
  std::memset(field, 0, static_cast<std::size_t>(size));
  std::memcpy(field, text.data(), std::min(text.size(), static_cast<std::size_t>(size)));
}

bool IsSlot(std::int32_t n) { return n >= 0 && n < TMySocket::kSlotCount; }

// Payload length that a message type requires, or -1 when any length up to 4080 is fine.
std::int32_t FixedLength(std::int32_t type) {
  switch (type) {
    case mtWelcome:
    case mtKeepAlive:
      return 4;
    case mtHello:
      return TMySocket::kHelloBytes;
    case mtMemberList:
      return TMySocket::kMemberListBytes;
    default:
      return -1;
  }
}

}  // namespace

TMySocket::TMySocket(std::unique_ptr<TTransport> transport, TMsClock& clock)
    : transport_(std::move(transport)), clock_(clock), lastKeepAlive_(clock.NowMs()) {
  transport_->SetEvents(this);
}

TMySocket::~TMySocket() {
  transport_->SetEvents(nullptr);
  transport_->CloseAll();
}

void TMySocket::ResetSession() {
  ++generation_;
  bytesSent_ = bytesReceived_ = 0;
  established_ = false;
  sendQueue_.Clear();
  receiveBuffer_.Clear();
  clientSend_ = {};
  for (TSlot& slot : slots_) {
    slot.Send = {};
    slot.DataStream.Clear();
    slot.Received.Clear();
    slot.Active = false;
    slot.Greeted = false;
    slot.Connection = -1;
    slot.ChatText.clear();
  }
}

void TMySocket::BeginSession(const std::string& userName, const std::string& password, bool host) {
  Close();
  onChat_ = nullptr;
  onChange_ = nullptr;
  userName_ = userName;
  password_ = password;
  ResetSession();
  ownId_ = 0;
  isHost_ = host;
  memberCount_ = host ? 1 : 0;
}

bool TMySocket::Standby(std::uint16_t port, const std::string& userName, const std::string& password) {
  BeginSession(userName, password, true);
  joinsPending_ = leavesPending_ = 0;
  slots_[0].Active = true;
  slots_[0].Name = userName;
  slots_[0].Password = password;
  const bool listening = transport_->Listen(port);
  state_ = listening ? ssReady : ssFailed;
  return listening;
}

bool TMySocket::Connect(const std::string& address, std::uint16_t port, const std::string& userName,
                        const std::string& password) {
  BeginSession(userName, password, false);
  clientConnection_ = transport_->Connect(address, port);
  state_ = clientConnection_ >= 0 ? ssConnecting : ssFailed;
  return clientConnection_ >= 0;
}

void TMySocket::Close() {
  ++generation_;
  transport_->CloseAll();
  clientConnection_ = -1;
  for (TSlot& slot : slots_) slot.Connection = -1;
}

void TMySocket::Fail() {
  Close();
  state_ = ssFailed;
}

std::int32_t TMySocket::SendMessage(std::int32_t type, std::int32_t destination, std::int32_t len,
                                    const void* data) {
  len = std::clamp(len, 0, kMaxPayload);
  sendQueue_.WriteInt(type);
  sendQueue_.WriteInt(ownId_);
  sendQueue_.WriteInt(destination);
  sendQueue_.WriteInt(len);
  sendQueue_.WriteBytes(data, len);
  return len;
}

std::int32_t TMySocket::SendData(std::int32_t destination, const void* data, std::int32_t len) {
  if (len <= 0) return 0;
  return SendMessage(mtData, destination, len, data);
}

void TMySocket::SendMemberList() {
  std::uint8_t list[kMemberListBytes] = {};
  for (std::int32_t i = 0; i < kSlotCount; ++i) {
    if (!slots_[i].Active) continue;
    PutField(list + 2 * kFieldBytes * i, kFieldBytes, slots_[i].Name);
    PutField(list + 2 * kFieldBytes * i + kFieldBytes, kFieldBytes, slots_[i].Address);
  }
  SendMessage(mtMemberList, -1, kMemberListBytes, list);
}

void TMySocket::SendChat(const std::string& text) {
  SendMessage(mtChat, -1, static_cast<std::int32_t>(std::min<std::size_t>(text.size(), kMaxPayload)),
              text.data());
}

void TMySocket::Notify(const std::function<void()>& callback) {
  if (callback) callback();
}

// ---- Sending ----

void TMySocket::Pump() {
  const std::uint32_t now = clock_.NowMs();
  if (isHost_ && established_ && now - lastKeepAlive_ > kKeepAliveMs) {
    const std::uint8_t zero[4] = {};
    SendMessage(mtKeepAlive, -1, 4, zero);
    lastKeepAlive_ = now;
  }
  if (isHost_) {
    for (std::int32_t i = 1; i < kSlotCount; ++i) {
      if (slots_[i].Active && slots_[i].Connection >= 0) PumpCursor(slots_[i].Send, slots_[i].Connection, i);
    }
  } else if (clientConnection_ >= 0 && state_ != ssClosed && state_ != ssFailed) {
    PumpCursor(clientSend_, clientConnection_, -1);
  }
  CompactSendQueue();
}

// One message (or the rest of one sent in part) for a connection. On the host, slot is
// the receiving client: messages not addressed to it, or written by it, are passed over
// without counting as its message of this call.
void TMySocket::PumpCursor(TCursor& cursor, TConnection connection, std::int32_t slot) {
  while (cursor.Pos >= cursor.MessageEnd) {
    if (cursor.Pos >= sendQueue_.Size()) return;
    const std::uint8_t* header = sendQueue_.Memory() + cursor.Pos;
    const std::int32_t end = cursor.Pos + kHeaderSize + LoadInt(header + 12);
    const std::int32_t sender = LoadInt(header + 4);
    const std::int32_t destination = LoadInt(header + 8);
    if (slot >= 0 && (sender == slot || (destination != -1 && destination != slot))) {
      cursor.Pos = end;
    } else {
      cursor.MessageEnd = end;
    }
  }
  const std::int32_t taken =
      transport_->Send(connection, sendQueue_.Memory() + cursor.Pos, cursor.MessageEnd - cursor.Pos);
  if (taken <= 0) return;
  cursor.Pos += taken;
  bytesSent_ += taken;
}

// Drops the bytes that every connection has sent: the queue then holds only what some
// connection still has to send, not the whole session's traffic. Moving the rest down
// happens only once the dropped part is at least as large as the rest, so the copying
// costs O(1) per queued byte.
void TMySocket::CompactSendQueue() {
  std::int32_t low = sendQueue_.Size();
  if (isHost_) {
    for (std::int32_t i = 1; i < kSlotCount; ++i) {
      if (slots_[i].Active) low = std::min(low, slots_[i].Send.Pos);
    }
  } else {
    low = std::min(low, clientSend_.Pos);
  }
  const std::int32_t rest = sendQueue_.Size() - low;
  if (low == 0 || (rest > 0 && (low < kQueueBytes || low < rest))) return;
  sendQueue_.RewindRead();
  sendQueue_.SkipRead(low);
  sendQueue_.Compact();
  auto shift = [low](TCursor& cursor) {
    cursor.Pos = std::max(cursor.Pos - low, 0);
    cursor.MessageEnd = std::max(cursor.MessageEnd - low, 0);
  };
  shift(clientSend_);
  for (TSlot& slot : slots_) shift(slot.Send);
}

// ---- Connections ----

std::int32_t TMySocket::SlotOf(TConnection connection) const {
  for (std::int32_t i = 1; i < kSlotCount; ++i) {
    if (slots_[i].Active && slots_[i].Connection == connection) return i;
  }
  return -1;
}

std::int32_t TMySocket::FreeSlot() const {
  for (std::int32_t i = 1; i < kSlotCount; ++i) {
    if (!slots_[i].Active) return i;
  }
  return -1;
}

void TMySocket::TransportAccepted(TConnection connection) {
  const std::uint32_t now = clock_.NowMs();
  if (joinBusy_ && now - joinTime_ > kJoinBusyMs) joinBusy_ = false;
  const std::int32_t slot = FreeSlot();
  if (!isHost_ || memberCount_ >= kSlotCount || joinBusy_ || slot < 0) {
    transport_->CloseConnection(connection);
    return;
  }
  joinTime_ = now;
  state_ = ssConnecting;
  joinBusy_ = true;
  TSlot& newcomer = slots_[slot];
  newcomer.Active = true;
  newcomer.Greeted = false;
  newcomer.Connection = connection;
  newcomer.Address = transport_->RemoteAddress(connection);
  newcomer.Name.clear();
  newcomer.Password.clear();
  newcomer.ChatText.clear();
  newcomer.Received.Clear();
  // The newcomer receives only what is queued from now on.
  newcomer.Send = {sendQueue_.Size(), sendQueue_.Size()};
  std::uint8_t payload[4];
  StoreInt(payload, slot);
  SendMessage(mtWelcome, slot, 4, payload);
  Pump();
  ++memberCount_;
  ++joinsPending_;
  lastJoinedSlot_ = slot;
  SendMemberList();
  Notify(onChange_);
}

void TMySocket::TransportConnected(TConnection connection) {
  if (connection == clientConnection_) state_ = ssConnecting;
}

void TMySocket::TransportDisconnected(TConnection connection) {
  if (isHost_) {
    const std::int32_t slot = SlotOf(connection);
    if (slot > 0) Depart(slot);
  } else if (connection == clientConnection_) {
    clientConnection_ = -1;
    state_ = ssClosed;
  }
}

void TMySocket::TransportFailed(TConnection connection) {
  if (isHost_ ? SlotOf(connection) > 0 : connection == clientConnection_) Fail();
}

void TMySocket::Depart(std::int32_t slot) {
  TSlot& departed = slots_[slot];
  departed.Active = false;
  departed.Connection = -1;
  departed.Received.Clear();
  departed.Send = {};
  --memberCount_;
  ++leavesPending_;
  lastLeftAddress_ = departed.Address;
  lastLeftSlot_ = slot;
  SendMemberList();
  Notify(onChange_);
}

void TMySocket::Reject(std::int32_t slot) {
  if (!isHost_) {
    Fail();
    return;
  }
  transport_->CloseConnection(slots_[slot].Connection);
  Depart(slot);
}

// ---- Receiving ----

void TMySocket::TransportReadable(TConnection connection) {
  if (isHost_) {
    const std::int32_t slot = SlotOf(connection);
    if (slot < 0) return;
    state_ = ssReady;
    ownId_ = 0;
    Receive(connection, slots_[slot].Received, slot);
  } else if (connection == clientConnection_) {
    Receive(connection, receiveBuffer_, 0);
  }
}

void TMySocket::Receive(TConnection connection, TMyMemory& buffer, std::int32_t slot) {
  const std::uint32_t generation = generation_;
  for (std::int32_t n = transport_->BytesAvailable(connection); n > 0;
       n = transport_->BytesAvailable(connection)) {
    const std::int32_t chunk = std::min(n, kReadChunk);
    buffer.Reserve(chunk);
    const std::int32_t got = transport_->Read(connection, buffer.WritePointer(), chunk);
    if (got <= 0) break;
    buffer.SkipWrite(got);
    bytesReceived_ += got;
    if (!Parse(buffer, slot) || generation != generation_) return;
    if (isHost_ && slots_[slot].Connection != connection) return;
    buffer.Compact();
  }
}

bool TMySocket::Acceptable(const THeader& header, std::int32_t slot) const {
  if (header.Type < mtData || header.Type > mtChat) return false;
  if (header.Len < 0 || header.Len > kMaxPayload) return false;
  const std::int32_t fixed = FixedLength(header.Type);
  if (fixed >= 0 && header.Len != fixed) return false;
  if (header.Destination < -1 || header.Destination >= kSlotCount) return false;
  if (isHost_) {
    // A client writes only data, chat and its hello to the host, always in its own name.
    if (header.Sender != slot) return false;
    return header.Type == mtData || header.Type == mtChat ||
           (header.Type == mtHello && header.Destination == 0);
  }
  if (!IsSlot(header.Sender) || header.Type == mtHello) return false;
  return (header.Type != mtWelcome && header.Type != mtMemberList) || header.Sender == 0;
}

bool TMySocket::Parse(TMyMemory& buffer, std::int32_t slot) {
  const std::uint32_t generation = generation_;
  while (buffer.Remaining() >= kHeaderSize) {
    const std::uint8_t* at = buffer.ReadPointer();
    const THeader header{LoadInt(at), LoadInt(at + 4), LoadInt(at + 8), LoadInt(at + 12)};
    if (!Acceptable(header, slot)) {
      buffer.Clear();
      Reject(slot);
      return false;
    }
    if (buffer.Remaining() < kHeaderSize + header.Len) break;
    if (header.Type == mtWelcome && !(LoadInt(at + kHeaderSize) >= 1 && IsSlot(LoadInt(at + kHeaderSize)))) {
      buffer.Clear();
      Reject(slot);
      return false;
    }
    // Relayed unchanged, so the sender field still names the member that wrote it.
    if (isHost_ && header.Destination != 0) sendQueue_.WriteBytes(at, kHeaderSize + header.Len);
    buffer.SkipRead(kHeaderSize + header.Len);
    Handle(header, at + kHeaderSize, slot);
    if (generation != generation_) return false;
  }
  return true;
}

void TMySocket::Handle(const THeader& header, const std::uint8_t* payload, std::int32_t slot) {
  switch (header.Type) {
    case mtData:
      slots_[header.Sender].DataStream.WriteBytes(payload, header.Len);
      break;
    case mtWelcome: {
      ownId_ = LoadInt(payload);
      std::uint8_t hello[kHelloBytes];
      PutField(hello, kFieldBytes, userName_);
      PutField(hello + kFieldBytes, kFieldBytes, password_);
      SendMessage(mtHello, 0, kHelloBytes, hello);
      established_ = true;
      state_ = ssReady;
      break;
    }
    case mtHello:
      slots_[slot].Name = FieldText(payload, kFieldBytes);
      slots_[slot].Password = FieldText(payload + kFieldBytes, kFieldBytes);
      slots_[slot].Greeted = true;
      established_ = true;
      state_ = ssReady;
      SendMemberList();
      Notify(onChange_);
      break;
    case mtMemberList:
      HandleMemberList(payload);
      break;
    case mtChat:
      slots_[header.Sender].ChatText = FieldText(payload, std::min(header.Len, kMaxChatBytes));
      Notify(onChat_);
      break;
    default:  // mtKeepAlive: nothing to do
      break;
  }
}

void TMySocket::HandleMemberList(const std::uint8_t* payload) {
  memberCount_ = 0;
  for (std::int32_t i = 0; i < kSlotCount; ++i) {
    TSlot& slot = slots_[i];
    slot.Name = FieldText(payload + 2 * kFieldBytes * i, kFieldBytes);
    slot.Address = FieldText(payload + 2 * kFieldBytes * i + kFieldBytes, kFieldBytes);
    slot.Active = !slot.Name.empty();
    if (slot.Active) ++memberCount_;
  }
  Notify(onChange_);
}

// ---- Slot access ----

std::int32_t TMySocket::DataAvailable(std::int32_t slot) const {
  return IsSlot(slot) ? slots_[slot].DataStream.Remaining() : 0;
}

std::int32_t TMySocket::ReadData(std::int32_t slot, void* buffer, std::int32_t n) {
  if (!IsSlot(slot)) return 0;
  TMyMemory& stream = slots_[slot].DataStream;
  if (!stream.ReadBytes(buffer, n)) return stream.Remaining();
  // Once everything is taken the stream starts over: it holds only unread bytes.
  if (stream.Remaining() == 0) stream.Clear();
  return n;
}

bool TMySocket::IsActive(std::int32_t slot) const { return IsSlot(slot) && slots_[slot].Active; }

bool TMySocket::HasGreeted(std::int32_t slot) const {
  return IsSlot(slot) && slots_[slot].Active && slots_[slot].Greeted;
}

std::string TMySocket::GetAddress(std::int32_t slot) const {
  return IsSlot(slot) ? slots_[slot].Address : "";
}

std::string TMySocket::GetName(std::int32_t slot) const { return IsSlot(slot) ? slots_[slot].Name : ""; }

std::string TMySocket::GetPassword(std::int32_t slot) const {
  return IsSlot(slot) ? slots_[slot].Password : "";
}

std::string TMySocket::TakeChat(std::int32_t slot) {
  if (!IsSlot(slot)) return "";
  std::string text;
  text.swap(slots_[slot].ChatText);
  return text;
}

}  // namespace vt
