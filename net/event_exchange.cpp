#include "net/event_exchange.h"

#include "brush/event_kind.h"
#include "net/net_session.h"

#include <algorithm>
#include <vector>

namespace vt {

namespace {

constexpr std::int32_t kStagingBytes = 65536;

bool IsLayerStateCode(std::uint16_t code) {
  return code == static_cast<std::uint16_t>(TEventKind::LayerVisible) ||
         code == static_cast<std::uint16_t>(TEventKind::LayerOpacity) ||
         code == static_cast<std::uint16_t>(TEventKind::LayerType);
}

// Records a member performs on one layer, named by the byte after the code.
bool IsLayerEditCode(std::uint16_t code) {
  return IsStrokeCode(code) ||
         (code >= static_cast<std::uint16_t>(TEventKind::LayerUndo) &&
          code <= static_cast<std::uint16_t>(TEventKind::StraightLine)) ||
         code == static_cast<std::uint16_t>(TEventKind::UndoClearLayer);
}

}  // namespace

TEventExchange::TEventExchange() {
  for (auto& staging : staging_) staging = std::make_unique<TMyMemory>(kStagingBytes);
}

void TEventExchange::Reset() {
  memberIndex_ = 0;
  for (auto& staging : staging_) staging->Clear();
  broken_ = {};
  dropped_ = 0;
  status_.clear();
}

std::int32_t TEventExchange::Pending(std::int32_t member) const {
  return member >= 0 && member < Slots ? staging_[static_cast<std::size_t>(member)]->Remaining() : 0;
}

std::uint32_t TEventExchange::ReplayInterval(std::int32_t maxMembers) {
  return static_cast<std::uint32_t>(1000 / (std::max(maxMembers - 1, 1) * 120));
}

bool TEventExchange::Admissible(std::int32_t member, std::int32_t layersPerMember, const std::uint8_t* record,
                                std::uint16_t code) {
  if (!IsLayerEditCode(code)) return false;
  const std::int32_t layer = record[2];
  if (layer / std::max(layersPerMember, 1) == member) return true;
  return member == 0 && IsLayerStateCode(code);
}

std::int32_t TEventExchange::ChunkEnd(const TMyMemory& stream, std::int32_t from, std::int32_t end) {
  const std::int32_t limit = from + TMySocket::kMaxPayload;
  std::int32_t at = from;
  while (at < end) {
    const TRecordSpan span = CheckRecord(stream.Memory() + at, static_cast<std::size_t>(end - at));
    if (span.check != TRecordCheck::Complete || at + static_cast<std::int32_t>(span.length) > limit) break;
    at += static_cast<std::int32_t>(span.length);
  }
  // A record longer than one message (or bytes that are not whole records) go out cut.
  return at > from ? at : std::min(end, limit);
}

void TEventExchange::IdlePass(TNetSession& session) {
  TDrawDocument* document = session.document_.get();
  if (document == nullptr || document->Paper.NetMode != 1) return;
  if (ConnectionLost(session)) return;
  const std::int32_t own = session.netPhase_ == npRunning ? document->OwnSlot() : 0;
  ReceiveAndReplay(session, own);
  // The own stroke leaves whole once it ends; until then nothing is sent or merged.
  if (document->OwnStream().InStroke() && !document->Playing) return;
  UpdateHistory(*document, own);
  UpdateStatus(session, own);
  if (session.socket_) session.socket_->Pump();
  SendOwnStream(session);
}

bool TEventExchange::ConnectionLost(TNetSession& session) {
  if (session.isHost_ || (session.socket_ && session.socket_->State() == ssReady)) return false;
  session.netPhase_ = npLost;
  session.document_->Paper.NetMode = 0;
  session.CloseSharedDrawing();
  return true;
}

// One event of one other member per replay interval, the members taken in turn. The
// turn passes on only when an event is due: were it to pass on every idle pass, passes
// that come at a steady rate could meet the same member at every due time and never
// replay the others.
void TEventExchange::ReceiveAndReplay(TNetSession& session, std::int32_t own) {
  if (!session.socket_) return;
  TDrawDocument& document = *session.document_;
  const std::uint32_t now = session.clock_.NowMs();
  if (now - document.LastReplayStep < ReplayInterval(session.maxMembers_)) return;
  if (!Advance(session, own)) return;
  Take(session, memberIndex_);
  document.LastReplayStep = now;
  const auto m = static_cast<std::size_t>(memberIndex_);
  const TApplyResult result = document.Paper.ApplyEvent(document.StrokeStreams[m], document.StrokeEngines[m]);
  if (result.needsRefresh) document.Paper.RecompositeAll();
}

// The next member after the current one, other than the own, that is active or has
// left events behind: what a member sent before it left is still replayed. One turn of
// the ring at most: members active in the socket may all lie outside the paper's members.
bool TEventExchange::Advance(TNetSession& session, std::int32_t own) {
  const TMySocket& socket = *session.socket_;
  const TDrawDocument& document = *session.document_;
  const std::int32_t count = std::clamp(document.Paper.ParticipantCount, 1, Slots);
  for (std::int32_t tries = 0; tries < count; ++tries) {
    memberIndex_ += 1;
    if (memberIndex_ >= count || memberIndex_ < 0) memberIndex_ = 0;
    if (memberIndex_ == own) continue;
    const TEventPacket& packet = document.StrokeStreams[static_cast<std::size_t>(memberIndex_)];
    const bool leftover =
        socket.DataAvailable(memberIndex_) > 0 || packet.InStroke() || packet.Stream().Remaining() > 0;
    if (socket.IsActive(memberIndex_) || leftover) return true;
  }
  return false;
}

void TEventExchange::Take(TNetSession& session, std::int32_t member) {
  TMySocket& socket = *session.socket_;
  const std::int32_t n = socket.DataAvailable(member);
  if (n <= 0) return;
  TMyMemory& staging = *staging_[static_cast<std::size_t>(member)];
  staging.Reserve(n);
  socket.ReadData(member, staging.WritePointer(), n);
  staging.SkipWrite(n);
  Admit(*session.document_, member, session.layersPerMember_);
}

void TEventExchange::Admit(TDrawDocument& document, std::int32_t member, std::int32_t layersPerMember) {
  const auto m = static_cast<std::size_t>(member);
  TMyMemory& staging = *staging_[m];
  TMyMemory& packet = document.StrokeStreams[m].Stream();
  while (!broken_[m] && staging.Remaining() > 0) {
    const TRecordSpan span =
        CheckRecord(staging.ReadPointer(), static_cast<std::size_t>(staging.Remaining()));
    if (span.check == TRecordCheck::Incomplete) break;
    if (span.check == TRecordCheck::Unknown) {
      broken_[m] = true;
      break;
    }
    const auto length = static_cast<std::int32_t>(span.length);
    if (Admissible(member, layersPerMember, staging.ReadPointer(), span.code)) {
      packet.WriteBytes(staging.ReadPointer(), length);
    } else {
      ++dropped_;
    }
    staging.SkipRead(length);
  }
  if (broken_[m] || staging.Remaining() == 0) {
    staging.Clear();
  } else if (staging.ReadPosition() >= kStagingBytes) {
    staging.Compact();
  }
}

// Each member's bytes up to what this copy has applied (all of them for the own stream),
// never into a stroke that is still open.
void TEventExchange::UpdateHistory(TDrawDocument& document, std::int32_t own) {
  for (std::int32_t i = 0; i < Slots; ++i) {
    const auto m = static_cast<std::size_t>(i);
    const TEventPacket& packet = document.StrokeStreams[m];
    if (packet.InStroke()) continue;
    const TMyMemory& stream = packet.Stream();
    const std::int32_t end = i == own ? stream.WritePosition() : stream.ReadPosition();
    std::int32_t& position = document.MergedPositions[m];
    if (end <= position) continue;
    document.MergedStream.Stream().WriteBytes(stream.Memory() + position, end - position);
    position = end;
  }
}

void TEventExchange::UpdateStatus(TNetSession& session, std::int32_t own) {
  TDrawDocument& document = *session.document_;
  const std::int32_t members = std::clamp(session.maxMembers_, 2, Slots);
  float sum = 0;
  for (std::int32_t i = 0; i < members; ++i) {
    if (i != own) sum += document.StrokeStreams[static_cast<std::size_t>(i)].ReadProgress();
  }
  const auto sync = static_cast<std::int32_t>(sum / static_cast<float>(members - 1));
  const TMySocket* socket = session.socket_.get();
  std::string status = session.isHost_ ? "<Server> " : "<Client> ";
  status.append("SEND:").append(std::to_string(socket ? socket->BytesSent() : 0));
  status.append(" RECV:").append(std::to_string(socket ? socket->BytesReceived() : 0));
  status.append(" SYNC:").append(std::to_string(sync)).append("[%]");
  if (status == status_) return;
  status_ = status;
  session.observer_.StatusChanged(status_);
}

// The host holds its stream back from the accept of a newcomer until the join is done,
// so that the join reply is the first data the newcomer reads from it. Pieces end at
// record boundaries, so a stream a newcomer starts to receive starts with a record.
void TEventExchange::SendOwnStream(TNetSession& session) {
  TDrawDocument& document = *session.document_;
  TMySocket* socket = session.socket_.get();
  if (socket == nullptr || document.Paper.NetMode != 1 || session.netPhase_ != npRunning) return;
  if (session.isHost_ && socket->JoinsPending() != 0) return;
  const TMyMemory& stream = document.OwnStream().Stream();
  const std::int32_t end = stream.WritePosition();
  if (end == session.ownBytesSent_) return;
  const std::int32_t chunkEnd = ChunkEnd(stream, session.ownBytesSent_, end);
  session.ownBytesSent_ +=
      socket->SendData(-1, stream.Memory() + session.ownBytesSent_, chunkEnd - session.ownBytesSent_);
}

}  // namespace vt
